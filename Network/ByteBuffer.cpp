#include "Network/ByteBuffer.h"

#include <cstring>

#include "Foundation/Assert.h"
#include "Foundation/Utf8.h"
#include "Network/ISerializable.h"

namespace zelvo {

ByteBuffer::ByteBuffer(uint8_t* bytes, int64_t length, int64_t byteOrder) { wrapBytes(bytes, length, byteOrder); }

void ByteBuffer::wrapBytes(uint8_t* bytes, int64_t length, int64_t byteOrder) {
  base_ = bytes;
  limit_ = length;
  position_ = 0;
  byteOrder_ = byteOrder;
}

void ByteBuffer::checkRead(int64_t index, int64_t length) const {
  if (index < 0 || length < 0 || index > limit_ || length > limit_ - index)
    throw ReadError("read of " + std::to_string(length) + " bytes at " + std::to_string(index) +
                    " passes the limit " + std::to_string(limit_));
}

uint64_t ByteBuffer::readUnsigned(int64_t index, int width) const {
  checkRead(index, width);
  const uint8_t* p = base_ + index;
  uint64_t value = 0;
  if (byteOrder_ == HostByteOrder) {
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | p[i];
  } else {
    for (int i = 0; i < width; ++i) value = (value << 8) | p[i];
  }
  return value;
}

void ByteBuffer::writeUnsigned(uint64_t value, int64_t at, int width) {
  uint8_t bytes[8];
  for (int i = 0; i < width; ++i) {
    int shift = byteOrder_ == HostByteOrder ? 8 * i : 8 * (width - 1 - i);
    bytes[i] = static_cast<uint8_t>(value >> shift);
  }
  pushBytes(bytes, width, at);
}

uint8_t ByteBuffer::popUint8() {
  uint8_t value = popUint8At(position_);
  position_ += 1;
  return value;
}
uint16_t ByteBuffer::popUint16() {
  uint16_t value = popUint16At(position_);
  position_ += 2;
  return value;
}
uint32_t ByteBuffer::popUint32() {
  uint32_t value = popUint32At(position_);
  position_ += 4;
  return value;
}
uint64_t ByteBuffer::popUint64() {
  uint64_t value = popUint64At(position_);
  position_ += 8;
  return value;
}

uint8_t ByteBuffer::popUint8At(int64_t index) const { return static_cast<uint8_t>(readUnsigned(index, 1)); }
uint16_t ByteBuffer::popUint16At(int64_t index) const { return static_cast<uint16_t>(readUnsigned(index, 2)); }
uint32_t ByteBuffer::popUint32At(int64_t index) const { return static_cast<uint32_t>(readUnsigned(index, 4)); }
uint64_t ByteBuffer::popUint64At(int64_t index) const { return readUnsigned(index, 8); }

void ByteBuffer::pushUint8(uint8_t value) {
  pushUint8(value, position_);
  position_ += 1;
}
void ByteBuffer::pushUint16(uint16_t value) {
  pushUint16(value, position_);
  position_ += 2;
}
void ByteBuffer::pushUint32(uint32_t value) {
  pushUint32(value, position_);
  position_ += 4;
}
void ByteBuffer::pushUint64(uint64_t value) {
  pushUint64(value, position_);
  position_ += 8;
}

void ByteBuffer::pushUint8(uint8_t value, int64_t at) { writeUnsigned(value, at, 1); }
void ByteBuffer::pushUint16(uint16_t value, int64_t at) { writeUnsigned(value, at, 2); }
void ByteBuffer::pushUint32(uint32_t value, int64_t at) { writeUnsigned(value, at, 4); }
void ByteBuffer::pushUint64(uint64_t value, int64_t at) { writeUnsigned(value, at, 8); }

const uint8_t* ByteBuffer::popBytes(int64_t length) {
  const uint8_t* bytes = popBytes(length, position_);
  position_ += length;
  return bytes;
}

const uint8_t* ByteBuffer::popBytes(int64_t length, int64_t at) const {
  checkRead(at, length);
  return base_ + at;
}

void ByteBuffer::getBytes(void* destination, int64_t length) {
  getBytes(destination, length, position_);
  position_ += length;
}

void ByteBuffer::getBytes(void* destination, int64_t length, int64_t at) const {
  checkRead(at, length);
  if (length > 0) std::memcpy(destination, base_ + at, static_cast<size_t>(length));
}

void ByteBuffer::pushBytes(const void* source, int64_t length) {
  pushBytes(source, length, position_);
  position_ += length;
}

void ByteBuffer::pushBytes(const void* source, int64_t length, int64_t index) {
  const int64_t limit = limit_;
  ZELVO_PRECONDITION(index >= 0 && length >= 0);
  ZELVO_PRECONDITION(index + length <= limit);
  if (length > 0) std::memcpy(base_ + index, source, static_cast<size_t>(length));
}

void ByteBuffer::fillByte(uint8_t byte, int64_t length) {
  fillByte(byte, length, position_);
  position_ += length;
}

void ByteBuffer::fillByte(uint8_t byte, int64_t length, int64_t index) {
  const int64_t limit = limit_;
  ZELVO_PRECONDITION(index >= 0 && length >= 0);
  ZELVO_PRECONDITION(index + length <= limit);
  if (length > 0) std::memset(base_ + index, byte, static_cast<size_t>(length));
}

void ByteBuffer::pushString(std::string_view text) {
  pushString(text, position_);
  position_ += 2 + static_cast<int64_t>(text.size()) + 1;
}

void ByteBuffer::pushString(std::string_view text, int64_t at) {
  ZELVO_PRECONDITION(text.size() <= 0xFFFF);
  pushUint16(static_cast<uint16_t>(text.size()), at);
  // One write for the text and its terminator, so a growing packet grows once.
  std::string terminated(text);
  terminated.push_back('\0');
  pushBytes(terminated.data(), static_cast<int64_t>(terminated.size()), at + 2);
}

std::optional<std::string> ByteBuffer::readStringAt(int64_t textIndex, int64_t* consumed) const {
  checkRead(textIndex, 0);
  const uint8_t* start = base_ + textIndex;
  const void* zero = std::memchr(start, 0, static_cast<size_t>(limit_ - textIndex));
  if (!zero) throw ReadError("string without its terminator before the limit");
  auto length = static_cast<int64_t>(static_cast<const uint8_t*>(zero) - start);
  *consumed = length + 1;
  if (!isValidUtf8(start, static_cast<size_t>(length))) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(start), static_cast<size_t>(length));
}

