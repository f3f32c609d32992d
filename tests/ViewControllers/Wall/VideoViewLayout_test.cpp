// Pages, points and selection of the wall, without a display.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "ViewControllers/Wall/VideoViewLayout.h"

namespace zelvo {
namespace {

VideoViewPages pagesAt(VideoViewLayout layout, int64_t selected) {
  VideoViewPages pages;
  pages.setLayout(layout);
  pages.setSelectedPlane(selected);
  return pages;
}

TEST(VideoViewPages, DivisionsOfEveryLayout) {
  for (VideoViewLayout layout = 0; layout <= 7; ++layout) {
    VideoViewPages pages = pagesAt(layout, 0);
    EXPECT_EQ(pages.planeCountPerOnRowOfCurrentLayout(), layout + 1);
    EXPECT_EQ(pages.planeCountInCurrentLayout(), (layout + 1) * (layout + 1));
  }
}

TEST(VideoViewPagesDeathTest, LayoutOutsideZeroToSeven) {
  EXPECT_DEATH(divisionsOfLayout(8), "Invalid VideoViewLayout");
  EXPECT_DEATH(divisionsOfLayout(-1), "Invalid VideoViewLayout");
  VideoViewPages pages;
  EXPECT_DEATH(pages.setLayout(8), "Invalid VideoViewLayout");
}

struct PageCase {
  VideoViewLayout layout;
  int64_t selected;
  int64_t first;
  int64_t last;
};

class VideoViewPageBounds : public testing::TestWithParam<PageCase> {};

TEST_P(VideoViewPageBounds, FirstAndLastPlaneOfThePage) {
  const PageCase c = GetParam();
  const VideoViewPages pages = pagesAt(c.layout, c.selected);
  EXPECT_EQ(pages.firstPlaneInCurrentLayout(), c.first);
  EXPECT_EQ(pages.lastPlaneInCurrentLayout(), c.last);
  const std::vector<int64_t> visible = pages.visiblePlanes();
  ASSERT_FALSE(visible.empty());
  EXPECT_EQ(visible.front(), c.first);
  EXPECT_EQ(visible.back(), c.last);
  EXPECT_EQ(static_cast<int64_t>(visible.size()), c.last - c.first + 1);
}

INSTANTIATE_TEST_SUITE_P(Pages, VideoViewPageBounds,
                         testing::Values(PageCase{3, 0, 0, 15}, PageCase{3, 20, 16, 31}, PageCase{3, 63, 48, 63},
                                         PageCase{0, 37, 37, 37}, PageCase{7, 63, 0, 63}, PageCase{2, 0, 0, 8},
                                         PageCase{2, 10, 9, 17}, PageCase{2, 62, 54, 62},
                                         // The last page of 9 holds plane 63 alone.
                                         PageCase{2, 63, 63, 63}, PageCase{6, 50, 49, 63}));

TEST(VideoViewPages, LayoutTwoPagesStartEveryNinePlanes) {
  std::set<int64_t> starts;
  for (int64_t plane = 0; plane < 64; ++plane) starts.insert(pagesAt(2, plane).firstPlaneInCurrentLayout());
  EXPECT_EQ(starts, (std::set<int64_t>{0, 9, 18, 27, 36, 45, 54, 63}));
}

TEST(VideoViewPages, PairsAndPlanesRoundTrip) {
  for (VideoViewLayout layout = 0; layout <= 7; ++layout)
    for (int64_t plane = 0; plane < 64; ++plane) {
      const VideoViewPages pages = pagesAt(layout, plane);
      EXPECT_EQ(pages.planeOfPair(pages.pairOfPlane(plane), pages.depthOfPlane(plane)), plane)
          << "layout " << layout << " plane " << plane;
    }
}

TEST(VideoViewPages, PlaneOfPairOffThePage) {
  const VideoViewPages pages = pagesAt(3, 0);
  EXPECT_EQ(pages.planeOfPair({-1, 0}, 0), -1);
  EXPECT_EQ(pages.planeOfPair({0, -1}, 0), -1);
  EXPECT_EQ(pages.planeOfPair({4, 0}, 0), -1);
  EXPECT_EQ(pages.planeOfPair({0, 4}, 0), -1);
  EXPECT_EQ(pages.planeOfPair({0, 0}, 4), -1);
  EXPECT_EQ(pages.planeOfPair({3, 3}, 3), 63);
  // Layout 2's last page has only its first cell.
  const VideoViewPages nine = pagesAt(2, 63);
  EXPECT_EQ(nine.planeOfPair({0, 0}, 7), 63);
  EXPECT_EQ(nine.planeOfPair({0, 1}, 7), -1);
}

struct PointCase {
  VideoViewLayout layout;
  int64_t selected;
  double x, y;
  int64_t plane;
};

class VideoViewPlaneAtPoint : public testing::TestWithParam<PointCase> {};

// A 400 x 300 view.
TEST_P(VideoViewPlaneAtPoint, PlaneUnderThePoint) {
  const PointCase c = GetParam();
  const VideoViewPages pages = pagesAt(c.layout, c.selected);
  EXPECT_EQ(pages.planeAtPoint({c.x, c.y}, {400, 300}), c.plane) << "(" << c.x << ", " << c.y << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Points, VideoViewPlaneAtPoint,
    testing::Values(PointCase{3, 0, 0, 0, 0}, PointCase{3, 0, 150, 100, 5}, PointCase{3, 0, 99.9, 74.9, 0},
                    PointCase{3, 0, 100, 75, 5},
                    // Right and bottom edges: the last column and row, not the next row or plane 16.
                    PointCase{3, 0, 400, 10, 3}, PointCase{3, 0, 10, 300, 12}, PointCase{3, 0, 400, 300, 15},
                    PointCase{3, 20, 400, 300, 31}, PointCase{3, 48, 400, 300, 63},
                    // Outside the view.
                    PointCase{3, 0, -0.5, 10, -1}, PointCase{3, 0, 10, -1, -1}, PointCase{3, 0, 400.5, 10, -1},
                    PointCase{3, 0, 10, 301, -1}, PointCase{3, 0, -50, -50, -1},
                    // Past plane 63 on a short last page.
                    PointCase{2, 63, 10, 10, 63}, PointCase{2, 63, 200, 10, -1}, PointCase{2, 63, 399, 299, -1},
                    PointCase{0, 37, 400, 300, 37}, PointCase{7, 0, 399, 299, 63}));

TEST(VideoViewPages, PlaneBoundsAtPoint) {
  const VideoViewPages pages = pagesAt(3, 0);
  EXPECT_EQ(pages.planeBoundsAtPoint({150, 100}, {400, 300}), QRectF(100, 75, 100, 75));
  EXPECT_EQ(pages.planeBoundsAtPoint({400, 300}, {400, 300}), QRectF(300, 225, 100, 75));
  EXPECT_TRUE(pages.planeBoundsAtPoint({-1, 5}, {400, 300}).isEmpty());
  EXPECT_TRUE(pagesAt(2, 63).planeBoundsAtPoint({300, 250}, {400, 300}).isEmpty());
}

TEST(VideoViewPages, SelectingOnAndOffThePage) {
  VideoViewPages pages = pagesAt(3, 3);
  // Selecting 20 from 3 on a 4 x 4 page moves the page.
  EXPECT_EQ(pages.setSelectedPlane(20), (VideoViewChange{true, true, true}));
  EXPECT_EQ(pages.firstPlaneInCurrentLayout(), 16);
  EXPECT_EQ(pages.setSelectedPlane(21), (VideoViewChange{true, true, false}));
  EXPECT_EQ(pages.setSelectedPlane(21), VideoViewChange{});
  pages = pagesAt(3, 3);
  EXPECT_EQ(pages.setSelectedPlane(5), (VideoViewChange{true, true, false}));
}

TEST(VideoViewPages, StartsAsTheViewIsMade) {
  VideoViewPages pages;
  EXPECT_EQ(pages.layout(), 0);
  EXPECT_EQ(pages.previousLayout(), 0);
  EXPECT_EQ(pages.selectedPlane(), 0);
  // The GL set-up: plane 0 is selected already, layout 3 is news once.
  EXPECT_EQ(pages.setSelectedPlane(0), VideoViewChange{});
  EXPECT_EQ(pages.setLayout(3), (VideoViewChange{true, false, true}));
  EXPECT_EQ(pages.setLayout(3), VideoViewChange{});
}

TEST(VideoViewPages, ToggleFullLayout) {
  VideoViewPages pages = pagesAt(3, 6);
  EXPECT_EQ(pages.toggleFullLayout(), (VideoViewChange{true, false, true}));
  EXPECT_EQ(pages.layout(), 0);
  EXPECT_EQ(pages.firstPlaneInCurrentLayout(), 6);
  pages.toggleFullLayout();
  EXPECT_EQ(pages.layout(), 3);

  // The layout to return to starts as 0: choosing 0 and toggling stays on 0.
  VideoViewPages fresh;
  fresh.setLayout(3);
  fresh.setLayout(0);
  EXPECT_EQ(fresh.toggleFullLayout(), VideoViewChange{});
  EXPECT_EQ(fresh.layout(), 0);
}

struct MoveCase {
  const char* name;
  VideoViewLayout layout;
  int64_t from;
  VideoViewChange (VideoViewPages::*move)();
  int64_t to;
  bool pageChanged;
};

class VideoViewMoves : public testing::TestWithParam<MoveCase> {};

TEST_P(VideoViewMoves, ArrowKeys) {
  const MoveCase c = GetParam();
  VideoViewPages pages = pagesAt(c.layout, c.from);
  const VideoViewChange change = (pages.*c.move)();
  EXPECT_EQ(pages.selectedPlane(), c.to);
  EXPECT_EQ(change.selectedPlaneChanged, c.to != c.from);
  EXPECT_EQ(change.layoutChanged, c.pageChanged);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, VideoViewMoves,
    testing::Values(MoveCase{"UpInTopRow", 3, 2, &VideoViewPages::moveUp, 2, false},
                    MoveCase{"UpOnSecondPage", 3, 21, &VideoViewPages::moveUp, 17, false},
                    MoveCase{"UpInTopRowOfSecondPage", 3, 17, &VideoViewPages::moveUp, 17, false},
                    MoveCase{"DownInBottomRow", 3, 13, &VideoViewPages::moveDown, 13, false},
                    MoveCase{"Down", 3, 1, &VideoViewPages::moveDown, 5, false},
                    MoveCase{"DownOffShortLastPage", 2, 63, &VideoViewPages::moveDown, 63, false},
                    MoveCase{"LeftFromFirstPlaneOfPage2", 3, 16, &VideoViewPages::moveLeft, 15, true},
                    MoveCase{"LeftFromPlane0", 3, 0, &VideoViewPages::moveLeft, 0, false},
                    MoveCase{"RightFromLastOfPage", 3, 15, &VideoViewPages::moveRight, 16, true},
                    MoveCase{"RightFromPlane63", 3, 63, &VideoViewPages::moveRight, 63, false}),
    [](const testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

struct NextCase {
  const char* name;
  VideoViewLayout layout;
  int64_t from;
  bool rotation;
  bool ignoreUnbound;
  std::set<int64_t> bound;
  int64_t to;
};

class VideoViewNextPage : public testing::TestWithParam<NextCase> {};

TEST_P(VideoViewNextPage, NextPage) {
  const NextCase c = GetParam();
  VideoViewPages pages = pagesAt(c.layout, c.from);
  int asked = 0;
  pages.changeToNextLayout(c.rotation, c.ignoreUnbound, [&](int64_t plane) {
    ++asked;
    return c.bound.count(plane) > 0;
  });
  EXPECT_EQ(pages.selectedPlane(), c.to);
  if (!c.ignoreUnbound) {
    EXPECT_EQ(asked, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, VideoViewNextPage,
    testing::Values(NextCase{"Plain", 3, 5, false, false, {}, 16}, NextCase{"LastPageStays", 3, 50, false, false, {}, 50},
                    NextCase{"LastPageRotates", 3, 50, true, false, {}, 0},
                    NextCase{"Layout7Nothing", 7, 63, true, true, {0}, 63},
                    NextCase{"Layout2From63Stays", 2, 63, false, false, {}, 63},
                    NextCase{"Layout2From63Rotates", 2, 63, true, false, {}, 0},
                    NextCase{"Layout2ToShortLastPage", 2, 60, false, false, {}, 63},
                    NextCase{"SkipsUnboundPages", 3, 0, true, true, {40}, 32},
                    NextCase{"SkipsAndRotates", 3, 40, true, true, {3}, 0},
                    NextCase{"NothingBoundStays", 3, 20, true, true, {}, 20},
                    // Only the current page is bound: no other page qualifies.
                    NextCase{"OnlyOwnPageBound", 3, 20, true, true, {17}, 20},
                    NextCase{"IgnoreWithoutRotationStopsAtEnd", 3, 20, false, true, {5}, 20}),
    [](const testing::TestParamInfo<NextCase>& info) { return std::string(info.param.name); });

TEST(VideoViewPages, PreviousPage) {
  VideoViewPages pages = pagesAt(3, 37);
  EXPECT_TRUE(pages.canChangeToPreviousLayout());
  EXPECT_EQ(pages.changeToPreviousLayout(), (VideoViewChange{true, true, true}));
  EXPECT_EQ(pages.selectedPlane(), 16);
  pages = pagesAt(3, 7);
  EXPECT_FALSE(pages.canChangeToPreviousLayout());
  EXPECT_EQ(pages.changeToPreviousLayout(), VideoViewChange{});
  EXPECT_TRUE(pagesAt(3, 7).canChangeToNextLayout());
  EXPECT_FALSE(pagesAt(3, 50).canChangeToNextLayout());
  EXPECT_FALSE(pagesAt(7, 63).canChangeToNextLayout());
}

}  // namespace
}  // namespace zelvo
