#pragma once
// Pixels read back from GL for the application to wrap (a QImage in the interface):
// RGBA, 8 bits per channel, straight alpha, width x 4 bytes per row, top row first.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvo {

struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  bool isNull() const { return width <= 0 || height <= 0; }
  const uint8_t* pixel(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 4]; }
};

}  // namespace zelvo
