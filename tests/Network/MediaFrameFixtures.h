#pragma once
// Media frames built byte by byte for the tests: the 64-byte big-endian header,
// the data, and an option list in either byte order.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Network/Packet.h"

namespace zelvo::test {

using Bytes = std::vector<uint8_t>;

struct FrameHeader {
  uint16_t type = 0;
  uint16_t syncIndex = 3;
  uint32_t syncKeyID = 7;
  uint32_t channelMask = 6;
  uint64_t mediaID = 0x0102030405060708ull;
  int16_t year = 2011;
  int8_t month = 3, day = 9, hour = 13, minute = 5, second = 9;
  uint16_t width = 704, height = 480;
  uint32_t timeStampScale = 90000;
  uint64_t timeStamp = 123456789012ull;
  uint32_t relatedChannelMask = 0x10;
  // The sizes written into the header; by default those of the data and options.
  int64_t mediaDataSize = -1;
  int64_t optionSize = -1;
};

inline void putBigEndian(Bytes& out, uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline Bytes frameBytes(const FrameHeader& h, const Bytes& data, const Bytes& options) {
  Bytes out;
  putBigEndian(out, h.type, 2);
  putBigEndian(out, h.syncIndex, 2);
  putBigEndian(out, h.syncKeyID, 4);
  putBigEndian(out, h.channelMask, 4);
  putBigEndian(out, h.mediaDataSize >= 0 ? static_cast<uint64_t>(h.mediaDataSize) : data.size(), 4);
  putBigEndian(out, h.mediaID, 8);
  putBigEndian(out, static_cast<uint16_t>(h.year), 2);
  for (int8_t field : {h.month, h.day, h.hour, h.minute, h.second}) out.push_back(static_cast<uint8_t>(field));
  out.push_back(0xEE);  // reserved
  putBigEndian(out, h.width, 2);
  putBigEndian(out, h.height, 2);
  putBigEndian(out, h.timeStampScale, 4);
  putBigEndian(out, h.timeStamp, 8);
  putBigEndian(out, h.relatedChannelMask, 4);
  putBigEndian(out, h.optionSize >= 0 ? static_cast<uint64_t>(h.optionSize) : options.size(), 4);
  for (int i = 0; i < 8; ++i) out.push_back(0xEE);  // reserved
  out.insert(out.end(), data.begin(), data.end());
  out.insert(out.end(), options.begin(), options.end());
  return out;
}

struct OptionEntry {
  uint16_t type;
  Bytes value;
  int64_t length = -1;  // the length written; by default the value's
};

// An option list. littleEndian: marker FF FF and entries in little-endian (the
// host order of these machines); otherwise marker 00 00 and big-endian entries.
inline Bytes optionList(const std::vector<OptionEntry>& entries, bool littleEndian = true, int64_t count = -1) {
  Bytes out;
  auto put16 = [&](uint64_t value) {
    if (littleEndian) {
      out.push_back(static_cast<uint8_t>(value));
      out.push_back(static_cast<uint8_t>(value >> 8));
    } else {
      putBigEndian(out, value, 2);
    }
  };
  put16(littleEndian ? 0xFFFF : 0);
  put16(count >= 0 ? static_cast<uint64_t>(count) : entries.size());
  for (const OptionEntry& entry : entries) {
    put16(entry.type);
    put16(entry.length >= 0 ? static_cast<uint64_t>(entry.length) : entry.value.size());
    out.insert(out.end(), entry.value.begin(), entry.value.end());
  }
  return out;
}

inline Bytes text(const std::string& value, bool terminated = true) {
  Bytes out(value.begin(), value.end());
  if (terminated) out.push_back(0);
  return out;
}

// A received packet holding a message of that type with these payload bytes; the
// cursor at the payload, the limit at its end.
inline std::shared_ptr<Packet> received(const Bytes& payload, uint16_t messageType = MessageTypeLiveMediaFrame) {
  auto packet = Packet::createWithMessageType(messageType);
  if (!payload.empty()) packet->pushBytes(payload.data(), static_cast<int64_t>(payload.size()));
  packet->pack();
  packet->seekToPayload();
  return packet;
}

}  // namespace zelvo::test
