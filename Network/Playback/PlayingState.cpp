#include "Network/Playback/PlayingState.h"

namespace zelvo {

void PlayingState::triggerConnected() {}
void PlayingState::triggerDisconnected() {}

}  // namespace zelvo
