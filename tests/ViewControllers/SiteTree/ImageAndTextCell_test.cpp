// The site tree cell's geometry, in the view's top-left coordinates.
#include <gtest/gtest.h>

#include "ViewControllers/SiteTree/ImageAndTextCell.h"

namespace zelvo {
namespace {

struct RowCase {
  const char* name;
  QRect row;
  QSize image;
  bool inProgress;
  QRect expectImage;
  QRect expectTitle;
};

TEST(ImageAndTextCellGeometry, IconTitleAndSpinnerAreWhereTheRowPutsThem) {
  const RowCase cases[] = {
      // 20 high, 16x16 icon: icon 3 in and 1 down; the title 19 + 2 in, 2 down, 4 shorter.
      {"icon row", QRect(10, 40, 200, 20), QSize(16, 16), false, QRect(13, 41, 16, 16), QRect(31, 42, 181, 16)},
      // Resolving: the title is 16 narrower.
      {"resolving row", QRect(10, 40, 200, 20), QSize(16, 16), true, QRect(13, 41, 16, 16), QRect(31, 42, 165, 16)},
      // Odd room above and below rounds the icon down.
      {"odd height", QRect(0, 0, 100, 21), QSize(16, 16), false, QRect(3, 2, 16, 16), QRect(21, 2, 81, 17)},
      // A smaller icon is centred.
      {"small icon", QRect(0, 100, 100, 20), QSize(12, 12), false, QRect(3, 103, 12, 12), QRect(17, 102, 85, 16)},
      // Without an icon the slice is 3 wide.
      {"no icon", QRect(10, 40, 200, 20), QSize(), false, QRect(), QRect(15, 42, 197, 16)},
  };
  for (const RowCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.image.isEmpty()) {
      EXPECT_EQ(cell::imageRect(c.row, c.image), c.expectImage);
    }
    EXPECT_EQ(cell::titleRect(c.row, c.image, c.inProgress), c.expectTitle);
  }
}

TEST(ImageAndTextCellGeometry, TheSpinnerSitsTwoInsideTheRightSliceCentred) {
  EXPECT_EQ(cell::spinnerRect(QRect(10, 40, 200, 20)), QRect(192, 42, 16, 16));
  EXPECT_EQ(cell::spinnerRect(QRect(0, 0, 120, 25)), QRect(102, 5, 16, 16));
  // The spinner's slice is right of the narrowed title.
  QRect row(10, 40, 200, 20);
  EXPECT_LE(cell::titleRect(row, QSize(16, 16), true).right(), cell::spinnerRect(row).left() + 4);
}

TEST(ImageAndTextCellGeometry, ASectionTitleIsCentredAndAGroupCell) {
  EXPECT_EQ(cell::sectionTitleRect(QRect(10, 40, 200, 20), 14), QRect(10, 43, 200, 14));
  EXPECT_EQ(cell::sectionTitleRect(QRect(0, 0, 100, 20), 15), QRect(0, 2, 100, 16));
  EXPECT_TRUE(cell::isGroupCell(false, "SITES"));
  EXPECT_FALSE(cell::isGroupCell(true, "Shop"));
  EXPECT_FALSE(cell::isGroupCell(false, ""));
}

TEST(ImageAndTextCellGeometry, TheSizeMakesRoomForTheIcon) {
  EXPECT_EQ(cell::sizeHint(QSize(50, 18), QSize(16, 16)), QSize(69, 18));
  EXPECT_EQ(cell::sizeHint(QSize(50, 18), QSize()), QSize(53, 18));
}

}  // namespace
}  // namespace zelvo
