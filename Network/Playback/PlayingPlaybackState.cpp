#include "Network/Playback/PlayingPlaybackState.h"

#include "Foundation/Assert.h"
#include "Network/Playback/PlayingState.h"
#include "Network/Playback/WaitingForMediaFrameState.h"

namespace zelvo {

PlayingPlaybackState::PlayingPlaybackState(PlaybackStateContext* context) : PlaybackState(context) {
  stateMap_[WaitingForMediaFrameStateKey] = std::make_unique<WaitingForMediaFrameState>(this);
  stateMap_[PlayingStateKey] = std::make_unique<PlayingState>(this);
  transitTo(WaitingForMediaFrameStateKey);
}

PlayingPlaybackState::~PlayingPlaybackState() = default;

void PlayingPlaybackState::triggerConnected() {
  context()->transitTo(PlaybackStateInitialKey);
  transitTo(WaitingForMediaFrameStateKey);
}

// The sub-state stays as it was.
void PlayingPlaybackState::triggerDisconnected() { context()->transitTo(PlaybackStateDisconnectedKey); }

void PlayingPlaybackState::triggerPlayRequest(const std::shared_ptr<PlayRequest>&) {
  context()->transitTo(PlaybackStateWaitingForNextResponseKey);
  transitTo(WaitingForMediaFrameStateKey);
  context()->needToBeSureAllMediaDispatched();
  context()->sendStopRequest();
}

void PlayingPlaybackState::triggerStopRequest() {
  context()->transitTo(PlaybackStateWaitingForStopKey);
  transitTo(WaitingForMediaFrameStateKey);
  context()->needToBeSureAllMediaDispatched();
  context()->sendStopRequest();
}

void PlayingPlaybackState::triggerPlayerStopped(int reason, const std::shared_ptr<PlayRequest>&) {
  context()->transitTo(PlaybackStateStoppedAtTheEndKey);
  transitTo(WaitingForMediaFrameStateKey);
  context()->firePlaybackStopped(reason, true);
}

void PlayingPlaybackState::triggerMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame,
                                                     const MediaPosition& atPosition, bool visible,
                                                     const std::shared_ptr<PlayRequest>& forPlayRequest) {
  current_->triggerMediaFrameReceived(frame, atPosition, visible, forPlayRequest);
}

void PlayingPlaybackState::transitTo(const std::string& key) {
  auto it = stateMap_.find(key);
  ZELVO_ASSERT(it != stateMap_.end(), "no playing sub-state under the key %s", key.c_str());
  current_ = it->second.get();
  currentKey_ = key;
}

void PlayingPlaybackState::firePlaybackStarted(const std::shared_ptr<PlayRequest>& request,
                                               const std::shared_ptr<const MediaFrame>& withFrame,
                                               const MediaPosition& atPosition, bool visible) {
  context()->firePlaybackStarted(request, withFrame, atPosition, visible);
}

void PlayingPlaybackState::sendPlayRequest(const std::shared_ptr<PlayRequest>& request) {
  context()->sendPlayRequest(request);
}
void PlayingPlaybackState::sendStopRequest() { context()->sendStopRequest(); }
void PlayingPlaybackState::needToBeSureAllMediaDispatched() { context()->needToBeSureAllMediaDispatched(); }
void PlayingPlaybackState::firePlaybackStopped(int reason, bool withAllMediaDispatchedNotification) {
  context()->firePlaybackStopped(reason, withAllMediaDispatchedNotification);
}

}  // namespace zelvo
