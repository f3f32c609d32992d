#pragma once
// A virtual pacing clock for tests: now() reads a number the test sets, and a wait
// moves that number on by the waited time at once (as if the wait ran out), so
// pacing is checked in virtual time. With holdWaits(true) a wait blocks instead,
// until release(), so a test can fill a queue behind a waiting frame.

#include <condition_variable>
#include <mutex>
#include <vector>

#include "Network/Playback/PacingClock.h"

namespace zelvo::test {

class FakePacingClock : public PacingClock {
 public:
  // Not 0.0: the synchroniser takes a zero time as "not anchored".
  explicit FakePacingClock(double start = 1000.0) : now_(start) {}

  double now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void set(double t) {
    std::lock_guard lock(mutex_);
    now_ = t;
  }
  void advance(double seconds) {
    std::lock_guard lock(mutex_);
    now_ += seconds;
  }

  int64_t waitFor(double seconds) override {
    std::unique_lock lock(mutex_);
    waits_.push_back(seconds);
    if (hold_) {
      ++blocked_;
      const uint64_t generation = releases_;
      condition_.wait(lock, [&] { return releases_ != generation || !hold_; });
      --blocked_;
    }
    now_ += seconds;
    return 1;
  }
  void wakeup() override {
    std::lock_guard lock(mutex_);
    ++wakeups_;
  }

  void holdWaits(bool hold) {
    {
      std::lock_guard lock(mutex_);
      hold_ = hold;
    }
    condition_.notify_all();
  }
  void release() {
    {
      std::lock_guard lock(mutex_);
      ++releases_;
    }
    condition_.notify_all();
  }
  int blocked() {
    std::lock_guard lock(mutex_);
    return blocked_;
  }
  std::vector<double> waits() {
    std::lock_guard lock(mutex_);
    return waits_;
  }
  int wakeups() {
    std::lock_guard lock(mutex_);
    return wakeups_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
  double now_;
  std::vector<double> waits_;
  int wakeups_ = 0;
  bool hold_ = false;
  uint64_t releases_ = 0;
  int blocked_ = 0;
};

}  // namespace zelvo::test
