#pragma once
// The size of a recorder's setup screen and where its dialog sits on it: six i32
// on the wire (screen width and height, dialog x, y, width and height).

#include <QRectF>
#include <QSizeF>

namespace zelvo {

class ByteBuffer;

struct OSDSizeInfo {
  static constexpr int64_t Size = 24;

  QSizeF screenSize;
  QRectF dialogRect;

  OSDSizeInfo() = default;
  // Reads the 24 bytes at the cursor; fewer remaining throws ReadError with the
  // cursor unmoved.
  explicit OSDSizeInfo(ByteBuffer& buffer);
};

}  // namespace zelvo
