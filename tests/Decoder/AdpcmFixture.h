#pragma once
// Reading the ADPCM fixtures (tests/fixtures/*.adpcm: frames, each preceded by its
// length as a 32-bit little-endian integer) and measuring a tone.

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "Decoder/AudioDecoder.h"
#include "Decoder/ImaAdpcmDecoder.h"

namespace zelvo::test {

inline std::string fixturePath(const std::string& name) {
  return std::string(ZELVO_SOURCE_ROOT) + "tests/fixtures/" + name;
}

inline std::vector<std::vector<uint8_t>> readAdpcmFixture(const std::string& name) {
  std::ifstream in(fixturePath(name), std::ios::binary);
  std::vector<std::vector<uint8_t>> frames;
  uint8_t length[4];
  while (in.read(reinterpret_cast<char*>(length), 4)) {
    uint32_t n = length[0] | (length[1] << 8) | (length[2] << 16) | (uint32_t(length[3]) << 24);
    if (n > 1 << 20) break;
    std::vector<uint8_t> frame(n);
    if (!in.read(reinterpret_cast<char*>(frame.data()), n)) break;
    frames.push_back(std::move(frame));
  }
  return frames;
}

// The state a frame's header gives, read independently of the decoders.
inline ImaAdpcmState adpcmHeaderState(const std::vector<uint8_t>& f, uint32_t chip) {
  if (chip == AudioDecoder::tag("I320")) return {f[10] & 0x7F, static_cast<int16_t>((f[12] << 8) | f[13])};
  if (chip == AudioDecoder::tag("816x"))
    return {static_cast<int16_t>(f[2] | (f[3] << 8)), static_cast<int16_t>(f[0] | (f[1] << 8))};
  return {f[6], static_cast<int16_t>(f[4] | (f[5] << 8))};
}

inline double goertzelPower(const std::vector<double>& x, double rate, double frequency) {
  const double w = 2.0 * M_PI * frequency / rate, coefficient = 2.0 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (double v : x) {
    double s = v + coefficient * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

inline double rms(const std::vector<double>& x) {
  double sum = 0;
  for (double v : x) sum += v * v;
  return x.empty() ? 0.0 : std::sqrt(sum / x.size());
}

}  // namespace zelvo::test
