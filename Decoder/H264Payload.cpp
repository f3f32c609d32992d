#include "Decoder/H264Payload.h"

#include "Network/CodecInfo.h"

namespace zelvo {

std::optional<H264Payload> H264Payload::locate(std::span<const uint8_t> payload, bool hasCodecInfo, uint32_t vendor,
                                               uint32_t chip) {
  const uint64_t total = payload.size();
  uint64_t offset, size;
  if (!hasCodecInfo || (CodecTagEquals(vendor, CodecTagHiSi) && !CodecTagEquals(chip, CodecTag3531))) {
    if (total < 4) return std::nullopt;
    const uint64_t n = payload[0] | (payload[1] << 8) | (payload[2] << 16) | (uint64_t(payload[3]) << 24);
    offset = 4 * n + 4;
    if (offset >= total) return std::nullopt;
    size = total - offset;
  } else if (CodecTagEquals(chip, CodecTagI320)) {
    if (total < 20) return std::nullopt;
    const uint64_t b5 = payload[5], b6 = payload[6];
    const uint64_t m = (b6 & 3) ? ((b5 << 8) + (b6 & 0xFC)) + 4 : (b5 << 8) + b6;
    if (4 * m <= 20) return std::nullopt;
    offset = 20;
    size = 4 * m - 20;
    if (offset + size > total) return std::nullopt;
  } else {
    if (total == 0) return std::nullopt;
    offset = 0;
    size = total;
  }
  if (size > INT32_MAX) return std::nullopt;  // more than the library takes in one packet
  return H264Payload{static_cast<uint32_t>(offset), static_cast<uint32_t>(size)};
}

bool H264Payload::isKeyFrame(std::span<const uint8_t> unit) {
  // Each NAL unit follows a 00 00 01 start code; its type is the low 5 bits of
  // the byte after it. Parameter sets, delimiters and SEI come before the slices.
  for (size_t i = 0; i + 3 < unit.size(); ++i) {
    if (unit[i] != 0 || unit[i + 1] != 0 || unit[i + 2] != 1) continue;
    const int type = unit[i + 3] & 0x1F;
    if (type == 5) return true;
    if (type >= 1 && type <= 4) return false;  // a slice of another kind comes first
    i += 2;
  }
  return false;
}

}  // namespace zelvo
