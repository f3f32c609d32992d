#include "Decoder/Hi3511Decoder.h"

#include "Decoder/ImaAdpcmDecoder.h"

namespace zelvo {

int Hi3511Decoder::decode(std::span<const uint8_t> frame, std::span<int16_t> result) {
  if (frame.size() <= HeaderSize) return 0;
  ImaAdpcmState state;
  state.predictor = static_cast<int16_t>(frame[4] | (frame[5] << 8));
  state.index = frame[6];
  return ImaAdpcmDecoder::decode(frame.subspan(HeaderSize), state, result);
}

}  // namespace zelvo
