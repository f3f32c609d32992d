#include "Decoder/DM816xDecoder.h"

#include "Decoder/ImaAdpcmDecoder.h"

namespace zelvo {

int DM816xDecoder::decode(std::span<const uint8_t> frame, std::span<int16_t> result) {
  if (frame.size() <= HeaderSize) return 0;
  ImaAdpcmState state;
  state.predictor = static_cast<int16_t>(frame[0] | (frame[1] << 8));
  state.index = static_cast<int16_t>(frame[2] | (frame[3] << 8));  // a negative index clamps to 0
  return ImaAdpcmDecoder::decode(frame.subspan(HeaderSize), state, result);
}

}  // namespace zelvo
