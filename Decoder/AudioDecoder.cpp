#include "Decoder/AudioDecoder.h"

#include <cstring>

#include "Decoder/DM816xDecoder.h"
#include "Decoder/Hi3511Decoder.h"
#include "Decoder/Hr320Decoder.h"

namespace zelvo {

uint32_t AudioDecoder::tag(const char (&text)[5]) {
  uint32_t code;
  std::memcpy(&code, text, 4);
  return code;
}

int AudioDecoder::decode(std::span<const uint8_t> frame, uint32_t chipCode, std::span<int16_t> result) {
  if (CodecTagEquals(chipCode, CodecTagI320)) return Hr320Decoder::decode(frame, result);
  if (CodecTagEquals(chipCode, CodecTag816x)) return DM816xDecoder::decode(frame, result);
  return Hi3511Decoder::decode(frame, result);
}

int AudioDecoder::sampleRate(uint32_t chipCode) {
  if (CodecTagEquals(chipCode, CodecTag816x)) return 16000;
  if (CodecTagEquals(chipCode, CodecTag3531)) return 32000;
  return 8000;
}

size_t AudioDecoder::headerSize(uint32_t chipCode) {
  if (CodecTagEquals(chipCode, CodecTagI320)) return Hr320Decoder::HeaderSize;
  if (CodecTagEquals(chipCode, CodecTag816x)) return DM816xDecoder::HeaderSize;
  return Hi3511Decoder::HeaderSize;
}

}  // namespace zelvo
