// A recorder's media payload, as audio of each chip layout and as video with each
// prefix rule: the audio decoders and the H.264 path (prefix, padded copy,
// library, 4:2:0 conversion) must take any bytes without reading or writing out
// of bounds. The first byte picks the codec tags.
#include <cstdint>
#include <cstring>
#include <vector>

#include "Decoder/AudioDecoder.h"
#include "Decoder/VideoDecoder.h"
#include "Network/CodecInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const int chips[] = {zelvo::CodecTag3511, zelvo::CodecTagI320, zelvo::CodecTag816x, zelvo::CodecTag3531};
  static const int vendors[] = {zelvo::CodecTagHiSi, zelvo::CodecTagTI};
  const uint32_t chip = zelvo::CodecTagValue(chips[data[0] & 3]);
  const uint32_t vendor = zelvo::CodecTagValue(vendors[(data[0] >> 2) & 1]);
  const bool hasCodecInfo = (data[0] & 8) != 0;
  std::span<const uint8_t> payload(data + 1, size - 1);

  static std::vector<int16_t> pcm(96000 / 2);
  zelvo::AudioDecoder::decode(payload, chip, pcm);

  static std::shared_ptr<zelvo::VideoDecoder> decoder = zelvo::VideoDecoder::create();
  // An exact-size copy, so that a read past the payload is caught.
  std::vector<uint8_t> exact(payload.begin(), payload.end());
  decoder->decodePayload(exact, hasCodecInfo, vendor, chip, 0);
  return 0;
}
