#pragma once
// What the playback client tells its delegate besides login and disconnection.
// The list operations are called on the client's network thread, the frame and
// the pause on its playback queue. Every operation may be left as it is.

#include <memory>
#include <vector>

#include "Network/Date.h"
#include "Network/NetworkClientDelegate.h"

namespace zelvo {

class EventList;
class MediaFrame;
class MediaPosition;
class SectionList;
class TimeSliceList;

class PlaybackClientDelegate : public NetworkClientDelegate {
 public:
  virtual void receivedRecordingCalendar(const std::vector<Date>& /*dates*/) {}
  virtual void receivedRecordingTimeSlices(const std::shared_ptr<const TimeSliceList>& /*list*/) {}
  virtual void receivedRecordingSectionList(const std::shared_ptr<const SectionList>& /*list*/) {}
  virtual void receivedEventCalendar(const std::vector<Date>& /*dates*/) {}
  virtual void receivedEventList(const std::shared_ptr<const EventList>& /*list*/) {}
  virtual void receivedPlaybackMediaFrame(const std::shared_ptr<const MediaFrame>& /*frame*/,
                                          const MediaPosition& /*atPosition*/, bool /*visible*/) {}
  virtual void playbackPausedWithReason(int /*reason*/) {}
};

}  // namespace zelvo
