#pragma once
// A pause has been sent for the user's stop and the recorder has not confirmed it.
// A play request now waits for the confirmation (the machine keeps it as the last).

#include "Network/Playback/PlaybackState.h"

namespace zelvo {

class WaitingForStopPlaybackState : public PlaybackState {
 public:
  using PlaybackState::PlaybackState;
  void triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) override;
  void triggerStopRequest() override;
  void triggerPlayerStopped(int reason, const std::shared_ptr<PlayRequest>& withLastRequest) override;
};

}  // namespace zelvo
