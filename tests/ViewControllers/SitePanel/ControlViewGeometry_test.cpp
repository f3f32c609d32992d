// Where the control view draws its background for a size, in the view's design
// coordinates (y up from the bottom edge), and the flip into widget coordinates.
#include "ViewControllers/SitePanel/ControlViewGeometry.h"

#include <gtest/gtest.h>

namespace zelvo {
namespace {

const ControlViewGeometry::Pictures Pictures{{39, 20}, {4, 20}, {4, 20}, {20, 20}, {20, 20}};

TEST(ControlViewGeometry, FollowsTheTopEdgeAndKeepsTheColourBarAboveTheBottom) {
  struct Case {
    double width, height;
    QRectF whiteBox;
    double firstRowY;
    double fieldWidth;
    double barWidth;
    double ptzBarY;
  } cases[] = {
      {213, 519, QRectF(0, 418, 215, 100), 491, 125, 213, 398},
      {250, 600, QRectF(0, 499, 252, 100), 572, 162, 287, 479},
      {200, 400, QRectF(0, 299, 202, 100), 372, 112, 187, 279},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    const ControlViewGeometry g = ControlViewGeometry::forSize(c.width, c.height, Pictures);
    EXPECT_EQ(g.changedViewWidthValue, 213 - c.width);
    EXPECT_EQ(g.changedViewHeightValue, 519 - c.height);
    EXPECT_EQ(g.whiteBox, c.whiteBox);
    EXPECT_EQ(g.textFieldWidth, c.fieldWidth);
    ASSERT_EQ(g.rows.size(), 4u);
    for (int r = 0; r < 4; ++r) {
      const ControlViewGeometry::Row& row = g.rows[static_cast<size_t>(r)];
      const double y = c.firstRowY - 21 * r;
      EXPECT_EQ(row.leftCap, QRectF(5, y, 39, 20));
      EXPECT_EQ(row.middle, QRectF(44, y, c.fieldWidth, 20));
      EXPECT_EQ(row.rightCap, QRectF(44 + c.fieldWidth, y, 39, 20));
    }
    ASSERT_TRUE(g.ptzTitleBar && g.colorTitleBar);
    EXPECT_EQ(*g.ptzTitleBar, QRectF(0, c.ptzBarY, c.barWidth, 20));
    EXPECT_EQ(g.ptzIcon, QRectF(7, c.ptzBarY, 20, 20));
    EXPECT_EQ(*g.colorTitleBar, QRectF(0, 103, c.barWidth, 20));
    EXPECT_EQ(g.colorIcon, QRectF(7, 103, 20, 20));
  }
}

TEST(ControlViewGeometry, NarrowViewsDrawNoRowsAndNoBars) {
  for (double width : {88.0, 60.0, 0.0}) {
    SCOPED_TRACE(width);
    const ControlViewGeometry g = ControlViewGeometry::forSize(width, 519, Pictures);
    EXPECT_TRUE(g.rows.empty());
  }
  EXPECT_EQ(ControlViewGeometry::forSize(89, 519, Pictures).rows.size(), 4u);
  // The bars are width - dw = 2 width - 213 wide: none at 106.5 or narrower.
  EXPECT_FALSE(ControlViewGeometry::forSize(106, 519, Pictures).ptzTitleBar);
  EXPECT_FALSE(ControlViewGeometry::forSize(106, 519, Pictures).colorTitleBar);
  EXPECT_TRUE(ControlViewGeometry::forSize(107, 519, Pictures).ptzTitleBar);
}

TEST(ControlViewGeometry, FlipsIntoWidgetCoordinates) {
  const ControlViewGeometry g = ControlViewGeometry::forSize(213, 519, Pictures);
  // The white box lies 1 below the top edge; the first row at 8, the bars at 101 and 396.
  EXPECT_EQ(ControlViewGeometry::flipped(g.whiteBox, 519), QRectF(0, 1, 215, 100));
  EXPECT_EQ(ControlViewGeometry::flipped(g.rows[0].middle, 519), QRectF(44, 8, 125, 20));
  EXPECT_EQ(ControlViewGeometry::flipped(*g.ptzTitleBar, 519), QRectF(0, 101, 213, 20));
  EXPECT_EQ(ControlViewGeometry::flipped(*g.colorTitleBar, 519), QRectF(0, 396, 213, 20));
  const ControlViewGeometry tall = ControlViewGeometry::forSize(250, 600, Pictures);
  EXPECT_EQ(ControlViewGeometry::flipped(*tall.ptzTitleBar, 600), QRectF(0, 101, 287, 20));
  EXPECT_EQ(ControlViewGeometry::flipped(*tall.colorTitleBar, 600), QRectF(0, 477, 287, 20));
}

}  // namespace
}  // namespace zelvo
