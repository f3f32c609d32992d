#include "Network/Playback/LastRespondRequestQueue.h"

namespace zelvo {

bool LastRespondRequestQueue::shouldNotifyResponse() const { return queueShouldIgnore().empty() && requestedCount() == 1; }

}  // namespace zelvo
