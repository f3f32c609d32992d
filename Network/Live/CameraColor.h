#pragma once
// The picture adjustment a recorder reports for one camera: four signed bytes in
// wire order, stored and compared as a whole.

#include <cstdint>

namespace zelvo {

struct CameraColor {
  int8_t brightness = 0;
  int8_t contrast = 0;
  int8_t hue = 0;
  int8_t saturation = 0;

  friend bool operator==(const CameraColor&, const CameraColor&) = default;
};

}  // namespace zelvo
