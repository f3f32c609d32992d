#pragma once
// Sub-state of Playing before the first frame of a playback: that frame fires the
// start report. Connections and disconnections are the Playing state's business.

#include "Network/Playback/PlaybackState.h"

namespace zelvo {

class WaitingForMediaFrameState : public PlaybackState {
 public:
  using PlaybackState::PlaybackState;
  void triggerConnected() override;
  void triggerDisconnected() override;
  void triggerMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame, const MediaPosition& atPosition,
                                 bool visible, const std::shared_ptr<PlayRequest>& forPlayRequest) override;
};

}  // namespace zelvo
