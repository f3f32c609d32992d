#pragma once
// The recorder stopped by itself (end of the recording) while frames may still be
// on their way to the screen. Once they are all shown, or on the user's stop, a
// pause settles the recorder and the machine counts as stopped by the user.

#include "Network/Playback/PlaybackState.h"

namespace zelvo {

class StoppeAtTheEndPlaybackState : public PlaybackState {
 public:
  using PlaybackState::PlaybackState;
  void triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) override;
  void triggerStopRequest() override;
  void triggerAllMediaDispatched() override;
};

}  // namespace zelvo
