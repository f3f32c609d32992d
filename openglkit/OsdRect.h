#pragma once
// Rectangles and sizes of the on-screen-display canvas, in device pixels. The canvas is
// measured from its bottom-left corner with y growing upwards; only the painting code turns
// a rectangle into the top-down rows of the image (deviceRect in OsdPainting.h).

namespace zelvo {

struct OsdSize {
  double width = 0.0;
  double height = 0.0;
  friend bool operator==(const OsdSize&, const OsdSize&) = default;
};

struct OsdRect {
  double x = 0.0;
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;
  friend bool operator==(const OsdRect&, const OsdRect&) = default;
};

}  // namespace zelvo
