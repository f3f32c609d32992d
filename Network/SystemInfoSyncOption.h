#pragma once
// Option 5: the recorder's hardware and its channel counts.

#include <array>
#include <cstdint>
#include <string>

#include "Network/SyncOption.h"

namespace zelvo {

class SystemInfoSyncOption : public SyncOption {
 public:
  // Throws ReadError when the fields run past the packet.
  SystemInfoSyncOption(Packet& packet, int64_t length);

  const std::array<uint8_t, 6>& macAddress() const { return macAddress_; }
  int signalType() const { return signalType_; }  // 1 to 3, else 0
  int videoInCount() const { return videoInCount_; }
  int audioInCount() const { return audioInCount_; }
  int audioOutCount() const { return audioOutCount_; }
  int sensorCount() const { return sensorCount_; }
  int alarmCount() const { return alarmCount_; }
  const std::string& systemDescription() const { return systemDescription_; }

 private:
  std::array<uint8_t, 6> macAddress_{};
  int signalType_ = 0;
  int videoInCount_ = 0;
  int audioInCount_ = 0;
  int audioOutCount_ = 0;
  int sensorCount_ = 0;
  int alarmCount_ = 0;
  std::string systemDescription_;
};

}  // namespace zelvo
