#include "Network/Playback/WireCount.h"

#include <string>

#include "Network/ByteBuffer.h"

namespace zelvo {

int32_t checkedWireCount(const ByteBuffer& buffer, int64_t countOffset, int64_t headerSize, int64_t elementSize,
                         const char* what) {
  if (buffer.remaining() < headerSize)
    throw ReadError(std::string(what) + ": header runs past the end of the message");
  int32_t count = buffer.popInt32At(buffer.position() + countOffset);
  if (count <= 0) return 0;
  int64_t available = buffer.remaining() - headerSize;
  if (int64_t{count} > available / elementSize)
    throw ReadError(std::string(what) + ": " + std::to_string(count) + " elements announced, room for " +
                    std::to_string(available / elementSize));
  return count;
}

}  // namespace zelvo
