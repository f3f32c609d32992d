#pragma once
// Picks the frame layout and the sample rate of a recorder's audio from the chip
// tag of its codec information: "I320" -> 16-byte header, "816x" -> 4-byte
// header at 16000 Hz, anything else -> 8-byte header ("3531" at 32000 Hz, the
// rest at 8000 Hz).

#include <cstdint>
#include <span>

#include "Network/CodecInfo.h"

namespace zelvo {

class AudioDecoder {
 public:
  // The chip code is field 1 of the codec information, its four bytes as they
  // came from the wire. Returns the bytes of PCM written; 0 when the frame holds
  // no codes or its PCM would not fit the result (then nothing is written).
  static int decode(std::span<const uint8_t> frame, const CodecInfo& codec, std::span<int16_t> result) {
    return decode(frame, codec.chip(), result);
  }
  static int sampleRate(const CodecInfo& codec) { return sampleRate(codec.chip()); }
  static int decode(std::span<const uint8_t> frame, uint32_t chipCode, std::span<int16_t> result);
  static int sampleRate(uint32_t chipCode);
  // Header bytes before the codes in the chip's layout.
  static size_t headerSize(uint32_t chipCode);

  // The four characters of a tag as a code (bytes in memory order).
  static uint32_t tag(const char (&text)[5]);
};

}  // namespace zelvo
