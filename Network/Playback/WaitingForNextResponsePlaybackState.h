#pragma once
// A pause has been sent so that a new request can follow; when the recorder
// confirms it, the newest request is sent (several in between collapse into it).

#include "Network/Playback/PlaybackState.h"

namespace zelvo {

class WaitingForNextResponsePlaybackState : public PlaybackState {
 public:
  using PlaybackState::PlaybackState;
  void triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) override;
  void triggerStopRequest() override;
  void triggerPlayerStopped(int reason, const std::shared_ptr<PlayRequest>& withLastRequest) override;
};

}  // namespace zelvo
