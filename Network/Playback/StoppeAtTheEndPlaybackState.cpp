#include "Network/Playback/StoppeAtTheEndPlaybackState.h"

namespace zelvo {

void StoppeAtTheEndPlaybackState::triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) {
  context()->transitTo(PlaybackStatePlayingKey);
  context()->needToBeSureAllMediaDispatched();
  context()->sendStopRequest();
  context()->sendPlayRequest(request);
}

void StoppeAtTheEndPlaybackState::triggerStopRequest() {
  context()->needToBeSureAllMediaDispatched();
  context()->transitTo(PlaybackStateStoppedByUserKey);
  context()->sendStopRequest();
}

void StoppeAtTheEndPlaybackState::triggerAllMediaDispatched() {
  context()->transitTo(PlaybackStateStoppedByUserKey);
  context()->sendStopRequest();
}

}  // namespace zelvo
