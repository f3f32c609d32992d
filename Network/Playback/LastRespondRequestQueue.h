#pragma once
// Passes on only the answer to the latest request: nothing to ignore and exactly
// one request outstanding (the time-slice lists of a day).

#include "Network/Playback/RequestQueue.h"

namespace zelvo {

class LastRespondRequestQueue : public RequestQueue {
 public:
  bool shouldNotifyResponse() const override;
};

}  // namespace zelvo
