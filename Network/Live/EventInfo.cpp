#include "Network/Live/EventInfo.h"

#include "Network/ByteBuffer.h"

namespace zelvo {

EventInfo::EventInfo(ByteBuffer& buffer, int32_t type) : type_(type) {
  if (buffer.remaining() < Size) throw ReadError("event record shorter than 8 bytes");
  cameraCount_ = buffer.popUint8();
  buffer.skip(3);
  mask_ = buffer.popUint32();
}

bool EventInfo::on(int64_t index) const {
  if (index < 0 || index >= cameraCount_ || index >= 32) return false;
  return (mask_ >> index) & 1u;
}

}  // namespace zelvo
