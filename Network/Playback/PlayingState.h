#pragma once
// Sub-state of Playing once the first frame has been reported: frames change nothing.

#include "Network/Playback/PlaybackState.h"

namespace zelvo {

class PlayingState : public PlaybackState {
 public:
  using PlaybackState::PlaybackState;
  void triggerConnected() override;
  void triggerDisconnected() override;
};

}  // namespace zelvo
