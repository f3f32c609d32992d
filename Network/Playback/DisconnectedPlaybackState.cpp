#include "Network/Playback/DisconnectedPlaybackState.h"

namespace zelvo {

void DisconnectedPlaybackState::triggerDisconnected() {}

}  // namespace zelvo
