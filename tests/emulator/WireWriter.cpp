#include "emulator/WireWriter.h"

#include <algorithm>

namespace zelvo::emulator {

WireWriter& WireWriter::u8(uint8_t value) {
  data_.push_back(value);
  return *this;
}

WireWriter& WireWriter::u16(uint16_t value) {
  data_.push_back(static_cast<uint8_t>(value >> 8));
  data_.push_back(static_cast<uint8_t>(value));
  return *this;
}

WireWriter& WireWriter::u32(uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) data_.push_back(static_cast<uint8_t>(value >> shift));
  return *this;
}

WireWriter& WireWriter::bytes(const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
  data_.insert(data_.end(), p, p + length);
  return *this;
}

WireWriter& WireWriter::zeros(size_t count) {
  data_.insert(data_.end(), count, 0);
  return *this;
}

WireWriter& WireWriter::string(std::string_view text) {
  u16(static_cast<uint16_t>(text.size()));
  bytes(text.data(), text.size());
  return u8(0);
}

WireWriter& WireWriter::fixedString(std::string_view text, size_t size) {
  size_t n = std::min(text.size(), size);
  bytes(text.data(), n);
  return zeros(size - n);
}

Bytes framePacket(uint16_t type, const Bytes& payload) {
  WireWriter writer;
  writer.u16(0x0617).u16(type).u32(static_cast<uint32_t>(payload.size())).bytes(payload);
  return writer.take();
}

Bytes frameHeader(uint16_t type, uint32_t payloadLength) {
  WireWriter writer;
  writer.u16(0x0617).u16(type).u32(payloadLength);
  return writer.take();
}

}  // namespace zelvo::emulator
