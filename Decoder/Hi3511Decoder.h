#pragma once
// Frames with an 8-byte header: predictor (little-endian, signed) at 4, step
// index at 6, codes from 8. The layout of every chip but "I320" and "816x".

#include <cstdint>
#include <span>

namespace zelvo {

class Hi3511Decoder {
 public:
  static constexpr size_t HeaderSize = 8;
  // Bytes of PCM written; 0 for a frame not longer than its header or a result
  // too small for it (the frame is then not read).
  static int decode(std::span<const uint8_t> frame, std::span<int16_t> result);
};

}  // namespace zelvo
