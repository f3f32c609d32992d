#pragma once
// Option 14: the recorder's mobile streaming service.

#include <cstdint>

#include "Network/SyncOption.h"

namespace zelvo {

class MobileStreamingSyncOption : public SyncOption {
 public:
  // Throws ReadError when fewer than 2 bytes remain.
  explicit MobileStreamingSyncOption(Packet& packet);

  uint16_t version() const { return version_; }

 private:
  uint16_t version_ = 0;
};

}  // namespace zelvo
