#include "Network/Setup/OSDSizeInfo.h"

#include "Network/ByteBuffer.h"

namespace zelvo {

OSDSizeInfo::OSDSizeInfo(ByteBuffer& buffer) {
  if (buffer.remaining() < Size) throw ReadError("OSD size shorter than 24 bytes");
  int32_t screenWidth = buffer.popInt32();
  int32_t screenHeight = buffer.popInt32();
  int32_t x = buffer.popInt32();
  int32_t y = buffer.popInt32();
  int32_t width = buffer.popInt32();
  int32_t height = buffer.popInt32();
  screenSize = QSizeF(screenWidth, screenHeight);
  dialogRect = QRectF(x, y, width, height);
}

}  // namespace zelvo
