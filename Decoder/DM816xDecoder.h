#pragma once
// Frames with a 4-byte header: predictor (little-endian, signed) at 0, step index
// (little-endian, signed 16 bits) at 2, codes from 4. Chip "816x".

#include <cstdint>
#include <span>

namespace zelvo {

class DM816xDecoder {
 public:
  static constexpr size_t HeaderSize = 4;
  static int decode(std::span<const uint8_t> frame, std::span<int16_t> result);
};

}  // namespace zelvo
