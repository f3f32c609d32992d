#include "Network/EncryptionKeySyncOption.h"

#include "Network/Packet.h"

namespace zelvo {

EncryptionKeySyncOption::EncryptionKeySyncOption(Packet& packet, int64_t length) : SyncOption(4, length) {
  packet.getBytes(key_.data(), 4);
}

}  // namespace zelvo
