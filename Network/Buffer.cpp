#include "Network/Buffer.h"

#include <cstring>
#include <utility>

#include "Foundation/Assert.h"

namespace zelvo {

void Buffer::init(uint8_t* buf, int capacity, int byteOrder) {
  ZELVO_PRECONDITION(buf);
  ZELVO_PRECONDITION(capacity > 0);
  buffer_ = buf;
  capacity_ = capacity;
  position_ = 0;
  limit_ = capacity;
  byteOrder_ = byteOrder;
}

uint8_t* Buffer::get(int length) {
  ZELVO_PRECONDITION(length > 0);
  ZELVO_PRECONDITION(remaining() >= length);
  uint8_t* bytes = buffer_ + position_;
  position_ += length;
  return bytes;
}

uint8_t* Buffer::get(int index, int length) {
  ZELVO_PRECONDITION(index >= 0);
  ZELVO_PRECONDITION(length >= 0);
  ZELVO_PRECONDITION(index <= limit_ - length);
  return buffer_ + index;
}

void Buffer::put(const void* data, int length) {
  put(position_, data, length);
  position_ += length;
}

void Buffer::put(int index, const void* data, int length) {
  ZELVO_PRECONDITION(length > 0);
  ZELVO_PRECONDITION(index >= 0);
  ZELVO_PRECONDITION(index <= limit_ - length);
  std::memmove(buffer_ + index, data, static_cast<size_t>(length));
}

void Buffer::fill(uint8_t value, int length) {
  fill(position_, value, length);
  position_ += length;
}

void Buffer::fill(int index, uint8_t value, int length) {
  ZELVO_PRECONDITION(length > 0);
  ZELVO_PRECONDITION(index >= 0);
  ZELVO_PRECONDITION(index <= limit_ - length);
  std::memset(buffer_ + index, value, static_cast<size_t>(length));
}

void Buffer::seek(int position) {
  ZELVO_PRECONDITION(0 <= position && position <= limit_);
  position_ = position;
}

uint16_t Buffer::getUint16(int index) {
  uint8_t bytes[2];
  std::memcpy(bytes, get(index, 2), 2);
  if (byteOrder_ != HostByteOrder) std::swap(bytes[0], bytes[1]);
  uint16_t value;
  std::memcpy(&value, bytes, 2);
  return value;
}

void Buffer::putUint16(int index, uint16_t value) {
  uint8_t bytes[2];
  std::memcpy(bytes, &value, 2);
  if (byteOrder_ != HostByteOrder) std::swap(bytes[0], bytes[1]);
  put(index, bytes, 2);
}

}  // namespace zelvo
