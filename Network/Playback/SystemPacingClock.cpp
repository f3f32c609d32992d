#include "Network/Playback/SystemPacingClock.h"

#include <chrono>
#include <cmath>

namespace zelvo {

double SystemPacingClock::now() {
  using namespace std::chrono;
  // One second is added so that a clock read right at boot is still not 0.0.
  return duration<double>(steady_clock::now().time_since_epoch()).count() + 1.0;
}

int64_t SystemPacingClock::waitFor(double seconds) {
  using namespace std::chrono;
  // Whole nanoseconds, truncated; a wait of a day or more is capped at a day.
  double ns = std::isfinite(seconds) && seconds > 0.0 ? std::min(seconds, 86400.0) * 1e9 : 0.0;
  auto deadline = steady_clock::now() + nanoseconds(static_cast<int64_t>(ns));
  std::unique_lock lock(mutex_);
  const uint64_t generation = generation_;
  bool woken = condition_.wait_until(lock, deadline, [&] { return generation_ != generation; });
  return woken ? 0 : 1;
}

void SystemPacingClock::wakeup() {
  {
    std::lock_guard lock(mutex_);
    ++generation_;
  }
  condition_.notify_all();
}

}  // namespace zelvo
