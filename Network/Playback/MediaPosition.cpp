#include "Network/Playback/MediaPosition.h"

#include <cstdio>

#include "Network/ByteBuffer.h"

namespace zelvo {

void MediaPosition::readFrom(ByteBuffer& buffer) {
  if (buffer.remaining() < WireSize)
    throw ReadError("media position needs " + std::to_string(WireSize) + " bytes, " +
                    std::to_string(buffer.remaining()) + " remain");
  storageID_ = buffer.popUint32();
  pageNumber_ = buffer.popUint32();
  pageOffset_ = buffer.popUint32();
}

void MediaPosition::writeTo(ByteBuffer& buffer) const {
  buffer.pushUint32(storageID_);
  buffer.pushUint32(pageNumber_);
  buffer.pushUint32(pageOffset_);
}

std::string MediaPosition::description() const {
  char text[48];
  std::snprintf(text, sizeof text, "(%u, %u, %u)", storageID_, pageNumber_, pageOffset_);
  return text;
}

}  // namespace zelvo
