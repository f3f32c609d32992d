#include "Foundation/Semaphore.h"

namespace zelvo {

void Semaphore::signal() {
  // Notified under the lock: a waiter that returns may destroy the semaphore at
  // once (SerialQueue::sync keeps it on its stack).
  std::lock_guard lock(mutex_);
  ++count_;
  condition_.notify_one();
}

bool Semaphore::wait() {
  std::unique_lock lock(mutex_);
  condition_.wait(lock, [&] { return closed_ || count_ > 0; });
  if (closed_) return false;
  --count_;
  return true;
}

bool Semaphore::waitFor(std::chrono::nanoseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!condition_.wait_for(lock, timeout, [&] { return closed_ || count_ > 0; })) return false;
  if (closed_) return false;
  --count_;
  return true;
}

void Semaphore::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  condition_.notify_all();
}

bool Semaphore::isClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

int64_t Semaphore::count() const {
  std::lock_guard lock(mutex_);
  return count_;
}

}  // namespace zelvo
