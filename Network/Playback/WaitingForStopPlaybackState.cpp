#include "Network/Playback/WaitingForStopPlaybackState.h"

namespace zelvo {

// The request is sent when the stop is confirmed: it is the machine's last request.
void WaitingForStopPlaybackState::triggerPlayRequest(const std::shared_ptr<PlayRequest>&) {
  context()->transitTo(PlaybackStateWaitingForNextResponseKey);
}

void WaitingForStopPlaybackState::triggerStopRequest() {}

void WaitingForStopPlaybackState::triggerPlayerStopped(int reason, const std::shared_ptr<PlayRequest>&) {
  context()->transitTo(PlaybackStateStoppedByUserKey);
  context()->firePlaybackStopped(reason, false);
}

}  // namespace zelvo
