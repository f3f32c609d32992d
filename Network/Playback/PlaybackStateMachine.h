#pragma once
// The client's view of the recorder's player, which plays one request at a time
// and confirms every stop with a pause message. The machine decides when a request
// can go out at once and when the current playback must first be stopped (and its
// queued frames dropped); it keeps the latest request, so that the newest wins
// when several come before a stop is confirmed; and it reports the start of each
// playback (its first frame) and every stop. Its owner carries out what it
// decides (PlaybackStateMachineContext).
//
// Runs only on the owner's playback queue: no lock.

#include <map>
#include <memory>
#include <string>

#include "Network/Playback/PlaybackState.h"
#include "Network/Playback/PlaybackStateMachineContext.h"

namespace zelvo {

class BitMask32;

class PlaybackStateMachine : public PlaybackState, public PlaybackStateContext {
 public:
  explicit PlaybackStateMachine(PlaybackStateMachineContext* machineContext);
  ~PlaybackStateMachine() override;

  // What the owner tells the machine.
  void requestPlay(const std::shared_ptr<PlayRequest>& request);
  // A change of the channels being played, made into a request that refers to the
  // last request that is not itself a channel change. Nothing before any play.
  void requestUpdateChannelMask(const BitMask32& mask, bool withAudio);
  void requestStop();
  void connected();
  void playerStopped(int reason);
  // Every frame is handed on to be paced, in whatever state.
  void mediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame, const MediaPosition& atPosition,
                          bool visible);
  void allMediaDispatched();

  bool isPlaying() const;
  bool isStoppedByUser() const;

  // The triggers go to the current state.
  void triggerConnected() override;
  void triggerDisconnected() override;
  void triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) override;
  void triggerStopRequest() override;
  void triggerPlayerStopped(int reason, const std::shared_ptr<PlayRequest>& withLastRequest) override;
  void triggerMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame, const MediaPosition& atPosition,
                                 bool visible, const std::shared_ptr<PlayRequest>& forPlayRequest) override;
  void triggerAllMediaDispatched() override;

  // As the context of its states.
  void transitTo(const std::string& key) override;
  void sendPlayRequest(const std::shared_ptr<PlayRequest>& request) override;
  void sendStopRequest() override;
  void needToBeSureAllMediaDispatched() override;
  void firePlaybackStarted(const std::shared_ptr<PlayRequest>& request,
                           const std::shared_ptr<const MediaFrame>& withFrame, const MediaPosition& atPosition,
                           bool visible) override;
  void firePlaybackStopped(int reason, bool withAllMediaDispatchedNotification) override;

  PlaybackStateMachineContext* machineContext() const { return machineContext_; }
  void setMachineContext(PlaybackStateMachineContext* machineContext) { machineContext_ = machineContext; }
  PlaybackState* currentState() const { return currentState_; }
  const std::string& currentStateKey() const { return currentStateKey_; }
  // The key of the Playing state's sub-state (kept while the machine is elsewhere).
  const std::string& playingSubStateKey() const;
  const std::shared_ptr<PlayRequest>& lastPlayRequest() const { return lastPlayRequest_; }
  void setLastPlayRequest(std::shared_ptr<PlayRequest> request) { lastPlayRequest_ = std::move(request); }

 private:
  PlaybackStateMachineContext* machineContext_;  // not owned
  std::map<std::string, std::unique_ptr<PlaybackState>> stateMap_;
  PlaybackState* currentState_ = nullptr;
  std::string currentStateKey_;
  std::shared_ptr<PlayRequest> lastPlayRequest_;
};

}  // namespace zelvo
