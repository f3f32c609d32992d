#pragma once
// What a playback state may ask of its context: act on the recorder, report, and
// change the current state. The machine is the context of its seven states; the
// Playing state is the context of its two sub-states.

#include <memory>
#include <string>

namespace zelvo {

class MediaFrame;
class MediaPosition;
class PlayRequest;

class PlaybackStateContext {
 public:
  virtual ~PlaybackStateContext() = default;
  virtual void sendPlayRequest(const std::shared_ptr<PlayRequest>& request) = 0;
  virtual void sendStopRequest() = 0;
  // Drops every frame not yet shown and returns once the dispatcher is idle.
  virtual void needToBeSureAllMediaDispatched() = 0;
  virtual void firePlaybackStarted(const std::shared_ptr<PlayRequest>& request,
                                   const std::shared_ptr<const MediaFrame>& withFrame,
                                   const MediaPosition& atPosition, bool visible) = 0;
  virtual void firePlaybackStopped(int reason, bool withAllMediaDispatchedNotification) = 0;
  // Unknown keys are a programming error.
  virtual void transitTo(const std::string& key) = 0;
};

}  // namespace zelvo
