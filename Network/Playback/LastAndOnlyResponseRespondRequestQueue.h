#pragma once
// Passes on the answer to the only outstanding request, and an answer nobody asked
// for: nothing to ignore and at most one request outstanding (connections).

#include "Network/Playback/RequestQueue.h"

namespace zelvo {

class LastAndOnlyResponseRespondRequestQueue : public RequestQueue {
 public:
  bool shouldNotifyResponse() const override;
};

}  // namespace zelvo
