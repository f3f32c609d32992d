#pragma once
// The remote-setup side of a recorder for the emulator program: after login it
// sends its screen size and its setup dialog as a PNG picture, and it answers a
// click (button up) with a small picture at the clicked point and a key press with
// a new dialog picture, so a person sees the input arrive.

#include <cstdint>

#include "emulator/LiveMessages.h"

namespace zelvo::emulator {

class RecorderEmulator;

// A PNG picture of width x height in one colour (made with Qt's encoder).
Bytes pngPicture(int width, int height, uint32_t argb);

// Sets the emulator's login hook and its handler of 774.
void installSetupRecorder(RecorderEmulator& emulator);

}  // namespace zelvo::emulator
