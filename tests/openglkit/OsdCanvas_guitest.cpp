// The on-screen-display canvas painted (fonts need a GUI application): what asks for a
// redraw, and titles, icons, grid, highlight and selection checked by pixels.
#include <gtest/gtest.h>

#include <cmath>

#include <QImage>

#include "openglkit/OsdCanvas.h"
#include "openglkit/OsdCanvasFixture.h"
#include "openglkit/OsdElementKeys.h"
#include "openglkit/OsdImage.h"
#include "openglkit/OsdTextBox.h"
#include "Resources/Resources.h"

namespace zelvo {
namespace {

using test::OsdCanvasTest;

TEST_F(OsdCanvasTest, SelectedPlane21InFourDivisionsRedrawsOnlyPlanes16To31) {
  canvas.setLayout(21, 4);
  ASSERT_TRUE(canvas.needsRedraw());
  canvas.draw();
  for (int i = 0; i < canvas.planeCount(); ++i) EXPECT_EQ(canvas.plane(i).dirty(), i < 16 || i > 31) << i;
  EXPECT_FALSE(canvas.needsRedraw());
}

TEST_F(OsdCanvasTest, ShowHighlightOnAPlaneOffThePage) {
  canvas.setLayout(0, 2);
  markClean();
  EXPECT_FALSE(canvas.showHighlight(4));
  EXPECT_FALSE(canvas.plane(4).highlighted());
  EXPECT_FALSE(canvas.dirty());
}

TEST_F(OsdCanvasTest, HideHighlightReportsWhetherAnyWasShown) {
  markClean();
  EXPECT_FALSE(canvas.hideHighlight());
  EXPECT_FALSE(canvas.dirty());
  canvas.showHighlight(0);
  markClean();
  EXPECT_TRUE(canvas.hideHighlight());
  EXPECT_FALSE(canvas.plane(0).highlighted());
  EXPECT_TRUE(canvas.dirty());
}

TEST_F(OsdCanvasTest, WhatAsksForARedraw) {
  canvas.setLayout(0, 2);
  markClean();
  EXPECT_FALSE(canvas.needsRedraw());

  // A title off the shown page waits for its page.
  canvas.setTitle(5, "Yard");
  EXPECT_FALSE(canvas.needsRedraw());
  // The PTZ icon shows at the plane's next redraw; it does not ask for one.
  canvas.setPtzIconVisible(1, true);
  EXPECT_FALSE(canvas.needsRedraw());

  canvas.setTitle(1, "Gate");
  EXPECT_TRUE(canvas.needsRedraw());
  markClean();
  canvas.plane(2).setBackgroundColor(Rgba::clear());
  EXPECT_TRUE(canvas.needsRedraw());
  markClean();
  canvas.setSelectionGradient(Gradient(Rgba::white(), Rgba::black()));
  EXPECT_TRUE(canvas.needsRedraw());
  EXPECT_EQ(canvas.selectionGradient(), Gradient(Rgba::white(), Rgba::black()));
}

TEST_F(OsdCanvasTest, CanvasFollowsTheViewSizeInWholePixels) {
  canvas.draw();
  EXPECT_EQ(canvas.image().size(), QSize(800, 600));
  EXPECT_EQ(canvas.image().format(), QImage::Format_RGBA8888);
  canvas.reshape(801.7f, 601.2f);
  canvas.layoutPlanes();
  canvas.draw();
  EXPECT_EQ(canvas.image().size(), QSize(801, 601));
  EXPECT_NEAR(canvas.plane(0).frame().width, 801.7, 1e-3);
}

TEST_F(OsdCanvasTest, EmptyViewDrawsNothingAndKeepsThePlanesMarked) {
  canvas.reshape(0, 0);
  canvas.layoutPlanes();
  canvas.draw();
  EXPECT_TRUE(canvas.image().isNull());
  EXPECT_TRUE(canvas.plane(0).dirty());
}

// Pixels of a 400 x 400 canvas in two divisions, plane 0 selected. Canvas rows run top-down:
// plane 0 is the top-left cell, plane 3 the bottom-right one (x and y 200..399).
class OsdCanvasPixels : public ::testing::Test {
 protected:
  OsdCanvasPixels() : canvas(4) {
    canvas.setup(400, 400, imageResource("osd_ptz", "png"));
    canvas.setLayout(0, 2);
  }

