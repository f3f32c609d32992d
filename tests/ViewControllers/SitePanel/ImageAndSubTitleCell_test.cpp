// The event log cell's geometry, in the row's top-left coordinates.
#include <gtest/gtest.h>

#include "ViewControllers/SitePanel/ImageAndSubTitleCell.h"

namespace zelvo {
namespace {

using namespace subtitlecell;

TEST(ImageAndSubTitleCellGeometry, IconTitleAndSubtitle) {
  struct Case {
    const char* name;
    QRectF frame;
    QSizeF image;
    QSizeF title;
    QRectF expectImage;
    QRectF expectTitle;
  } cases[] = {
      {"a 24x24 icon in a 36 high row", QRectF(0, 0, 300, 36), QSizeF(24, 24), QSizeF(100, 14),
       QRectF(5, 5, 24, 24), QRectF(36, 1, 100, 14)},
      {"a row further down and in", QRectF(10, 72, 300, 36), QSizeF(24, 24), QSizeF(100, 14),
       QRectF(15, 77, 24, 24), QRectF(46, 73, 100, 14)},
      {"odd room rounds the icon down", QRectF(0, 0, 300, 35), QSizeF(24, 24), QSizeF(100, 14),
       QRectF(5, 5, 24, 24), QRectF(36, 1, 100, 14)},
      {"a title wider than the room is cut to the room", QRectF(0, 0, 212, 36), QSizeF(24, 24), QSizeF(400, 14),
       QRectF(5, 5, 24, 24), QRectF(36, 1, 176, 14)},
      {"no room at all: width 0, never below", QRectF(0, 0, 30, 36), QSizeF(24, 24), QSizeF(400, 14),
       QRectF(5, 5, 24, 24), QRectF(36, 1, 0, 14)},
      {"without an icon: an empty grey rectangle, the title at 12", QRectF(20, 0, 300, 36), QSizeF(0, 0),
       QSizeF(100, 14), QRectF(25, 17, 0, 0), QRectF(32, 1, 100, 14)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(imageRect(c.frame, c.image), c.expectImage);
    EXPECT_EQ(titleRect(c.frame, c.image, c.title), c.expectTitle);
  }
}

TEST(ImageAndSubTitleCellGeometry, TheSubtitleGoesUnderTheTitle) {
  const QRectF frame(0, 0, 300, 36);
  const QRectF title(36, 1, 100, 14);
  EXPECT_EQ(subtitleRect(frame, title, true), QRectF(36, 15, 264, 36));
  // A title that starts at the frame's edge (or left of it) leaves the whole width.
  EXPECT_EQ(subtitleRect(frame, QRectF(0, 1, 50, 14), true), QRectF(0, 15, 300, 36));
  // No subtitle: no second line.
  EXPECT_TRUE(subtitleRect(frame, title, false).isNull());
}

TEST(ImageAndSubTitleCellGeometry, GroupCellsAndCellSize) {
  EXPECT_FALSE(isGroupCell(true, QStringLiteral("Motion 1 (Shop)")));
  EXPECT_TRUE(isGroupCell(false, QStringLiteral("Motion 1 (Shop)")));
  EXPECT_FALSE(isGroupCell(false, QString()));
  EXPECT_EQ(cellSize(QSizeF(100, 36), QSizeF(24, 24)), QSizeF(127, 36));
  EXPECT_EQ(cellSize(QSizeF(100, 36), QSizeF(0, 0)), QSizeF(103, 36));
}

}  // namespace
}  // namespace zelvo
