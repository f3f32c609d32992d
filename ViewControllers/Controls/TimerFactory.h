#pragma once
// Repeating timers behind an interface, so that reconnection and sequencing are tested
// on a fake clock. The Qt one runs on the main thread's event loop (it also fires while
// a modal dialog runs its own loop).

#include <functional>
#include <memory>

namespace zelvo {

class RepeatingTimer {
 public:
  virtual ~RepeatingTimer() = default;  // destroying the timer stops it
  virtual double interval() const = 0;  // seconds
};

class TimerFactory {
 public:
  virtual ~TimerFactory() = default;
  // A running timer that calls action every `seconds` (finite, above 0) until it is
  // destroyed. The action may destroy the timer that calls it.
  virtual std::unique_ptr<RepeatingTimer> scheduleRepeating(double seconds, std::function<void()> action) = 0;
};

// QTimer on the calling (main) thread.
TimerFactory& mainThreadTimerFactory();

}  // namespace zelvo
