#pragma once
// Time as the pacing of media frames sees it: "now" in seconds from a monotonic
// clock, and a wait that ends when its time runs out or when it is woken. Tests
// put a virtual clock here, so that pacing is checked without waiting on a wall
// clock. A clock must never read 0.0: the synchroniser takes a zero time as "not
// anchored".

#include <cstdint>
#include <memory>

namespace zelvo {

class PacingClock {
 public:
  virtual ~PacingClock() = default;
  virtual double now() = 0;
  // Waits up to seconds. 0 when woken by wakeup(), nonzero when the time ran out.
  virtual int64_t waitFor(double seconds) = 0;
  // Ends a wait in progress at once. With nobody waiting it has no effect, so it
  // never shortens a later wait.
  virtual void wakeup() = 0;
};

}  // namespace zelvo
