#pragma once
// IMA ADPCM, 4 bits per sample, mono, as the recorders send it: two codes per
// byte, high nibble first, each frame starting from the state in its own header.
// No state survives a call.

#include <cstdint>
#include <span>

namespace zelvo {

struct ImaAdpcmState {
  int index = 0;          // step index, clamped to 0..88 before use
  int16_t predictor = 0;
};

class ImaAdpcmDecoder {
 public:
  // Decodes every code byte into two 16-bit samples (host order). Returns the
  // bytes of PCM written, 4 x codes.size(); 0 when there are no codes or when the
  // result cannot hold them all (nothing is then written).
  static int decode(std::span<const uint8_t> codes, ImaAdpcmState initialState, std::span<int16_t> result);
};

}  // namespace zelvo
