#pragma once
// The real pacing clock: the steady clock (never set back, never 0.0 after boot)
// and a wait on a condition variable with a wake-up generation. A wake-up counts
// only for a wait that has already begun, so a wake-up that found nobody waiting
// leaves no signal behind to end the next wait early.

#include <condition_variable>
#include <mutex>

#include "Network/Playback/PacingClock.h"

namespace zelvo {

class SystemPacingClock final : public PacingClock {
 public:
  double now() override;
  int64_t waitFor(double seconds) override;
  void wakeup() override;

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
  uint64_t generation_ = 0;
};

}  // namespace zelvo
