#include "Network/Live/SilenceWatch.h"

#include <algorithm>

namespace zelvo {

void SilenceWatch::reset(TimePoint now) {
  *this = SilenceWatch();
  lastPacket_ = now;
}

void SilenceWatch::packetReceived(TimePoint now, bool isKeepAlive) {
  lastPacket_ = std::max(lastPacket_, now);
  if (!isKeepAlive) return;
  if (lastKeepAlive_) {
    longestGap_ = std::max(longestGap_, now - *lastKeepAlive_);
    gapSeen_ = true;
  }
  lastKeepAlive_ = now;
}

std::optional<SilenceWatch::Duration> SilenceWatch::limit() const {
  if (!gapSeen_) return std::nullopt;
  return std::max<Duration>(MinimumLimit, GapFactor * longestGap_);
}

bool SilenceWatch::hasExpired(TimePoint now) const {
  const std::optional<Duration> allowed = limit();
  return allowed && silence(now) > *allowed;
}

}  // namespace zelvo
