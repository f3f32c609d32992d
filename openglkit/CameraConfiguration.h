#pragma once
// The colour settings of one plane. 0.0 in all four is neutral (no change).

namespace zelvo {

struct CameraConfiguration {
  float hue = 0;         // shift of hue x pi radians
  float saturation = 0;  // factor 3s + 1 for s >= 0, s + 1 below
  float brightness = 0;  // added to every channel after contrast
  float contrast = 0;    // factor 3s + 1 for s >= 0, s + 1 below, around 0.5

  bool operator==(const CameraConfiguration&) const = default;
};

}  // namespace zelvo
