#pragma once
// The emulator's own encoder: big-endian integers, byte runs and protocol strings,
// and the 8-byte message header. Deliberately independent of the client's Packet,
// so that what the emulator sends is a check on the client, not a copy of it.

#include <cstdint>
#include <string_view>
#include <vector>

namespace zelvo::emulator {

using Bytes = std::vector<uint8_t>;

class WireWriter {
 public:
  WireWriter& u8(uint8_t value);
  WireWriter& u16(uint16_t value);
  WireWriter& u32(uint32_t value);
  WireWriter& i32(int32_t value) { return u32(static_cast<uint32_t>(value)); }
  WireWriter& bytes(const void* data, size_t length);
  WireWriter& bytes(const Bytes& data) { return bytes(data.data(), data.size()); }
  WireWriter& zeros(size_t count);
  // u16 byte count, the bytes, a 0 byte.
  WireWriter& string(std::string_view text);
  // The text cut or zero-filled to exactly size bytes.
  WireWriter& fixedString(std::string_view text, size_t size);

  const Bytes& data() const { return data_; }
  Bytes take() { return std::move(data_); }
  size_t size() const { return data_.size(); }

 private:
  Bytes data_;
};

// 06 17, the type, the payload length, the payload.
Bytes framePacket(uint16_t type, const Bytes& payload);
// Only a header: a payload length that no payload follows (hostile lengths).
Bytes frameHeader(uint16_t type, uint32_t payloadLength);

}  // namespace zelvo::emulator
