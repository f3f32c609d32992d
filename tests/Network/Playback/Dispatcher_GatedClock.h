#pragma once
// A pacing clock in virtual time for dispatcher and client tests. Every wait is
// recorded; an open clock lets it run out at once (advancing the virtual time by
// its length), a gated clock holds it until the test releases it or the code
// under test wakes it.

#include <condition_variable>
#include <mutex>
#include <vector>

#include "Network/Playback/PacingClock.h"

namespace zelvo::test::playback {

class GatedPacingClock : public PacingClock {
 public:
  explicit GatedPacingClock(bool gated = false) : gated_(gated) {}

  double now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }

  int64_t waitFor(double seconds) override {
    std::unique_lock lock(mutex_);
    waits_.push_back(seconds);
    ++waiting_;
    condition_.notify_all();
    const uint64_t wakeGeneration = wakeGeneration_;
    condition_.wait(lock, [&] { return !gated_ || releases_ > 0 || wakeGeneration_ != wakeGeneration; });
    --waiting_;
    if (wakeGeneration_ != wakeGeneration) return 0;
    if (gated_) --releases_;
    now_ += seconds;
    return 1;
  }

  void wakeup() override {
    std::lock_guard lock(mutex_);
    // A wake-up with nobody waiting has no effect.
    if (waiting_ > 0) ++wakeGeneration_;
    condition_.notify_all();
  }

  // Lets one gated wait run out (now or when it comes).
  void release() {
    std::lock_guard lock(mutex_);
    ++releases_;
    condition_.notify_all();
  }
  void openGate() {
    std::lock_guard lock(mutex_);
    gated_ = false;
    condition_.notify_all();
  }
  // Blocks until a wait is in progress (the generous limit of the test runner
  // catches a wait that never comes).
  void waitUntilSomeoneWaits() {
    std::unique_lock lock(mutex_);
    condition_.wait(lock, [&] { return waiting_ > 0; });
  }
  bool someoneWaits() const {
    std::lock_guard lock(mutex_);
    return waiting_ > 0;
  }
  void advance(double seconds) {
    std::lock_guard lock(mutex_);
    now_ += seconds;
  }
  std::vector<double> waits() const {
    std::lock_guard lock(mutex_);
    return waits_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable condition_;
  // Never 0.0: the synchroniser reads a zero time as "not anchored".
  double now_ = 1000.0;
  bool gated_;
  int releases_ = 0;
  int waiting_ = 0;
  uint64_t wakeGeneration_ = 0;
  std::vector<double> waits_;
};

}  // namespace zelvo::test::playback
