#pragma once
// A cursor over a byte block: typed reads and writes of integers of every width,
// booleans, byte runs, strings and serialisable records, in a selectable byte order.
// Not safe for concurrent use: a buffer has one user at a time.
//
// Reads are bounded by the limit. A read that would pass it throws ReadError and
// leaves the cursor where it was: the handler of that one message catches it and
// drops the message (or, before login, finds the reply unusable). Writes past the
// limit of a plain ByteBuffer are a precondition failure; a Packet grows instead.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zelvo {

class ISerializable;

// A read ran past the limit of the received bytes.
class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteBuffer {
 public:
  // byteOrder 1: multi-byte values in host order (little-endian here); any other
  // value (2 by convention): byte-reversed, big-endian.
  static constexpr int64_t HostByteOrder = 1;
  static constexpr int64_t BigEndianByteOrder = 2;

  ByteBuffer() = default;
  ByteBuffer(uint8_t* bytes, int64_t length, int64_t byteOrder = HostByteOrder);
  virtual ~ByteBuffer() = default;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  void wrapBytes(uint8_t* bytes, int64_t length, int64_t byteOrder = HostByteOrder);

  // Cursor
  uint8_t* buffer() const { return base_ + position_; }  // the byte at the cursor
  uint8_t* bufferAt(int64_t index) const { return base_ + index; }
  void seek(int64_t position) { position_ = position; }
  void skip(int64_t count) { position_ += count; }
  void flip() {
    limit_ = position_;
    position_ = 0;
  }
  int64_t remaining() const { return limit_ - position_; }
  bool hasRemaining() const { return remaining() > 0; }
  void reset() { resetWithLimit(limit_); }
  void resetWithLimit(int64_t limit) {
    position_ = 0;
    limit_ = limit;
  }
  int64_t limit() const { return limit_; }
  int64_t position() const { return position_; }
  int64_t byteOrder() const { return byteOrder_; }

  // Reads at the cursor, advancing it.
  int8_t popInt8() { return static_cast<int8_t>(popUint8()); }
  int16_t popInt16() { return static_cast<int16_t>(popUint16()); }
  int32_t popInt32() { return static_cast<int32_t>(popUint32()); }
  int64_t popInt64() { return static_cast<int64_t>(popUint64()); }
  uint8_t popUint8();
  uint16_t popUint16();
  uint32_t popUint32();
  uint64_t popUint64();

  // Reads at an index; the cursor stays.
  int8_t popInt8At(int64_t index) const { return static_cast<int8_t>(popUint8At(index)); }
  int16_t popInt16At(int64_t index) const { return static_cast<int16_t>(popUint16At(index)); }
  int32_t popInt32At(int64_t index) const { return static_cast<int32_t>(popUint32At(index)); }
  int64_t popInt64At(int64_t index) const { return static_cast<int64_t>(popUint64At(index)); }
  uint8_t popUint8At(int64_t index) const;
  uint16_t popUint16At(int64_t index) const;
  uint32_t popUint32At(int64_t index) const;
  uint64_t popUint64At(int64_t index) const;

  // Writes at the cursor, advancing it.
  void pushInt8(int8_t value) { pushUint8(static_cast<uint8_t>(value)); }
  void pushInt16(int16_t value) { pushUint16(static_cast<uint16_t>(value)); }
  void pushInt32(int32_t value) { pushUint32(static_cast<uint32_t>(value)); }
  void pushInt64(int64_t value) { pushUint64(static_cast<uint64_t>(value)); }
  void pushUint8(uint8_t value);
  void pushUint16(uint16_t value);
  void pushUint32(uint32_t value);
  void pushUint64(uint64_t value);

  // Writes at an index; the cursor stays.
  void pushInt8(int8_t value, int64_t at) { pushUint8(static_cast<uint8_t>(value), at); }
  void pushInt16(int16_t value, int64_t at) { pushUint16(static_cast<uint16_t>(value), at); }
  void pushInt32(int32_t value, int64_t at) { pushUint32(static_cast<uint32_t>(value), at); }
  void pushInt64(int64_t value, int64_t at) { pushUint64(static_cast<uint64_t>(value), at); }
  void pushUint8(uint8_t value, int64_t at);
  void pushUint16(uint16_t value, int64_t at);
  void pushUint32(uint32_t value, int64_t at);
  void pushUint64(uint64_t value, int64_t at);

  // Bytes. popBytes returns a pointer into the block (valid until the block grows).
  const uint8_t* popBytes(int64_t length);
  const uint8_t* popBytes(int64_t length, int64_t at) const;
  void getBytes(void* destination, int64_t length);
  void getBytes(void* destination, int64_t length, int64_t at) const;
  void pushBytes(const void* source, int64_t length);
  virtual void pushBytes(const void* source, int64_t length, int64_t at);
  void fillByte(uint8_t byte, int64_t length);
  void fillByte(uint8_t byte, int64_t length, int64_t at);

  // Booleans: one byte, written 1 or 0, read as true for any non-zero byte.
  bool popBool() { return popUint8() != 0; }
  bool popBoolAt(int64_t index) const { return popUint8At(index) != 0; }
  void pushBool(bool value) { pushUint8(value ? 1 : 0); }
  void pushBool(bool value, int64_t at) { pushUint8(value ? 1 : 0, at); }

  // Strings: u16 byte count, the UTF-8 bytes, a 0 byte. Text of 65536 bytes or
  // more cannot be written (precondition).
  void pushString(std::string_view text);
  void pushString(std::string_view text, int64_t at);
  // Ignores the length field and reads up to the 0 byte, advancing past it.
  // Text that is not valid UTF-8 yields no string; the cursor still advances.
  std::optional<std::string> popString();
  std::optional<std::string> popStringAt(int64_t index) const;
  // A fixed-size text field of n bytes: the longest valid UTF-8 prefix of the text
  // before its first 0 byte; always a string, and the cursor always advances by n.
  std::string popStringFixedSize(int64_t size);
  // Decodes the field once: invalid UTF-8 yields no string.
  std::optional<std::string> popStringFixedSize(int64_t size, int64_t at) const;

  // Records
  void popObject(ISerializable& object);
  void pushObject(const ISerializable& object);

 protected:
  // Throws ReadError unless [index, index + length) lies inside [0, limit).
  void checkRead(int64_t index, int64_t length) const;
  void setBase(uint8_t* base) { base_ = base; }
  void setLimit(int64_t limit) { limit_ = limit; }
  uint8_t* base() const { return base_; }

 private:
  uint64_t readUnsigned(int64_t index, int width) const;
  void writeUnsigned(uint64_t value, int64_t at, int width);
  std::optional<std::string> readStringAt(int64_t textIndex, int64_t* consumed) const;

  uint8_t* base_ = nullptr;
  int64_t limit_ = 0;
  int64_t position_ = 0;
  int64_t byteOrder_ = HostByteOrder;
};

}  // namespace zelvo
