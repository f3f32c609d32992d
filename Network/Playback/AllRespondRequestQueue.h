#pragma once
// Passes on every answer to a live request: nothing to ignore and at least one
// request outstanding (the pages of an event list).

#include "Network/Playback/RequestQueue.h"

namespace zelvo {

class AllRespondRequestQueue : public RequestQueue {
 public:
  bool shouldNotifyResponse() const override;
};

}  // namespace zelvo
