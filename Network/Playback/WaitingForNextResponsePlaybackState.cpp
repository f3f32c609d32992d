#include "Network/Playback/WaitingForNextResponsePlaybackState.h"

namespace zelvo {

// The request is already the machine's last one and will be the one sent.
void WaitingForNextResponsePlaybackState::triggerPlayRequest(const std::shared_ptr<PlayRequest>&) {}

void WaitingForNextResponsePlaybackState::triggerStopRequest() {
  context()->transitTo(PlaybackStateWaitingForStopKey);
}

void WaitingForNextResponsePlaybackState::triggerPlayerStopped(int, const std::shared_ptr<PlayRequest>& withLastRequest) {
  context()->transitTo(PlaybackStatePlayingKey);
  context()->sendPlayRequest(withLastRequest);
}

}  // namespace zelvo
