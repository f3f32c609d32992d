#include "Network/Playback/AllRespondRequestQueue.h"

namespace zelvo {

bool AllRespondRequestQueue::shouldNotifyResponse() const { return queueShouldIgnore().empty() && requestedCount() >= 1; }

}  // namespace zelvo
