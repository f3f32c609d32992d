#pragma once
// A cursor over a byte block that it does not own, with its own byte-order rule:
// byteOrder 2 is host order and any other value byte-reversed (the opposite of
// ByteBuffer's numbering). Every index and length must lie inside the limit: the
// operations check this as preconditions, so bytes from the wire are validated
// before they reach a Buffer.

#include <cstdint>

namespace zelvo {

class Buffer {
 public:
  static constexpr int HostByteOrder = 2;
  static constexpr int ReversedByteOrder = 1;

  Buffer() = default;
  virtual ~Buffer() = default;
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;

  // position 0, limit = capacity.
  virtual void init(uint8_t* buf, int capacity, int byteOrder);
  // The bytes at the position, which then moves past them.
  virtual uint8_t* get(int length);
  virtual uint8_t* get(int index, int length);
  virtual void put(const void* data, int length);
  virtual void put(int index, const void* data, int length);
  virtual void fill(uint8_t value, int length);
  virtual void fill(int index, uint8_t value, int length);

  void seek(int position);
  int remaining() const { return limit_ - position_; }

  // u16 values in this buffer's byte order.
  uint16_t getUint16(int index);
  void putUint16(int index, uint16_t value);

  int capacity() const { return capacity_; }
  int position() const { return position_; }
  int limit() const { return limit_; }
  int byteOrder() const { return byteOrder_; }

 protected:
  void setByteOrder(int byteOrder) { byteOrder_ = byteOrder; }
  uint8_t* bytes() const { return buffer_; }

 private:
  uint8_t* buffer_ = nullptr;
  int capacity_ = 0;
  int position_ = 0;
  int limit_ = 0;
  int byteOrder_ = HostByteOrder;
};

}  // namespace zelvo
