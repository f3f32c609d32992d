#pragma once
// The media of an emulated wall of up to 32 cameras, each told apart by what it
// sends: camera n shows a flat colour of its own with a white square moving across
// it (tests/fixtures/wall/camNN.264, made by make-wall-fixtures.sh) and sounds a
// tone of its own (IMA ADPCM frames of 40 ms in the 8-byte-header layout of the
// "3511" chip, 8000 Hz, made here).

#include <cstdint>
#include <vector>

#include "emulator/WireWriter.h"

namespace zelvo::emulator {

inline constexpr int WallCameraCount = 32;
inline constexpr uint16_t WallPictureWidth = 352;
inline constexpr uint16_t WallPictureHeight = 240;
inline constexpr int WallToneRate = 8000;

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

// The background colour of camera n's pictures (0 <= n < 32).
Rgb wallCameraColour(int camera);
// Camera n's tone: 300 + 100 n Hz, so every tone of the 32 lies below 3.5 kHz.
double wallToneFrequency(int camera);

// Camera n's pictures, one access unit per frame, 2 s of them (they loop).
std::vector<Bytes> wallPictureFrames(int camera);
// Camera n's sound: 2 s of 40 ms frames, a whole number of cycles, so they loop
// without a click.
std::vector<Bytes> wallToneFrames(int camera);

}  // namespace zelvo::emulator
