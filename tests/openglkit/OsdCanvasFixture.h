#pragma once
// A 64-plane canvas on an 800 x 600 view with a plain white 16 x 16 icon.

#include <gtest/gtest.h>

#include <QImage>

#include "openglkit/OsdCanvas.h"

namespace zelvo::test {

inline QImage whiteIcon() {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::white);
  return image;
}

class OsdCanvasTest : public ::testing::Test {
 protected:
  OsdCanvasTest() : canvas(64) { canvas.setup(800, 600, whiteIcon()); }

  void markClean() {
    for (int i = 0; i < canvas.planeCount(); ++i) canvas.plane(i).setDirty(false);
    canvas.draw();
  }

  OsdCanvas canvas;
};

}  // namespace zelvo::test
