#pragma once
// Literal big-endian bytes for the live record tests, and a reader over them.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "Network/ByteBuffer.h"

namespace zelvo::test {

using Bytes = std::vector<uint8_t>;

class BytesBuilder {
 public:
  BytesBuilder& u8(uint32_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  BytesBuilder& u16(uint32_t v) { return u8(v >> 8).u8(v); }
  BytesBuilder& u32(uint32_t v) { return u16(v >> 16).u16(v); }
  // A fixed-size text field: the bytes, zero-filled (or cut) to size.
  BytesBuilder& field(std::string_view text, size_t size) {
    for (size_t i = 0; i < size; ++i) u8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    return *this;
  }
  BytesBuilder& raw(const Bytes& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
    return *this;
  }
  Bytes bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// Owns a copy of the bytes and a big-endian buffer over them, cursor at 0.
class Reader {
 public:
  explicit Reader(Bytes bytes) : bytes_(std::move(bytes)) {
    // A zero-length block still needs an address.
    if (bytes_.empty()) bytes_.reserve(1);
    buffer_.wrapBytes(bytes_.data(), static_cast<int64_t>(bytes_.size()), ByteBuffer::BigEndianByteOrder);
  }
  ByteBuffer& buffer() { return buffer_; }

 private:
  Bytes bytes_;
  ByteBuffer buffer_;
};

}  // namespace zelvo::test
