#pragma once
// The recorder has confirmed a stop the user asked for: a play request is sent at
// once; another stop only repeats the stop report (reason 1).

#include "Network/Playback/PlaybackState.h"

namespace zelvo {

class StoppedByUserPlaybackState : public PlaybackState {
 public:
  // The reason reported for a stop asked for while already stopped by the user.
  static constexpr int AlreadyStoppedReason = 1;

  using PlaybackState::PlaybackState;
  void triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) override;
  void triggerStopRequest() override;
};

}  // namespace zelvo
