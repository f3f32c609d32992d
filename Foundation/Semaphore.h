#pragma once
// A counting semaphore with a time-out and a close() that releases every waiter
// at shut-down. (libstdc++ 12's std::counting_semaphore can lose wake-ups.)

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace zelvo {

class Semaphore {
 public:
  explicit Semaphore(int64_t initial = 0) : count_(initial) {}
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;

  void signal();
  // True when a unit was taken; false once the semaphore is closed.
  bool wait();
  // True when a unit was taken before the time-out; false on time-out or once closed.
  bool waitFor(std::chrono::nanoseconds timeout);
  // Wakes every waiter; later waits return false at once.
  void close();
  bool isClosed() const;
  int64_t count() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable condition_;
  int64_t count_;
  bool closed_ = false;
};

}  // namespace zelvo
