#include "Network/Playback/ReferenceTime.h"

namespace zelvo {

void ReferenceTime::update(int which, double time, uint64_t stamp) {
  if (which & Base) {
    baseTime_ = time;
    baseTimeStamp_ = stamp;
  }
  if (which & Last) {
    lastTime_ = time;
    lastTimeStamp_ = stamp;
  }
}

bool ReferenceTime::isReset(int which) const {
  const bool base = baseTime_ == 0.0 || baseTimeStamp_ == 0;
  const bool last = lastTime_ == 0.0 || lastTimeStamp_ == 0;
  if (which == Base) return base;
  if (which == Last) return last;
  return base && last;
}

}  // namespace zelvo