std::optional<std::string> ByteBuffer::popString() {
  checkRead(position_, 2);  // the length field, read and ignored
  int64_t consumed = 0;
  std::optional<std::string> text = readStringAt(position_ + 2, &consumed);
  position_ += 2 + consumed;
  return text;
}

std::optional<std::string> ByteBuffer::popStringAt(int64_t index) const {
  checkRead(index, 2);
  int64_t consumed = 0;
  return readStringAt(index + 2, &consumed);
}

std::string ByteBuffer::popStringFixedSize(int64_t size) {
  const uint8_t* field = popBytes(size, position_);
  position_ += size;
  const void* zero = std::memchr(field, 0, static_cast<size_t>(size));
  size_t textLength = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - field) : static_cast<size_t>(size);
  std::string_view text(reinterpret_cast<const char*>(field), textLength);
  // The longest prefix that decodes is the text up to its first broken sequence.
  return std::string(text.substr(0, utf8PrefixLength(text, textLength)));
}

std::optional<std::string> ByteBuffer::popStringFixedSize(int64_t size, int64_t at) const {
  const uint8_t* field = popBytes(size, at);
  const void* zero = std::memchr(field, 0, static_cast<size_t>(size));
  size_t textLength = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - field) : static_cast<size_t>(size);
  if (!isValidUtf8(field, textLength)) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(field), textLength);
}

void ByteBuffer::popObject(ISerializable& object) { object.readFrom(*this); }

void ByteBuffer::pushObject(const ISerializable& object) { object.writeTo(*this); }

}  // namespace zelvo
