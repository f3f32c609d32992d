#pragma once
// Option 3: the company the recorder is branded for.

#include <cstdint>
#include <string>

#include "Network/SyncOption.h"

namespace zelvo {

class OEMSyncOption : public SyncOption {
 public:
  // Throws ReadError when the fields run past the packet.
  OEMSyncOption(Packet& packet, int64_t length);

  uint32_t type() const { return type_; }  // 1, else 0
  const std::string& company() const { return company_; }

 private:
  uint32_t type_ = 0;
  std::string company_;
};

}  // namespace zelvo
