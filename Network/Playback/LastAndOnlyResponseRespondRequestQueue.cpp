#include "Network/Playback/LastAndOnlyResponseRespondRequestQueue.h"

namespace zelvo {

bool LastAndOnlyResponseRespondRequestQueue::shouldNotifyResponse() const { return queueShouldIgnore().empty() && requestedCount() <= 1; }

}  // namespace zelvo
