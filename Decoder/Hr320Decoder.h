#pragma once
// Frames with a 16-byte header of four big-endian words: step index in the low
// 7 bits of byte 10, predictor in bytes 12 and 13 (big-endian, signed), codes
// from 16. Chip "I320".

#include <cstdint>
#include <span>

namespace zelvo {

class Hr320Decoder {
 public:
  static constexpr size_t HeaderSize = 16;
  static int decode(std::span<const uint8_t> frame, std::span<int16_t> result);
};

}  // namespace zelvo
