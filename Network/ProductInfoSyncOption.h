#pragma once
// Option 2: what the recorder is.

#include <cstdint>
#include <string>

#include "Network/SyncOption.h"

namespace zelvo {

class ProductInfoSyncOption : public SyncOption {
 public:
  // Throws ReadError when the fields run past the packet.
  ProductInfoSyncOption(Packet& packet, int64_t length);

  int productType() const { return productType_; }       // 1 to 5, else 0
  uint32_t productCode() const { return productCode_; }  // 1 to 1016, else 0
  const std::string& productName() const { return productName_; }
  const std::string& productVersion() const { return productVersion_; }

 private:
  int productType_ = 0;
  uint32_t productCode_ = 0;
  std::string productName_;
  std::string productVersion_;
};

}  // namespace zelvo
