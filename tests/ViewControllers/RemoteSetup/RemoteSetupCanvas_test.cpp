// The remote-setup canvas: magenta until painted, pictures at their top-left offsets,
// magenta keyed out, and what was painted kept across a resize.
#include <gtest/gtest.h>

#include "ViewControllers/RemoteSetup/RemoteSetupCanvas.h"

namespace zelvo {
namespace {

QImage solid(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

// Pixels inside rect are inside, all others outside.
void expectRegion(const QImage& image, const QRect& rect, QRgb inside, QRgb outside) {
  int wrong = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb want = rect.contains(x, y) ? inside : outside;
      if (image.pixel(x, y) != want && wrong++ < 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << image.pixel(x, y) << ", not " << want;
      }
    }
  }
}

TEST(RemoteSetupCanvas, StartsAndClearsOpaqueMagentaInTheWindowsFormat) {
  RemoteSetupCanvas canvas(QSize(64, 48));
  EXPECT_EQ(canvas.image().format(), QImage::Format_RGB32);
  EXPECT_EQ(canvas.image().bytesPerLine(), 4 * 64);
  expectRegion(canvas.image(), QRect(), 0, RemoteSetupCanvas::Key);
  canvas.drawImage(solid(10, 10, 0xFF00FF00), QPoint(0, 0));
  canvas.clear();
  expectRegion(canvas.image(), QRect(), 0, RemoteSetupCanvas::Key);
  EXPECT_TRUE(RemoteSetupCanvas(QSize(0, 10)).image().isNull());
}

TEST(RemoteSetupCanvas, PicturesLandAtTheirTopLeftOffset) {
  struct Case {
    const char* name;
    QSize picture;
    QPoint offset;
    QRect expected;  // on a 480 high canvas, top-left origin
  } cases[] = {
      {"100 x 20 at (10, 30)", QSize(100, 20), QPoint(10, 30), QRect(10, 30, 100, 20)},
      {"at the origin", QSize(5, 5), QPoint(0, 0), QRect(0, 0, 5, 5)},
      {"hanging over the bottom right is cut", QSize(50, 50), QPoint(620, 460), QRect(620, 460, 20, 20)},
      {"hanging over the top left is cut", QSize(50, 50), QPoint(-10, -20), QRect(0, 0, 40, 30)},
      {"entirely outside", QSize(50, 50), QPoint(700, 10), QRect()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoteSetupCanvas canvas(QSize(640, 480));
    EXPECT_EQ(canvas.drawImage(solid(c.picture.width(), c.picture.height(), 0xFF00FF00), c.offset), c.expected);
    expectRegion(canvas.image(), c.expected, 0xFF00FF00, RemoteSetupCanvas::Key);
  }
}

TEST(RemoteSetupCanvas, PicturesAccumulateEachOverItsOwnRectangle) {
  RemoteSetupCanvas canvas(QSize(40, 40));
  canvas.drawImage(solid(20, 20, 0xFF0000FF), QPoint(0, 0));
  canvas.drawImage(solid(10, 10, 0xFFFF0000), QPoint(10, 10));
  EXPECT_EQ(canvas.image().pixel(5, 5), 0xFF0000FFu);
  EXPECT_EQ(canvas.image().pixel(15, 15), 0xFFFF0000u);
  EXPECT_EQ(canvas.image().pixel(25, 25), RemoteSetupCanvas::Key);
  // A null picture (one that did not decode) changes nothing.
  EXPECT_TRUE(canvas.drawImage(QImage(), QPoint(0, 0)).isEmpty());
  EXPECT_EQ(canvas.image().pixel(5, 5), 0xFF0000FFu);
}

TEST(RemoteSetupCanvas, ExactlyMagentaIsKeyedOut) {
  RemoteSetupCanvas canvas(QSize(4, 1));
  QImage picture(4, 1, QImage::Format_ARGB32);
  picture.setPixel(0, 0, 0xFFFF00FF);  // the recorder's own magenta: see-through too
  picture.setPixel(1, 0, 0xFFFF00FE);
  picture.setPixel(2, 0, 0xFFFE00FF);
  picture.setPixel(3, 0, 0xFFFF01FF);
  canvas.drawImage(picture, QPoint(0, 0));
  const QImage masked = canvas.masked();
  EXPECT_EQ(qAlpha(masked.pixel(0, 0)), 0);
  for (int x = 1; x < 4; ++x) {
    SCOPED_TRACE(x);
    EXPECT_EQ(masked.pixel(x, 0), picture.pixel(x, 0));
  }
  // A part of the canvas alone.
  EXPECT_EQ(canvas.masked(QRect(1, 0, 2, 1)).size(), QSize(2, 1));
  EXPECT_EQ(canvas.masked(QRect(1, 0, 2, 1)).pixel(0, 0), 0xFFFF00FEu);
}

TEST(RemoteSetupCanvas, AResizeKeepsWhatWasPaintedAndFillsTheRestWithMagenta) {
  RemoteSetupCanvas canvas(QSize(40, 30));
  canvas.drawImage(solid(10, 10, 0xFF00FF00), QPoint(5, 5));
  EXPECT_TRUE(canvas.resize(QSize(80, 60)));
  EXPECT_EQ(canvas.size(), QSize(80, 60));
  expectRegion(canvas.image(), QRect(5, 5, 10, 10), 0xFF00FF00, RemoteSetupCanvas::Key);
  // Smaller: what still fits stays.
  EXPECT_TRUE(canvas.resize(QSize(10, 10)));
  expectRegion(canvas.image(), QRect(5, 5, 5, 5), 0xFF00FF00, RemoteSetupCanvas::Key);
  EXPECT_FALSE(canvas.resize(QSize(10, 10)));
  // From no canvas at all (a view not yet laid out).
  RemoteSetupCanvas empty;
  EXPECT_TRUE(empty.resize(QSize(3, 3)));
  expectRegion(empty.image(), QRect(), 0, RemoteSetupCanvas::Key);
}

}  // namespace
}  // namespace zelvo
