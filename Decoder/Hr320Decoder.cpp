#include "Decoder/Hr320Decoder.h"

#include "Decoder/ImaAdpcmDecoder.h"

namespace zelvo {

int Hr320Decoder::decode(std::span<const uint8_t> frame, std::span<int16_t> result) {
  if (frame.size() <= HeaderSize) return 0;
  ImaAdpcmState state;
  state.index = frame[10] & 0x7F;
  state.predictor = static_cast<int16_t>((frame[12] << 8) | frame[13]);
  return ImaAdpcmDecoder::decode(frame.subspan(HeaderSize), state, result);
}

}  // namespace zelvo
