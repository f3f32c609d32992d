#pragma once
// Tells a recorder that hangs with its connection up from one that is only idle.
// The limit is learnt from the recorder's own keep-alives: once two have come, a
// silence longer than three times the longest gap seen between them, and never
// shorter than MinimumLimit, means the recorder is gone. Any packet ends a silence.
// A recorder that sends no keep-alives is never judged: an idle one may say nothing.
//
// A plain value on the caller's clock; not safe for concurrent use.

#include <chrono>
#include <optional>

namespace zelvo {

class SilenceWatch {
 public:
  using Clock = std::chrono::steady_clock;
  using TimePoint = Clock::time_point;
  using Duration = Clock::duration;
  static constexpr std::chrono::seconds MinimumLimit{15};
  static constexpr int GapFactor = 3;

  // A new connection: nothing learnt yet, the silence counted from now.
  void reset(TimePoint now);
  void packetReceived(TimePoint now, bool isKeepAlive);
  // None until two keep-alives have come.
  std::optional<Duration> limit() const;
  Duration silence(TimePoint now) const { return now - lastPacket_; }
  bool hasExpired(TimePoint now) const;

 private:
  TimePoint lastPacket_{};
  std::optional<TimePoint> lastKeepAlive_;
  bool gapSeen_ = false;
  Duration longestGap_{0};
};

}  // namespace zelvo
