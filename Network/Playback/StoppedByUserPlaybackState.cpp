#include "Network/Playback/StoppedByUserPlaybackState.h"

namespace zelvo {

void StoppedByUserPlaybackState::triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) {
  context()->transitTo(PlaybackStatePlayingKey);
  context()->sendPlayRequest(request);
}

void StoppedByUserPlaybackState::triggerStopRequest() { context()->firePlaybackStopped(AlreadyStoppedReason, false); }

}  // namespace zelvo
