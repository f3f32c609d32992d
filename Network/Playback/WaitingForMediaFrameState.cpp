#include "Network/Playback/WaitingForMediaFrameState.h"

#include "Network/Playback/PlayingPlaybackState.h"

namespace zelvo {

void WaitingForMediaFrameState::triggerConnected() {}
void WaitingForMediaFrameState::triggerDisconnected() {}

void WaitingForMediaFrameState::triggerMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame,
                                                          const MediaPosition& atPosition, bool visible,
                                                          const std::shared_ptr<PlayRequest>& forPlayRequest) {
  context()->transitTo(PlayingPlaybackState::PlayingStateKey);
  context()->firePlaybackStarted(forPlayRequest, frame, atPosition, visible);
}

}  // namespace zelvo
