#include "Network/Playback/InitialPlaybackState.h"

namespace zelvo {

void InitialPlaybackState::triggerPlayRequest(const std::shared_ptr<PlayRequest>& request) {
  context()->transitTo(PlaybackStatePlayingKey);
  context()->sendPlayRequest(request);
}

}  // namespace zelvo
