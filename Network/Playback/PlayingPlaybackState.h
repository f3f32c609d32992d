#pragma once
// The recorder is playing a request. Frames go to one of two sub-states, so that
// only the first frame of each playback fires the start report; every way out of
// Playing except a disconnection puts the sub-state back for the next playback.
// It is the context of its sub-states: their state changes stay within its own
// map, everything else goes on to the machine.

#include <map>
#include <memory>
#include <string>

#include "Network/Playback/PlaybackState.h"

namespace zelvo {

class PlayingPlaybackState : public PlaybackState, public PlaybackStateContext {
 public:
  static constexpr char WaitingForMediaFrameStateKey[] = "WaitingForMediaFrameStateKey";
  static constexpr char PlayingStateKey[] = "PlayingStateKey";

  explicit PlayingPlaybackState(PlaybackStateContext* context);
  ~PlayingPlaybackState() override;

  void triggerConnected() override;
  void triggerDisconnected() override;
  void triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) override;
  void triggerStopRequest() override;
  void triggerPlayerStopped(int reason, const std::shared_ptr<PlayRequest>& withLastRequest) override;
  void triggerMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame, const MediaPosition& atPosition,
                                 bool visible, const std::shared_ptr<PlayRequest>& forPlayRequest) override;

  // As the context of the sub-states.
  void transitTo(const std::string& key) override;
  void firePlaybackStarted(const std::shared_ptr<PlayRequest>& request,
                           const std::shared_ptr<const MediaFrame>& withFrame, const MediaPosition& atPosition,
                           bool visible) override;
  void sendPlayRequest(const std::shared_ptr<PlayRequest>& request) override;
  void sendStopRequest() override;
  void needToBeSureAllMediaDispatched() override;
  void firePlaybackStopped(int reason, bool withAllMediaDispatchedNotification) override;

  PlaybackState* current() const { return current_; }
  const std::string& currentKey() const { return currentKey_; }

 private:
  std::map<std::string, std::unique_ptr<PlaybackState>> stateMap_;
  PlaybackState* current_ = nullptr;
  std::string currentKey_;
};

}  // namespace zelvo
