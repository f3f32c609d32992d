#include "Network/Playback/PlaybackState.h"

namespace zelvo {

void PlaybackState::triggerConnected() {
  if (context_) context_->transitTo(PlaybackStateInitialKey);
}

void PlaybackState::triggerDisconnected() {
  if (context_) context_->transitTo(PlaybackStateDisconnectedKey);
}

void PlaybackState::triggerPlayRequest(const std::shared_ptr<PlayRequest>&) {}
void PlaybackState::triggerStopRequest() {}
void PlaybackState::triggerPlayerStopped(int, const std::shared_ptr<PlayRequest>&) {}
void PlaybackState::triggerMediaFrameReceived(const std::shared_ptr<const MediaFrame>&, const MediaPosition&, bool,
                                              const std::shared_ptr<PlayRequest>&) {}
void PlaybackState::triggerAllMediaDispatched() {}

}  // namespace zelvo
