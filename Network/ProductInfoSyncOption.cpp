#include "Network/ProductInfoSyncOption.h"

#include "Network/Packet.h"

namespace zelvo {

ProductInfoSyncOption::ProductInfoSyncOption(Packet& packet, int64_t length) : SyncOption(2, length) {
  int type = packet.popUint8();
  productType_ = type >= 1 && type <= 5 ? type : 0;
  uint32_t code = packet.popUint32();
  productCode_ = code >= 1 && code <= 1016 ? code : 0;
  productName_ = packet.popString().value_or(std::string());
  productVersion_ = packet.popString().value_or(std::string());
}

}  // namespace zelvo
