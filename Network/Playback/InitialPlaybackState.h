#pragma once
// Logged in, nothing played yet: a play request is sent at once.

#include "Network/Playback/PlaybackState.h"

namespace zelvo {

class InitialPlaybackState : public PlaybackState {
 public:
  using PlaybackState::PlaybackState;
  void triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) override;
};

}  // namespace zelvo
