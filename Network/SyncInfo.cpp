#include "Network/SyncInfo.h"

#include <cstring>

#include "Foundation/Assert.h"
#include "Network/EncryptionKeySyncOption.h"
#include "Network/HTTPStreamingSyncOption.h"
#include "Network/MobileStreamingSyncOption.h"
#include "Network/OEMSyncOption.h"
#include "Network/Packet.h"
#include "Network/ProductInfoSyncOption.h"
#include "Network/ProfileListSyncOption.h"
#include "Network/SystemInfoSyncOption.h"
#include "Network/SyncOptionType.h"

namespace zelvo {

std::shared_ptr<const SyncInfo> SyncInfo::create(Packet& packet) {
  ZELVO_PRECONDITION(packet.messageType() == MessageTypeSync);
  if (packet.payloadSize() <= 7 || packet.limit() < Packet::HeaderSize + 8) return nullptr;
  std::shared_ptr<SyncInfo> info(new SyncInfo);
  packet.seekToPayload();
  char name[4];
  packet.getBytes(name, 4);
  info->protocolName_.assign(name, 4);
  info->protocolVersion_ = packet.popUint8();
  info->backwardCompatible_ = packet.popUint8() != 0;
  info->currentEndian_ = packet.popUint8();
  info->supportingEndian_ = packet.popUint8();
  if (packet.hasRemaining()) info->readOptions(packet);
  return info;
}

void SyncInfo::readOptions(Packet& packet) {
  while (packet.hasRemaining()) {
    int type = packet.popUint8();
    if (type < 1 || type > 14) type = 0;
    // A stray final byte (type 0 with no room for a length) ends the list cleanly.
    if (type == 0 && packet.remaining() < 2) break;
    const int64_t length = packet.popUint16();
    std::shared_ptr<const SyncOption> option;
    switch (type) {
      case SyncOptionTypeProfileList: option = std::make_shared<ProfileListSyncOption>(packet, length); break;
      case SyncOptionTypeProductInfo: option = std::make_shared<ProductInfoSyncOption>(packet, length); break;
      case SyncOptionTypeOEM: option = std::make_shared<OEMSyncOption>(packet, length); break;
      case SyncOptionTypeEncryptionKey: option = std::make_shared<EncryptionKeySyncOption>(packet, length); break;
      case SyncOptionTypeSystemInfo: option = std::make_shared<SystemInfoSyncOption>(packet, length); break;
      case SyncOptionTypeHTTPStreaming: option = std::make_shared<HTTPStreamingSyncOption>(packet); break;
      case SyncOptionTypeMobileStreaming: option = std::make_shared<MobileStreamingSyncOption>(packet); break;
      default:
        if (length > packet.remaining())
          throw ReadError("sync option " + std::to_string(type) + " of " + std::to_string(length) +
                          " bytes runs past the reply");
        packet.skip(length);
        continue;
    }
    syncOptions_[type] = std::move(option);  // a later option of a type replaces the earlier one
  }
}

bool SyncInfo::isCompatibleProtocol() const {
  return protocolName_ == ProtocolSignature && (protocolVersion_ != 0 || backwardCompatible_);
}

std::shared_ptr<const SyncOption> SyncInfo::syncOptionByType(int type) const {
  auto it = syncOptions_.find(type);
  return it == syncOptions_.end() ? nullptr : it->second;
}

uint32_t SyncInfo::encryptionKey() const {
  auto option = syncOption<EncryptionKeySyncOption>(SyncOptionTypeEncryptionKey);
  if (!option) return 0;
  uint32_t key;
  std::memcpy(&key, option->key().data(), 4);
  return key;
}

}  // namespace zelvo
