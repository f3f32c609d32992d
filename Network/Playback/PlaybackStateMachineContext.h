#pragma once
// What the playback state machine asks of its owner (the playback client), on the
// owner's playback queue.

#include <memory>

namespace zelvo {

class MediaFrame;
class MediaPosition;
class PlayRequest;

class PlaybackStateMachineContext {
 public:
  virtual ~PlaybackStateMachineContext() = default;
  // Start dispatching, send the request (a play, a jump or a channel update), report it.
  virtual void contextPlayRequested(const std::shared_ptr<PlayRequest>& request) = 0;
  // Send a pause at the position of the last frame shown.
  virtual void contextStopRequested() = 0;
  // The first frame of a playback.
  virtual void contextPlaybackStarted(const std::shared_ptr<PlayRequest>& request,
                                      const std::shared_ptr<const MediaFrame>& withFrame,
                                      const MediaPosition& atPosition, bool visible) = 0;
  virtual void contextPlaybackStopped(int reason, const std::shared_ptr<PlayRequest>& forPlayRequest,
                                      bool withAllMediaDispatchedNotification) = 0;
  // Every frame received, whatever the state, to be paced and shown.
  virtual void contextMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame,
                                         const MediaPosition& atPosition, bool visible,
                                         const std::shared_ptr<PlayRequest>& forPlayRequest) = 0;
  // Drop every frame not yet shown and wait until the dispatcher is idle.
  virtual void contextNeedToBeSureAllMediaDispatched() = 0;
};

}  // namespace zelvo
