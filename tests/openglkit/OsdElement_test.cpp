// Placement of on-screen-display elements inside a plane's frame, and image drawing.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "openglkit/OsdElement.h"
#include "openglkit/OsdImage.h"

namespace zelvo {
namespace {

struct PlacementCase {
  const char* name;
  OsdRect frame;
  OsdRect position;
  OsdSize natural;
  OsdRect expected;  // left, bottom, width, height (canvas grows upwards)
};

class OsdElementPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(OsdElementPlacement, RectElement) {
  const PlacementCase& c = GetParam();
  const OsdElement element(c.position);
  const OsdRect rect = element.rectElement(c.frame, c.natural);
  EXPECT_DOUBLE_EQ(rect.x, c.expected.x);
  EXPECT_DOUBLE_EQ(rect.y, c.expected.y);
  EXPECT_DOUBLE_EQ(rect.width, c.expected.width);
  EXPECT_DOUBLE_EQ(rect.height, c.expected.height);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, OsdElementPlacement,
    ::testing::Values(
        // The plane title: 8 from the left, at the top, plane width less 48, text height.
        PlacementCase{"TitleText20x18", {0, 0, 200, 150}, {8, 0, -40, 0}, {20, 18}, {8, 132, 152, 18}},
        // The PTZ icon: 7 from the right and the top at its own size.
        PlacementCase{"PtzIcon16x16", {0, 0, 200, 150}, {-7, 7, 0, 0}, {16, 16}, {177, 127, 16, 16}},
        // A text wider than the room keeps the room; its paragraph style truncates it.
        PlacementCase{"TextWiderThanRoom", {0, 0, 200, 150}, {8, 0, -40, 0}, {300, 18}, {8, 132, 152, 18}},
        PlacementCase{"TitleInOffsetFrame", {100, 50, 200, 150}, {8, 0, -40, 0}, {20, 18}, {108, 182, 152, 18}},
        PlacementCase{"FixedSize", {0, 0, 200, 150}, {10, 20, 50, 30}, {5, 5}, {10, 100, 50, 30}},
        PlacementCase{"FixedSizeLargerThanRoom", {0, 0, 200, 150}, {10, 20, 500, 500}, {5, 5}, {10, 0, 190, 130}},
        PlacementCase{"IconLargerThanFrame", {0, 0, 200, 150}, {-7, 7, 0, 0}, {300, 300}, {0, 0, 193, 143}},
        PlacementCase{"NegativeHeightFromTop", {0, 0, 200, 150}, {0, 10, 0, -20}, {20, 10}, {0, 20, 20, 120}},
        // Bottom-anchored positions follow the bottom rule as it stands: y + height - py.
        PlacementCase{"BottomAnchored", {0, 0, 200, 150}, {5, -10, 0, 0}, {20, 10}, {5, 20, 20, 10}},
        PlacementCase{"RightAnchoredNegativeWidth", {0, 0, 200, 150}, {-10, 0, -30, 0}, {20, 10}, {30, 140, 160, 10}}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

QImage transparentCanvas(int width, int height) {
  QImage canvas(width, height, QImage::Format_RGBA8888_Premultiplied);
  canvas.fill(Qt::transparent);
  return canvas;
}

// Bounding box of the pixels that are not fully transparent.
QRect paintedBounds(const QImage& image) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) != 0) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

TEST(OsdImage, DrawsItsBitmapAtTheAnchoredRectangle) {
  QImage red(16, 16, QImage::Format_ARGB32);
  red.fill(Qt::red);
  const OsdImage icon({-7, 7, 0, 0}, red);
  QImage canvas = transparentCanvas(200, 150);
  {
    QPainter painter(&canvas);
    icon.draw(painter, {0, 0, 200, 150});
  }
  // Left 177, bottom 127 measured upwards: top row 150 - 127 - 16 = 7.
  EXPECT_EQ(paintedBounds(canvas), QRect(177, 7, 16, 16));
  EXPECT_EQ(canvas.pixelColor(180, 10), QColor(Qt::red));
}

TEST(OsdImage, KeepsItsOwnCopyOfThePicture) {
  QImage source(4, 4, QImage::Format_ARGB32);
  source.fill(Qt::green);
  const OsdImage icon({0, 0, 0, 0}, source);
  source.fill(Qt::blue);
  EXPECT_EQ(icon.image().pixelColor(0, 0), QColor(Qt::green));
}

TEST(OsdImage, EmptyPictureDrawsNothing) {
  for (const QImage& empty : {QImage(), QImage(0, 0, QImage::Format_ARGB32)}) {
    const OsdImage icon({-7, 7, 0, 0}, empty);
    QImage canvas = transparentCanvas(200, 150);
    {
      QPainter painter(&canvas);
      icon.draw(painter, {0, 0, 200, 150});
    }
    EXPECT_TRUE(paintedBounds(canvas).isNull());
  }
}

TEST(OsdElement, StartsVisibleAndTheBaseDrawsNothing) {
  OsdElement element({1, 2, 3, 4});
  EXPECT_TRUE(element.visible());
  element.setVisible(false);
  EXPECT_FALSE(element.visible());
  QImage canvas = transparentCanvas(20, 20);
  {
    QPainter painter(&canvas);
    element.draw(painter, {0, 0, 20, 20});
  }
  EXPECT_TRUE(paintedBounds(canvas).isNull());
}

}  // namespace
}  // namespace zelvo
