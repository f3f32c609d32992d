#pragma once
// Pictures for the screen's tests: solid 4:2:0 frames and the expected colour the video
// program gives them, plus reading back the bound framebuffer top row first.

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "openglkit/OpenGL.h"

namespace zelvo::test {

struct Yuv420 {
  int width = 0;
  int height = 0;
  int lineSize = 0;
  std::vector<uint8_t> y, u, v;
};

// A solid frame, with padded lines as decoders give them.
inline Yuv420 solidFrame(uint8_t y, uint8_t u = 128, uint8_t v = 128, int width = 32, int height = 32,
                         int padding = 8) {
  Yuv420 frame{width, height, width + padding, {}, {}, {}};
  frame.y.assign(static_cast<size_t>(frame.lineSize) * height, y);
  frame.u.assign(static_cast<size_t>(frame.lineSize / 2) * (height / 2), u);
  frame.v.assign(frame.u.size(), v);
  return frame;
}

// RGB that the video program makes of a luma value with neutral chroma.
inline std::array<int, 3> greyOf(uint8_t luma) {
  const double y = luma / 255.0;
  const double c = 128 / 255.0;
  const double r = 1.1643 * y + 1.5958 * c - 0.870669;
  const double g = 1.1643 * y - 0.39173 * c - 0.8129 * c + 0.529546;
  const double b = 1.1643 * y + 2.017 * c - 1.081269;
  const auto byte = [](double value) { return static_cast<int>(std::lround(std::fmin(std::fmax(value, 0.0), 1.0) * 255)); };
  return {byte(r), byte(g), byte(b)};
}

// The bound framebuffer's pixels, top row first.
class FramePixels {
 public:
  static FramePixels read(int width, int height) {
    FramePixels pixels;
    pixels.width_ = width;
    pixels.height_ = height;
    std::vector<uint8_t> bottomUp(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    pixels.bytes_.resize(bottomUp.size());
    for (int row = 0; row < height; ++row)
      std::copy_n(&bottomUp[static_cast<size_t>(height - 1 - row) * width * 4], width * 4,
                  &pixels.bytes_[static_cast<size_t>(row) * width * 4]);
    return pixels;
  }
  std::array<int, 3> at(int x, int y) const {
    const uint8_t* p = &bytes_[(static_cast<size_t>(y) * width_ + x) * 4];
    return {p[0], p[1], p[2]};
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> bytes_;
};

inline bool near(const std::array<int, 3>& a, const std::array<int, 3>& b, int tolerance = 2) {
  for (int i = 0; i < 3; ++i)
    if (std::abs(a[i] - b[i]) > tolerance) return false;
  return true;
}

}  // namespace zelvo::test
