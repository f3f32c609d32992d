#include "emulator/WallMedia.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "emulator/LiveMessages.h"

namespace zelvo::emulator {

namespace {

constexpr std::array<int, 89> Steps = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int, 8> IndexSteps = {-1, -1, -1, -1, 2, 4, 6, 8};

struct AdpcmState {
  int index = 0;
  int predictor = 0;
};

AdpcmState decodeNibble(int code, AdpcmState state) {
  int step = Steps[static_cast<size_t>(state.index)];
  int diff = step >> 3;
  if (code & 1) diff += step >> 2;
  if (code & 2) diff += step >> 1;
  if (code & 4) diff += step;
  state.predictor = std::clamp(code & 8 ? state.predictor - diff : state.predictor + diff, -32768, 32767);
  state.index = std::clamp(state.index + IndexSteps[static_cast<size_t>(code & 7)], 0, 88);
  return state;
}

// The code whose decoded value lands nearest the sample; the encoder follows the
// decoder exactly, so each frame's header holds the state the decoder is in.
int encodeNibble(int sample, AdpcmState& state) {
  int best = 0;
  AdpcmState bestState;
  int bestError = -1;
  for (int code = 0; code < 16; ++code) {
    AdpcmState next = decodeNibble(code, state);
    int error = std::abs(next.predictor - sample);
    if (bestError < 0 || error < bestError) {
      bestError = error;
      best = code;
      bestState = next;
    }
  }
  state = bestState;
  return best;
}

}  // namespace

Rgb wallCameraColour(int camera) {
  // HSV to RGB as Python's colorsys does it, which made the pictures.
  double h = ((7 * camera) % 32) / 32.0, s = 0.75, v = 0.8;
  int i = static_cast<int>(h * 6.0);
  double f = h * 6.0 - i;
  double p = v * (1.0 - s), q = v * (1.0 - s * f), t = v * (1.0 - s * (1.0 - f));
  double r = 0, g = 0, b = 0;
  switch (i % 6) {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
  }
  auto byte = [](double c) { return static_cast<uint8_t>(std::lround(255.0 * c)); };
  return {byte(r), byte(g), byte(b)};
}

double wallToneFrequency(int camera) { return 300.0 + 100.0 * camera; }

std::vector<Bytes> wallPictureFrames(int camera) {
  if (camera < 0 || camera >= WallCameraCount) throw std::out_of_range("wall camera");
  char name[32];
  std::snprintf(name, sizeof name, "wall/cam%02d.264", camera);
  return h264Frames(name);
}

std::vector<Bytes> wallToneFrames(int camera) {
  constexpr int SamplesPerFrame = WallToneRate / 25;  // 40 ms
  constexpr int Frames = 50;                          // 2 s
  const double frequency = wallToneFrequency(camera);
  std::vector<Bytes> frames;
  AdpcmState state;
  int n = 0;
  for (int f = 0; f < Frames; ++f) {
    Bytes frame(8, 0);
    // Header: predictor (little-endian, signed) at 4, step index at 6.
    auto predictor = static_cast<uint16_t>(static_cast<int16_t>(state.predictor));
    frame[4] = static_cast<uint8_t>(predictor & 0xFF);
    frame[5] = static_cast<uint8_t>(predictor >> 8);
    frame[6] = static_cast<uint8_t>(state.index);
    for (int k = 0; k < SamplesPerFrame; k += 2, n += 2) {
      int codes[2];
      for (int j = 0; j < 2; ++j) {
        int sample = static_cast<int>(std::lround(8000.0 * std::sin(2.0 * M_PI * frequency * (n + j) / WallToneRate)));
        codes[j] = encodeNibble(sample, state);
      }
      frame.push_back(static_cast<uint8_t>(codes[0] << 4 | codes[1]));
    }
    frames.push_back(std::move(frame));
  }
  return frames;
}

}  // namespace zelvo::emulator
