#pragma once
// One clock of the synchroniser: the anchor (wall-clock time and stream time
// stamp at which the clock was set) and the last frame fed back.

#include <cstdint>

namespace zelvo {

class ReferenceTime {
 public:
  // Which-mask of update(), reset() and isReset().
  static constexpr int Base = 1;
  static constexpr int Last = 2;
  static constexpr int Both = 3;

  double baseTime() const { return baseTime_; }
  void setBaseTime(double v) { baseTime_ = v; }
  uint64_t baseTimeStamp() const { return baseTimeStamp_; }
  void setBaseTimeStamp(uint64_t v) { baseTimeStamp_ = v; }
  double lastTime() const { return lastTime_; }
  void setLastTime(double v) { lastTime_ = v; }
  uint64_t lastTimeStamp() const { return lastTimeStamp_; }
  void setLastTimeStamp(uint64_t v) { lastTimeStamp_ = v; }

  void update(int which, double time, uint64_t stamp);
  void reset(int which) { update(which, 0.0, 0); }
  // Base: the base pair holds a zero; Last: the last pair does; any other value:
  // both pairs do.
  bool isReset(int which) const;

 private:
  double baseTime_ = 0.0;
  uint64_t baseTimeStamp_ = 0;
  double lastTime_ = 0.0;
  uint64_t lastTimeStamp_ = 0;
};

}  // namespace zelvo
