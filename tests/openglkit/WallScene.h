#pragma once
// A wall of planes drawn into the pixel buffer of an EGL test context, with helpers to
// feed solid pictures and read pixels back (top row first).

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "openglkit/FrameBuffer.h"
#include "openglkit/GLTestContext.h"
#include "openglkit/MultiDivisionPlane.h"
#include "openglkit/ShaderModel.h"

namespace zelvo::test {

using Yuv8 = Yuv8Colour;

// One solid picture of width x height (line size = width + padding; the padding
// columns hold padY, to show any that leak past the crop).
inline void uploadSolid(MultiDivisionPlane& wall, int plane, Yuv8 colour, int width = 16, int height = 16,
                        int padding = 0, uint8_t padY = 255, float yScale = 1) {
  int lineSize = width + padding;
  std::vector<uint8_t> y(static_cast<size_t>(lineSize) * height, colour.y);
  for (int row = 0; row < height; ++row)
    for (int x = width; x < lineSize; ++x) y[static_cast<size_t>(row) * lineSize + x] = padY;
  std::vector<uint8_t> u(static_cast<size_t>(lineSize / 2) * (height / 2), colour.u);
  std::vector<uint8_t> v(u.size(), colour.v);
  wall.updateVideoTexture(plane, width, height, lineSize, y.data(), 1, yScale, u.data(), v.data());
}

class Pixels {
 public:
  Pixels(int width, int height, std::vector<uint8_t> topDown)
      : width_(width), height_(height), bytes_(std::move(topDown)) {}
  // Reads the bound framebuffer.
  static Pixels read(int width, int height) {
    std::vector<uint8_t> bottomUp(static_cast<size_t>(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    for (int row = 0; row < height; ++row)
      std::copy_n(&bottomUp[static_cast<size_t>(height - 1 - row) * width * 4], width * 4,
                  &topDown[static_cast<size_t>(row) * width * 4]);
    return Pixels(width, height, std::move(topDown));
  }
  Rgb8 at(int x, int y) const {
    const uint8_t* p = &bytes_[(static_cast<size_t>(y) * width_ + x) * 4];
    return {p[0], p[1], p[2]};
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_, height_;
  std::vector<uint8_t> bytes_;
};



class WallScene {
 public:
  WallScene(int planes, int width, int height) : gl(width, height) {
    if (gl.isValid()) wall = std::make_unique<MultiDivisionPlane>(planes);
  }
  ~WallScene() { wall.reset(); }

  // The units the screen uses: Y, U, V on 0..2, snapshots on 3.
  bool init() {
    return wall && wall->init(GL_TEXTURE0, GL_TEXTURE1, GL_TEXTURE2, GL_TEXTURE3, static_cast<float>(gl.width()),
                              static_cast<float>(gl.height()));
  }

  Pixels draw() {
    FrameBuffer::unbind();
    glViewport(0, 0, gl.width(), gl.height());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    wall->update(0);
    wall->render();
    return Pixels::read(gl.width(), gl.height());
  }

  GLTestContext gl;
  std::unique_ptr<MultiDivisionPlane> wall;
};

}  // namespace zelvo::test