  const QImage& drawn() {
    canvas.draw();
    return canvas.image();
  }

  // Bounding box of the pixels inside `area` that differ between two drawings.
  static QRect differences(const QImage& a, const QImage& b, const QRect& area) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        if (a.pixel(x, y) != b.pixel(x, y)) bounds |= QRect(x, y, 1, 1);
    return bounds;
  }

  // Bounding box of the pixels inside `area` that are not fully transparent.
  static QRect painted(const QImage& image, const QRect& area) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        if (image.pixelColor(x, y).alpha() != 0) bounds |= QRect(x, y, 1, 1);
    return bounds;
  }

  static bool near(const QColor& actual, const QColor& expected, int tolerance = 3) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance &&
           std::abs(actual.alpha() - expected.alpha()) <= tolerance;
  }

  static std::string text(const QColor& color) { return color.name(QColor::HexArgb).toStdString(); }

  OsdCanvas canvas;
};

TEST_F(OsdCanvasPixels, GridLinesBetweenThePlanes) {
  const QImage& image = drawn();
  const QColor grid(51, 51, 51);
  EXPECT_EQ(image.pixelColor(300, 200), grid);
  EXPECT_EQ(image.pixelColor(200, 300), grid);
  // Outer edges too, kept inside the image.
  EXPECT_EQ(image.pixelColor(399, 300), grid);
  EXPECT_EQ(image.pixelColor(300, 399), grid);
  // Beside a line: the plane's own (black) background.
  EXPECT_EQ(image.pixelColor(300, 202), QColor(Qt::black));
}

TEST_F(OsdCanvasPixels, PlanesStartOpaqueBlackAndClearToTransparent) {
  EXPECT_EQ(drawn().pixelColor(300, 300), QColor(Qt::black));
  canvas.plane(3).setBackgroundColor(Rgba::clear());
  EXPECT_EQ(drawn().pixelColor(300, 300).alpha(), 0);
}

TEST_F(OsdCanvasPixels, SelectedPlaneHasABandInTheGradientFromTheTop) {
  const QImage& image = drawn();
  // The band's top edge is in the gradient's start colour, its bottom edge in the end colour.
  EXPECT_TRUE(near(image.pixelColor(100, 1), QColor(250, 222, 120), 4)) << text(image.pixelColor(100, 1));
  EXPECT_TRUE(near(image.pixelColor(100, 198), QColor(242, 171, 48), 4)) << text(image.pixelColor(100, 198));
  EXPECT_TRUE(near(image.pixelColor(1, 100), QColor(246, 196, 84), 6)) << text(image.pixelColor(1, 100));
  // Inside the band's inner edge only its shadow falls; the selected cell's centre stays black.
  EXPECT_EQ(image.pixelColor(100, 100), QColor(Qt::black));
  // The other cells have no band.
  EXPECT_EQ(image.pixelColor(300, 201), QColor(Qt::black));
}

TEST_F(OsdCanvasPixels, NoSelectionDrawsNoBand) {
  canvas.setLayout(-1, 2);
  EXPECT_EQ(drawn().pixelColor(100, 1), QColor(Qt::black));
}

TEST_F(OsdCanvasPixels, DropHighlightIsARoundedFrameInsetBySix) {
  canvas.plane(3).setBackgroundColor(Rgba::clear());
  ASSERT_TRUE(canvas.showHighlight(3));
  const QImage& image = drawn();
  // The 2-pixel line runs over x = 206 (205 and 206 covered) on the left side of cell 3.
  const QColor line(48, 130, 222);
  EXPECT_TRUE(near(image.pixelColor(205, 300), line, 8)) << text(image.pixelColor(205, 300));
  EXPECT_TRUE(near(image.pixelColor(300, 205), line, 8)) << text(image.pixelColor(300, 205));
  // Its shadow on the clear plane keeps its own colour at partial alpha (straight alpha).
  const QColor shadow = image.pixelColor(300, 210);
  EXPECT_GT(shadow.alpha(), 0);
  EXPECT_LT(shadow.alpha(), 255);
  EXPECT_TRUE(near(QColor(shadow.red(), shadow.green(), shadow.blue()), QColor(178, 178, 255), 4)) << text(shadow);
  // The rounded corner leaves the cell's corner clear of the line.
  EXPECT_LT(image.pixelColor(206, 206).alpha(), image.pixelColor(206, 300).alpha());
  EXPECT_EQ(image.pixelColor(300, 300).alpha(), 0);
}

