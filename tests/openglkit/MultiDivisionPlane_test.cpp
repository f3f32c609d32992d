// The wall's layouts, camera and per-plane operations (state, no pixels).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "openglkit/WallScene.h"

namespace zelvo {
namespace {

class WallTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
    ASSERT_TRUE(scene.init());
  }
  MultiDivisionPlane& wall() { return *scene.wall; }
  test::WallScene scene{64, 32, 32};
};
using WallDeathTest = WallTest;

TEST_F(WallTest, AfterInitOnlyPlaneZeroIsShown) {
  EXPECT_EQ(wall().planeCount(), 64);
  EXPECT_TRUE(wall().isFront(0));
  EXPECT_EQ(wall().plane(0).depth(), -1);
  for (int i = 1; i < 64; ++i) {
    EXPECT_FALSE(wall().isFront(i));
    EXPECT_EQ(wall().planePosition(i), (PlanePosition{0, 0, i})) << "plane " << i;
  }
  EXPECT_EQ(wall().camera().eye(), Vector(0.5f, -0.5f, 1, 0));
  EXPECT_EQ(wall().camera().far(), 2.5f);
}

struct LayoutCase {
  const char* name;
  int selected, divisions;
  struct Expect {
    int plane;
    PlanePosition position;
  };
  std::vector<Expect> expected;
};

class WallLayout : public WallTest, public testing::WithParamInterface<LayoutCase> {};

