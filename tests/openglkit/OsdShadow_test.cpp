// The drop shadow helper of the on-screen display.
#include <gtest/gtest.h>

#include <numeric>

#include <QImage>
#include <QPainter>

#include "openglkit/OsdShadow.h"

namespace zelvo {
namespace {

TEST(OsdShadowBlur, SpreadsAPointEvenlyAndKeepsItsWeight) {
  constexpr int size = 41;
  std::vector<float> alpha(size * size, 0.0f);
  alpha[20 * size + 20] = 1.0f;
  OsdShadow::blur(alpha, size, size, 2.5);
  EXPECT_NEAR(std::accumulate(alpha.begin(), alpha.end(), 0.0), 1.0, 1e-4);
  const auto at = [&](int x, int y) { return alpha[static_cast<size_t>(y) * size + x]; };
  EXPECT_GT(at(20, 20), at(22, 20));
  EXPECT_GT(at(22, 20), at(24, 20));
  EXPECT_FLOAT_EQ(at(17, 20), at(23, 20));
  EXPECT_FLOAT_EQ(at(20, 17), at(23, 20));
  // About three deviations out, nothing is left.
  EXPECT_NEAR(at(20 + 10, 20), 0.0f, 1e-6);
}

TEST(OsdShadowBlur, NoDeviationLeavesTheValues) {
  std::vector<float> alpha{0, 1, 0, 0.5f};
  OsdShadow::blur(alpha, 2, 2, 0.0);
  EXPECT_EQ(alpha, (std::vector<float>{0, 1, 0, 0.5f}));
}

TEST(OsdShadow, DrawsTheShapeOverATintedBlurOfIt) {
  QImage canvas(60, 60, QImage::Format_RGBA8888_Premultiplied);
  canvas.fill(Qt::transparent);
  const QRectF square(20, 20, 20, 20);
  {
    QPainter painter(&canvas);
    OsdShadow(6.0, Rgba{0, 0, 1, 1}).draw(painter, square, [&](QPainter& p) { p.fillRect(square, Qt::white); });
  }
  EXPECT_EQ(canvas.pixelColor(30, 30), QColor(Qt::white));
  // Just outside the square: some of the blue shadow, fading outwards.
  const QColor near = canvas.pixelColor(41, 30);
  const QColor far = canvas.pixelColor(45, 30);
  EXPECT_GT(near.alpha(), 0);
  EXPECT_LT(near.alpha(), 255);
  EXPECT_GT(near.alpha(), far.alpha());
  EXPECT_EQ(near.red(), 0);
  EXPECT_EQ(near.blue(), 255);
  EXPECT_EQ(canvas.pixelColor(2, 2).alpha(), 0);
}

}  // namespace
}  // namespace zelvo