TEST_F(OsdCanvasPixels, PtzIconSitsSevenFromTheTopRightCorner) {
  const QImage hidden = drawn();
  canvas.setPtzIconVisible(1, true);
  canvas.setTitle(1, std::nullopt);  // the view sets the title with the icon; it marks the plane
  const QImage& shown = drawn();
  // Plane 1 is the top-right cell: icon at x = 400 - 7 - 16 = 377, y = 7.
  EXPECT_EQ(differences(hidden, shown, shown.rect()), QRect(377, 7, 16, 16));
  // It carries the picture itself: its centre is the icon's light centre.
  EXPECT_GT(qGray(shown.pixel(385, 15)), 200);
}

TEST_F(OsdCanvasPixels, TitleStaysInsideItsBoxAtTheTopLeft) {
  canvas.setLayout(-1, 2);  // no selection band, whose shadow would reach into the cell
  canvas.plane(3).setBackgroundColor(Rgba::clear());
  canvas.setTitle(3, "A camera title far too long for the plane it is shown on");
  const QImage& image = drawn();
  const int titleHeight = static_cast<int>(std::ceil(
      dynamic_cast<OsdTextBox*>(canvas.plane(3).element(OsdElementTitleKey))->naturalSize().height));
  // Inside the cell, away from the grid lines: the text and its shadow only.
  const QRect cell(201, 201, 197, 197);
  const QRect box = painted(image, cell);
  ASSERT_FALSE(box.isNull());
  // From 8 in, ending at the box 48 narrower than the plane (x < 360), plus the shadow.
  EXPECT_GE(box.left(), 208 - 4);
  EXPECT_LT(box.left(), 212);
  EXPECT_LE(box.right(), 360 + 4);
  EXPECT_GT(box.right(), 340);  // the truncated text reaches its box's end
  EXPECT_LE(box.bottom(), 200 + titleHeight + 4);
  // White text with a black outline.
  bool white = false;
  for (int y = box.top(); y <= box.bottom(); ++y)
    for (int x = box.left(); x <= box.right(); ++x)
      white = white || near(image.pixelColor(x, y), QColor(Qt::white), 10);
  EXPECT_TRUE(white);
}

TEST_F(OsdCanvasPixels, DefaultTitleIsThePlaneNumber) {
  canvas.setTitle(2, "3");
  const QImage explicitTitle = drawn();
  canvas.setTitle(2, std::nullopt);
  EXPECT_EQ(differences(explicitTitle, drawn(), explicitTitle.rect()), QRect());
  canvas.setTitle(2, "4");
  EXPECT_NE(differences(explicitTitle, drawn(), explicitTitle.rect()), QRect());
}

TEST_F(OsdCanvasPixels, TitleHeightDoesNotFollowItsLetters) {
  auto* title = dynamic_cast<OsdTextBox*>(canvas.plane(0).element(OsdElementTitleKey));
  canvas.setTitle(0, "ooo");
  const double low = title->naturalSize().height;
  canvas.setTitle(0, "\u00c4gypten");
  EXPECT_DOUBLE_EQ(title->naturalSize().height, low);
  EXPECT_GT(low, 14.0);
  EXPECT_LT(low, 24.0);
}

TEST_F(OsdCanvasPixels, OnlyTheShownPageIsPainted) {
  OsdCanvas wall(64);
  wall.setup(400, 400, QImage());
  wall.setLayout(21, 4);
  wall.plane(5).setBackgroundColor(Rgba{1, 0, 0, 1});
  wall.plane(16).setBackgroundColor(Rgba{0, 1, 0, 1});
  wall.draw();
  const QImage& image = wall.image();
  EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::green));  // plane 16, top-left cell
  bool red = false;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) red = red || image.pixelColor(x, y) == QColor(Qt::red);
  EXPECT_FALSE(red);
}

TEST_F(OsdCanvasPixels, EmptySelectionGradientLeavesTheWhiteBand) {
  canvas.setSelectionGradient(Gradient(std::vector<Rgba>{}));
  EXPECT_EQ(drawn().pixelColor(100, 1), QColor(Qt::white));
}

}  // namespace
}  // namespace zelvo
