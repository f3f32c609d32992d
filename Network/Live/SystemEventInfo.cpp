#include "Network/Live/SystemEventInfo.h"

#include "Network/ByteBuffer.h"

namespace zelvo {

SystemEventInfo::SystemEventInfo(ByteBuffer& buffer) {
  if (buffer.remaining() < Size) throw ReadError("system event record shorter than 8 bytes");
  smartBad_ = buffer.popBool();
  smartTemperature_ = buffer.popBool();
  diskBad_ = buffer.popBool();
  recordBad_ = buffer.popBool();
  recordDiskFull_ = buffer.popBool();
  archiveDiskFull_ = buffer.popBool();
  gravity_ = buffer.popBool();
  fanFailure_ = buffer.popBool();
}

}  // namespace zelvo
