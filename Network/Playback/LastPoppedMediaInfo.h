#pragma once
// What the media dispatcher remembers of the last video frame it let through, so
// that a pause or a channel change can resume exactly there.

#include <cstdint>
#include <optional>

#include "Network/DateTime.h"
#include "Network/Playback/MediaPosition.h"

namespace zelvo {

class LastPoppedMediaInfo {
 public:
  const MediaPosition& position() const { return position_; }
  void setPosition(const MediaPosition& position) { position_ = position; }
  uint64_t mediaID() const { return mediaID_; }
  void setMediaID(uint64_t mediaID) { mediaID_ = mediaID; }
  // The lowest channel of the frame's mask; -1 for none.
  int64_t channel() const { return channel_; }
  void setChannel(int64_t channel) { channel_ = channel; }
  // None until a frame has been shown.
  const std::optional<DateTime>& dateTime() const { return dateTime_; }
  void setDateTime(std::optional<DateTime> dateTime) { dateTime_ = dateTime; }

 private:
  MediaPosition position_;
  uint64_t mediaID_ = 0;
  int64_t channel_ = 0;
  std::optional<DateTime> dateTime_;
};

}  // namespace zelvo