TEST_P(WallLayout, PlacesThePlanes) {
  const auto& c = GetParam();
  wall().setLayout(c.selected, c.divisions);
  for (const auto& e : c.expected) {
    EXPECT_EQ(wall().planePosition(e.plane), e.position) << "plane " << e.plane;
    EXPECT_EQ(wall().isFront(e.plane), e.position.layer == 0) << "plane " << e.plane;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WallLayout,
    testing::Values(
        // Page 1 of 2 x 2: the page before goes behind all pages (16 - (-1)).
        LayoutCase{"SecondPageOfTwoByTwo",
                   5,
                   2,
                   {{4, {0, 0, 0}}, {5, {1, 0, 0}}, {6, {0, 1, 0}}, {7, {1, 1, 0}}, {0, {0, 0, 17}},
                    {3, {1, 1, 17}}, {8, {0, 0, 1}}, {63, {1, 1, 14}}}},
        LayoutCase{"EightByEightShowsAll", 63, 8, {{0, {0, 0, 0}}, {9, {1, 1, 0}}, {63, {7, 7, 0}}}},
        LayoutCase{"OneByOne", 0, 1, {{0, {0, 0, 0}}, {1, {0, 0, 1}}, {63, {0, 0, 63}}}},
        LayoutCase{"LastPageOfThreeByThree",
                   63,
                   3,
                   {{63, {0, 0, 0}}, {62, {2, 2, 8}}, {0, {0, 0, 14}}, {54, {0, 0, 8}}}},
        LayoutCase{"LastPageOfOneByOne", 63, 1, {{63, {0, 0, 0}}, {0, {0, 0, 127}}, {62, {0, 0, 65}}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WallTest, FramingThreeDivisionsPutsThePageSixAway) {
  wall().setLayout(0, 3);
  const Camera& camera = wall().camera();
  EXPECT_EQ(camera.eye(), Vector(1.5f, -1.5f, 5, 0));
  EXPECT_EQ(camera.far(), 6.5f);
  EXPECT_EQ(camera.near(), 2);
  Vector corner = camera.view() * Vector(0, 0, -1, 1);
  EXPECT_EQ(corner.z(), -6) << "depth -1 lies 6 away";
}

TEST_F(WallTest, EveryLayoutFramesItsPageAndCutsTheNext) {
  for (int d = 1; d <= 8; ++d) {
    wall().setLayout(0, d);
    Matrix mvp = wall().camera().projection() * wall().camera().view();
    Vector topLeft = mvp * Vector(0, 0, -1, 1);
    Vector bottomRight = mvp * Vector(static_cast<float>(d), static_cast<float>(-d), -1, 1);
    EXPECT_FLOAT_EQ(topLeft.x() / topLeft.w(), -1) << d;
    EXPECT_FLOAT_EQ(topLeft.y() / topLeft.w(), 1) << d;
    EXPECT_FLOAT_EQ(bottomRight.x() / bottomRight.w(), 1) << d;
    EXPECT_FLOAT_EQ(bottomRight.y() / bottomRight.w(), -1) << d;
    EXPECT_LE(topLeft.z() / topLeft.w(), 1) << d;
    Vector behind = mvp * Vector(0, 0, -2, 1);
    EXPECT_GT(behind.z() / behind.w(), 1) << "the next page lies beyond far at " << d;
  }
}

TEST_F(WallTest, ConversionMatrixIsTheProductOfConversionAndLevels) {
  const float columns[16] = {1.1643f, 1.1643f, 1.1643f, 0, 0,         -0.39173f, 2.017f,     0,
                             1.5958f, -0.8129f, 0,       0, -0.870669f, 0.529546f, -1.081269f, 1};
  Matrix expected(columns);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(wall().yuvToRgb().element(r, c), expected.element(r, c), 1e-6f) << r << ", " << c;
}

TEST_F(WallTest, UpdateAsksForARedrawEveryTime) {
  EXPECT_TRUE(wall().update(0));
  EXPECT_TRUE(wall().update(0.016f));
}

TEST_F(WallTest, ViewSizeAndFitReachEveryPlane) {
  test::uploadSolid(wall(), 40, {100, 128, 128}, 704, 480);
  wall().setViewSize(1280, 720);
  wall().setKeepAspectRatio(true);
  EXPECT_TRUE(wall().plane(63).keepAspectRatio());
  Plane::Quad q = wall().plane(40).fittedRect();
  EXPECT_FLOAT_EQ(q.x1 - q.x0, 0.825f);
}

TEST_F(WallTest, ClearPlaneFillsAndResetsTheSettings) {
  wall().setConfiguration(3, {0.5f, 0.5f, 0.1f, 0.2f});
  EXPECT_EQ(wall().getConfiguration(3), (CameraConfiguration{0.5f, 0.5f, 0.1f, 0.2f}));
  wall().clearPlane(3, 0, 0, 0);
  EXPECT_EQ(wall().getConfiguration(3), CameraConfiguration{});
  EXPECT_EQ(wall().plane(3).colorTransform(), Matrix::identity());
  wall().setConfiguration(9, {0.5f, 0, 0, 0});
  wall().clearAllPlanes(0, 0, 0);
  EXPECT_EQ(wall().getConfiguration(9), CameraConfiguration{});
}

TEST(EmptyWall, DrawsNothingAndNeedsNoRedraw) {
  test::WallScene empty(0, 8, 8);
  if (!empty.gl.isValid()) FAIL() << "no GL context: " << empty.gl.error();
  ASSERT_TRUE(empty.init());
  EXPECT_FALSE(empty.wall->update(0));
  empty.wall->setLayout(0, 2);
  empty.draw();
}

TEST_F(WallDeathTest, PlaneIndexOutsideTheWallStops) {
  const char* text = "Invalid parameter not satisfying: 0 <= plane && plane < planeCount_";
  EXPECT_DEATH(wall().isFront(64), text);
  EXPECT_DEATH(wall().planePosition(-1), text);
  EXPECT_DEATH(wall().clearPlane(64, 0, 0, 0), text);
  EXPECT_DEATH(wall().setConfiguration(64, {}), text);
  EXPECT_DEATH(wall().getConfiguration(-1), text);
  EXPECT_DEATH(wall().snapshot(64), text);
  EXPECT_DEATH(test::uploadSolid(wall(), 64, {0, 0, 0}), text);
  EXPECT_DEATH(wall().setPlanePosition(64, 2, 0),
               "setPlanePosition, openglkit/MultiDivisionPlane:[0-9]+: Invalid parameter not satisfying: 0 <= "
               "plane && plane < planeCount\\(\\)");
}

TEST_F(WallDeathTest, LayoutWithoutDivisionsStops) {
  EXPECT_DEATH(wall().setLayout(0, 0),
               "Invalid parameter not satisfying: 1 <= divisions && divisions <= maximumDivisions");
  EXPECT_DEATH(wall().setLayout(0, 9), "1 <= divisions && divisions <= maximumDivisions");
}

}  // namespace
}  // namespace zelvo
