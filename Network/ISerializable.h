#pragma once
// Records that read themselves from and write themselves to a ByteBuffer at its cursor.

namespace zelvo {

class ByteBuffer;

class ISerializable {
 public:
  virtual ~ISerializable() = default;
  // Throws ReadError when the bytes run out (see ByteBuffer).
  virtual void readFrom(ByteBuffer& buffer) = 0;
  virtual void writeTo(ByteBuffer& buffer) const = 0;
};

}  // namespace zelvo
