#include "Foundation/SerialQueue.h"

#include <pthread.h>

#include "Foundation/Assert.h"
#include "Foundation/Semaphore.h"

namespace zelvo {

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)), state_(std::make_shared<State>()) {
  thread_ = std::thread([state = state_] { run(state); });
  // Linux thread names are at most 15 bytes; keep the end of the label, which tells queues apart.
  std::string name = label_.size() > 15 ? label_.substr(label_.size() - 15) : label_;
  pthread_setname_np(thread_.native_handle(), name.c_str());
}

SerialQueue::~SerialQueue() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
  }
  state_->condition.notify_all();
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();  // released from inside one of its tasks: the thread drains and ends by itself
  } else {
    thread_.join();
  }
}

void SerialQueue::async(std::function<void()> task) {
  // Notified under the lock, so nothing of the queue is touched once a task that
  // releases the queue may have run.
  std::lock_guard lock(state_->mutex);
  state_->tasks.push_back(std::move(task));
  state_->condition.notify_one();
}

void SerialQueue::sync(const std::function<void()>& task) {
  ZELVO_PRECONDITION(!isCurrent());
  Semaphore done;
  async([&] {
    task();
    done.signal();
  });
  done.wait();
}

bool SerialQueue::isCurrent() const { return thread_.get_id() == std::this_thread::get_id(); }

size_t SerialQueue::pendingCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->tasks.size();
}

void SerialQueue::run(const std::shared_ptr<State>& state) {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(state->mutex);
      state->condition.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
      if (state->tasks.empty()) return;
      task = std::move(state->tasks.front());
      state->tasks.pop_front();
    }
    task();
    task = nullptr;  // captured owners are released here, on the queue's thread, before the next task
  }
}

}  // namespace zelvo
