#pragma once
// Option 11: the recorder's HTTP streaming service.

#include <cstdint>

#include "Network/SyncOption.h"

namespace zelvo {

class HTTPStreamingSyncOption : public SyncOption {
 public:
  // Throws ReadError when fewer than 4 bytes remain.
  explicit HTTPStreamingSyncOption(Packet& packet);

  uint16_t version() const { return version_; }
  uint16_t portNumber() const { return portNumber_; }

 private:
  uint16_t version_ = 0;
  uint16_t portNumber_ = 0;
};

}  // namespace zelvo
