#include "Network/OEMSyncOption.h"

#include "Network/Packet.h"

namespace zelvo {

OEMSyncOption::OEMSyncOption(Packet& packet, int64_t length) : SyncOption(3, length) {
  type_ = packet.popUint32() == 1 ? 1 : 0;
  company_ = packet.popString().value_or(std::string());
}

}  // namespace zelvo
