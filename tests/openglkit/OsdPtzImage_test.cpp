// The PTZ icon that every plane of the on-screen display carries, loaded by name.
#include <gtest/gtest.h>

#include <QImage>

#include "Resources/Resources.h"

namespace zelvo {
namespace {

TEST(OsdPtzImage, LoadsByNameAtItsNaturalSizeWithTransparency) {
  const QImage icon = imageResource("osd_ptz", "png").convertToFormat(QImage::Format_ARGB32);
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.size(), QSize(16, 16));
  EXPECT_TRUE(icon.hasAlphaChannel());
  // Corners clear, so the video shows around the symbol.
  for (const QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)})
    EXPECT_EQ(qAlpha(icon.pixel(corner)), 0);
  // A light centre ringed by a dark outline: legible on bright and on dark video.
  int light = 0;
  int dark = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const QRgb pixel = icon.pixel(x, y);
      if (qAlpha(pixel) < 128) continue;
      if (qGray(pixel) > 200) ++light;
      if (qGray(pixel) < 60) ++dark;
    }
  }
  EXPECT_GT(qGray(icon.pixel(8, 8)), 200);
  EXPECT_GT(light, 20);
  EXPECT_GT(dark, 20);
}

TEST(OsdPtzImage, UnknownNameGivesNoImage) {
  EXPECT_TRUE(imageResource("no_such_image", "png").isNull());
}

}  // namespace
}  // namespace zelvo
