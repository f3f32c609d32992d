#pragma once
// A serial queue: one thread running tasks in the order they were queued. The
// label names the thread (for logs and debuggers).

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zelvo {

class SerialQueue {
 public:
  explicit SerialQueue(std::string label);
  // Runs what is already queued, then joins the thread.
  ~SerialQueue();
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  const std::string& label() const { return label_; }

  void async(std::function<void()> task);
  // Runs the task on the queue and waits for it. Calling it from the queue's own
  // thread would wait for ever: a precondition failure.
  void sync(const std::function<void()>& task);
  // True on the queue's own thread.
  bool isCurrent() const;
  // Tasks queued and not yet started.
  size_t pendingCount() const;

 private:
  // Shared with the thread, so that the last owner may let go of the queue from
  // inside one of its own tasks (the thread then finishes on its own).
  struct State {
    std::mutex mutex;
    std::condition_variable condition;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
  };
  static void run(const std::shared_ptr<State>& state);

  const std::string label_;
  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace zelvo
