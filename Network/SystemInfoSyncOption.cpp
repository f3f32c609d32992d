#include "Network/SystemInfoSyncOption.h"

#include "Network/Packet.h"
#include "Network/SyncOptionType.h"

namespace zelvo {

SystemInfoSyncOption::SystemInfoSyncOption(Packet& packet, int64_t length) : SyncOption(SyncOptionTypeSystemInfo, length) {
  packet.getBytes(macAddress_.data(), 6);
  int signal = packet.popUint8();
  signalType_ = signal >= 1 && signal <= 3 ? signal : 0;
  videoInCount_ = packet.popUint8();
  audioInCount_ = packet.popUint8();
  audioOutCount_ = packet.popUint8();
  sensorCount_ = packet.popUint8();
  alarmCount_ = packet.popUint8();
  systemDescription_ = packet.popString().value_or(std::string());
}

}  // namespace zelvo
