#pragma once
// Where the H.264 data lies in a recorder's video payload. Some recorders put a
// prefix before it, whose length the payload itself gives; the codec tags say
// which (first match wins):
//   no codec information, or vendor "HiSi" with a chip other than "3531":
//       offset 4n + 4, n the first 32-bit word (little-endian); the rest is data
//   chip "I320": offset 20, size 4m - 20, m from bytes 5 and 6
//   otherwise: the whole payload
// The arithmetic is 64-bit and every result is checked against the payload: a
// prefix that does not fit (or leaves no data) drops the frame.

#include <cstdint>
#include <optional>
#include <span>

namespace zelvo {

struct H264Payload {
  uint32_t offset = 0;
  uint32_t size = 0;

  // vendor and chip are fields 0 and 1 of the codec information, as they came.
  static std::optional<H264Payload> locate(std::span<const uint8_t> payload, bool hasCodecInfo, uint32_t vendor,
                                           uint32_t chip);

  // True when the access unit (Annex B) starts an instantaneous decoding refresh:
  // its first picture slice is an IDR slice, so no picture from here on refers
  // to any before it. An I slice that is not IDR does not count: later pictures
  // may still refer past it.
  static bool isKeyFrame(std::span<const uint8_t> accessUnit);
};

}  // namespace zelvo
