#include "Network/Playback/PlaybackStateMachine.h"

#include "Foundation/Assert.h"
#include "Network/Playback/DisconnectedPlaybackState.h"
#include "Network/Playback/InitialPlaybackState.h"
#include "Network/Playback/PlayRequest.h"
#include "Network/Playback/PlayingPlaybackState.h"
#include "Network/Playback/StoppeAtTheEndPlaybackState.h"
#include "Network/Playback/StoppedByUserPlaybackState.h"
#include "Network/Playback/WaitingForNextResponsePlaybackState.h"
#include "Network/Playback/WaitingForStopPlaybackState.h"

namespace zelvo {

PlaybackStateMachine::PlaybackStateMachine(PlaybackStateMachineContext* machineContext)
    : PlaybackState(nullptr), machineContext_(machineContext) {
  stateMap_[PlaybackStateDisconnectedKey] = std::make_unique<DisconnectedPlaybackState>(this);
  stateMap_[PlaybackStateInitialKey] = std::make_unique<InitialPlaybackState>(this);
  stateMap_[PlaybackStatePlayingKey] = std::make_unique<PlayingPlaybackState>(this);
  stateMap_[PlaybackStateStoppedByUserKey] = std::make_unique<StoppedByUserPlaybackState>(this);
  stateMap_[PlaybackStateStoppedAtTheEndKey] = std::make_unique<StoppeAtTheEndPlaybackState>(this);
  stateMap_[PlaybackStateWaitingForStopKey] = std::make_unique<WaitingForStopPlaybackState>(this);
  stateMap_[PlaybackStateWaitingForNextResponseKey] = std::make_unique<WaitingForNextResponsePlaybackState>(this);
  transitTo(PlaybackStateDisconnectedKey);
}

PlaybackStateMachine::~PlaybackStateMachine() = default;

void PlaybackStateMachine::requestPlay(const std::shared_ptr<PlayRequest>& request) {
  lastPlayRequest_ = request;
  currentState_->triggerPlayRequest(request);
}

void PlaybackStateMachine::requestUpdateChannelMask(const BitMask32& mask, bool withAudio) {
  if (!lastPlayRequest_) return;
  auto update = PlayRequest::playRequestUpdateChannelMask(mask, withAudio);
  // A chain of updates always refers to the first request that is not an update.
  update->setPrevRequest(lastPlayRequest_->type() == PlayRequest::TypeUpdateChannelMask
                             ? lastPlayRequest_->prevRequest()
                             : lastPlayRequest_);
  update->setArgument(withAudio ? 1 : 0);
  update->setArgument2(isStoppedByUser() ? 1 : 0);
  lastPlayRequest_ = update;
  currentState_->triggerPlayRequest(update);
}

void PlaybackStateMachine::requestStop() { triggerStopRequest(); }
void PlaybackStateMachine::connected() { triggerConnected(); }
void PlaybackStateMachine::playerStopped(int reason) { triggerPlayerStopped(reason, lastPlayRequest_); }

void PlaybackStateMachine::mediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame,
                                              const MediaPosition& atPosition, bool visible) {
  // The request is held here, so that a state change during the trigger cannot
  // hand the context a different one.
  std::shared_ptr<PlayRequest> request = lastPlayRequest_;
  triggerMediaFrameReceived(frame, atPosition, visible, request);
  if (machineContext_) machineContext_->contextMediaFrameReceived(frame, atPosition, visible, request);
}

void PlaybackStateMachine::allMediaDispatched() { triggerAllMediaDispatched(); }

bool PlaybackStateMachine::isPlaying() const { return currentStateKey_ == PlaybackStatePlayingKey; }
bool PlaybackStateMachine::isStoppedByUser() const { return currentStateKey_ == PlaybackStateStoppedByUserKey; }

void PlaybackStateMachine::triggerConnected() { currentState_->triggerConnected(); }
void PlaybackStateMachine::triggerDisconnected() { currentState_->triggerDisconnected(); }
void PlaybackStateMachine::triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) {
  currentState_->triggerPlayRequest(request);
}
void PlaybackStateMachine::triggerStopRequest() { currentState_->triggerStopRequest(); }
void PlaybackStateMachine::triggerPlayerStopped(int reason, const std::shared_ptr<PlayRequest>& withLastRequest) {
  currentState_->triggerPlayerStopped(reason, withLastRequest);
}
void PlaybackStateMachine::triggerMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame,
                                                     const MediaPosition& atPosition, bool visible,
                                                     const std::shared_ptr<PlayRequest>& forPlayRequest) {
  currentState_->triggerMediaFrameReceived(frame, atPosition, visible, forPlayRequest);
}
void PlaybackStateMachine::triggerAllMediaDispatched() { currentState_->triggerAllMediaDispatched(); }

void PlaybackStateMachine::transitTo(const std::string& key) {
  auto it = stateMap_.find(key);
  ZELVO_ASSERT(it != stateMap_.end(), "no playback state under the key %s", key.c_str());
  currentState_ = it->second.get();
  currentStateKey_ = key;
}

void PlaybackStateMachine::sendPlayRequest(const std::shared_ptr<PlayRequest>& request) {
  if (machineContext_) machineContext_->contextPlayRequested(request);
}

void PlaybackStateMachine::sendStopRequest() {
  if (machineContext_) machineContext_->contextStopRequested();
}

void PlaybackStateMachine::needToBeSureAllMediaDispatched() {
  if (machineContext_) machineContext_->contextNeedToBeSureAllMediaDispatched();
}

void PlaybackStateMachine::firePlaybackStarted(const std::shared_ptr<PlayRequest>& request,
                                               const std::shared_ptr<const MediaFrame>& withFrame,
                                               const MediaPosition& atPosition, bool visible) {
  if (machineContext_) machineContext_->contextPlaybackStarted(request, withFrame, atPosition, visible);
}

void PlaybackStateMachine::firePlaybackStopped(int reason, bool withAllMediaDispatchedNotification) {
  if (machineContext_)
    machineContext_->contextPlaybackStopped(reason, lastPlayRequest_, withAllMediaDispatchedNotification);
}

const std::string& PlaybackStateMachine::playingSubStateKey() const {
  return static_cast<const PlayingPlaybackState&>(*stateMap_.at(PlaybackStatePlayingKey)).currentKey();
}

}  // namespace zelvo
