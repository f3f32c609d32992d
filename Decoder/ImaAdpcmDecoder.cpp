#include "Decoder/ImaAdpcmDecoder.h"

#include <algorithm>

namespace zelvo {

namespace {

constexpr int16_t kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int kIndexTable[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

inline int16_t decodeNibble(unsigned code, int& index, int& predictor) {
  const int step = kStepTable[index];
  int diff = step >> 3;
  if (code & 1) diff += step >> 2;
  if (code & 2) diff += step >> 1;
  if (code & 4) diff += step;
  predictor = std::clamp(code & 8 ? predictor - diff : predictor + diff, -32768, 32767);
  index = std::clamp(index + kIndexTable[code & 7], 0, 88);
  return static_cast<int16_t>(predictor);
}

}  // namespace

int ImaAdpcmDecoder::decode(std::span<const uint8_t> codes, ImaAdpcmState initialState, std::span<int16_t> result) {
  if (codes.empty() || result.size() / 2 < codes.size() || codes.size() > 0x1FFFFFFF) return 0;
  int index = std::clamp(initialState.index, 0, 88);
  int predictor = initialState.predictor;
  int16_t* out = result.data();
  for (uint8_t byte : codes) {
    *out++ = decodeNibble(byte >> 4, index, predictor);
    *out++ = decodeNibble(byte & 0x0F, index, predictor);
  }
  return static_cast<int>(codes.size() * 4);
}

}  // namespace zelvo
