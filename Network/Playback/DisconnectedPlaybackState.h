#pragma once
// No logged-in connection: requests are only remembered (by the machine) until the
// next login moves to Initial.

#include "Network/Playback/PlaybackState.h"

namespace zelvo {

class DisconnectedPlaybackState : public PlaybackState {
 public:
  using PlaybackState::PlaybackState;
  void triggerDisconnected() override;
};

}  // namespace zelvo
