// The screen without painting the overlay: construction limits, which calls tell the owner,
// highlight answers, plane images off the page and the tile geometry.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "openglkit/GLTestContext.h"
#include "openglkit/Screen.h"
#include "openglkit/Screen_TestScene.h"

namespace zelvo {
namespace {

class SpyDelegate : public ScreenDelegate {
 public:
  void screenUpdated() override { ++updates; }
  int updates = 0;
};

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
    screen = std::make_unique<Screen>(64, &spy);
    ASSERT_TRUE(screen->init(640, 480));
    spy.updates = 0;
  }

  test::GLTestContext gl;
  SpyDelegate spy;
  std::unique_ptr<Screen> screen;
};

struct ForwarderCase {
  const char* name;
  std::function<void(Screen&)> call;
  int notifications;
};

class ScreenNotifies : public ScreenTest, public ::testing::WithParamInterface<ForwarderCase> {};

TEST_P(ScreenNotifies, ByTheRule) {
  GetParam().call(*screen);
  EXPECT_EQ(spy.updates, GetParam().notifications);
}

const test::Yuv420 frame = test::solidFrame(120);

INSTANTIATE_TEST_SUITE_P(
    Forwarders, ScreenNotifies,
    ::testing::Values(
        ForwarderCase{"SetLayout", [](Screen& s) { s.setLayout(5, 2); }, 1},
        // Every forwarder notifies even when nothing changed.
        ForwarderCase{"SetLayoutUnchanged", [](Screen& s) { s.setLayout(0, 1); }, 1},
        ForwarderCase{"SetKeepAspectRatio", [](Screen& s) { s.setKeepAspectRatio(true); }, 1},
        ForwarderCase{"SetSelectionGradient",
                      [](Screen& s) { s.setSelectionGradient(Gradient(Rgba::white(), Rgba::black())); }, 1},
        ForwarderCase{"SetVideoFrame",
                      [](Screen& s) {
                        s.setVideoFrame(3, frame.width, frame.height, frame.lineSize, frame.y.data(), 1, 1,
                                        frame.u.data(), frame.v.data());
                      },
                      1},
        ForwarderCase{"ReshapeToANewSize", [](Screen& s) { s.reshape(800, 600); }, 1},
        ForwarderCase{"ReshapeToTheSameSize", [](Screen& s) { s.reshape(640, 480); }, 0},
        ForwarderCase{"ClearPlaneOsd", [](Screen& s) { s.clearPlaneOsd(2, Rgba::clear()); }, 1},
        ForwarderCase{"ClearPlaneWithGradient",
                      [](Screen& s) { s.clearPlaneWithGradient(2, Gradient(Rgba::white(), Rgba::black())); }, 1},
        ForwarderCase{"ClearPlane", [](Screen& s) { s.clearPlane(2); }, 1},
        ForwarderCase{"ClearAllPlanesOnce", [](Screen& s) { s.clearAllPlanes(); }, 1},
        ForwarderCase{"PlaneCount", [](Screen& s) { EXPECT_EQ(s.planeCount(), 64); }, 0},
        ForwarderCase{"SetTitle", [](Screen& s) { s.setTitle(4, "Gate"); }, 1},
        ForwarderCase{"SetTitleNone", [](Screen& s) { s.setTitle(4, std::nullopt); }, 1},
        ForwarderCase{"ShowPtzIcon", [](Screen& s) { s.showPtzIcon(4); }, 1},
        ForwarderCase{"HidePtzIcon", [](Screen& s) { s.hidePtzIcon(4); }, 1},
        ForwarderCase{"ShowHighlight", [](Screen& s) { EXPECT_TRUE(s.showHighlight(0)); }, 1},
        ForwarderCase{"ShowHighlightAgain",
                      [](Screen& s) {
                        s.showHighlight(0);
                        EXPECT_FALSE(s.showHighlight(0));
                      },
                      1},
        ForwarderCase{"ShowHighlightOffThePage", [](Screen& s) { EXPECT_FALSE(s.showHighlight(1)); }, 0},
        ForwarderCase{"HideHighlightWithNone", [](Screen& s) { EXPECT_FALSE(s.hideHighlight()); }, 0},
        ForwarderCase{"HideHighlight",
                      [](Screen& s) {
                        s.showHighlight(0);
                        EXPECT_TRUE(s.hideHighlight());
                      },
                      2},
        ForwarderCase{"SetCameraConfiguration",
                      [](Screen& s) { s.setCameraConfiguration(1, CameraConfiguration{0.5f, 0, 0, 0}); }, 1},
        ForwarderCase{"GetCameraConfiguration",
                      [](Screen& s) { EXPECT_EQ(s.getCameraConfiguration(1), CameraConfiguration{}); }, 0},
        ForwarderCase{"ImageOfPlaneAsShown", [](Screen& s) { EXPECT_TRUE(s.imageOfPlane(0, true)); }, 0},
        ForwarderCase{"SnapshotImageOfPlane", [](Screen& s) { EXPECT_TRUE(s.imageOfPlane(0, false)); }, 0},
        ForwarderCase{"DragImageOfPlane", [](Screen& s) { EXPECT_TRUE(s.dragImageOfPlane(0)); }, 0}),
    [](const ::testing::TestParamInfo<ForwarderCase>& info) { return std::string(info.param.name); });

TEST_F(ScreenTest, ForwardsToBothLayers) {
  screen->setLayout(21, 4);
  EXPECT_EQ(screen->osd().selectedPlane(), 21);
  EXPECT_EQ(screen->osd().divisions(), 4);
  EXPECT_TRUE(screen->video().isFront(16));
  EXPECT_FALSE(screen->video().isFront(5));
  screen->setCameraConfiguration(7, CameraConfiguration{0.25f, -0.5f, 0.1f, 0.2f});
  EXPECT_EQ(screen->getCameraConfiguration(7), (CameraConfiguration{0.25f, -0.5f, 0.1f, 0.2f}));
}

TEST_F(ScreenTest, ReshapeRespecifiesTheRenderTargetOnlyAtTheNextUpdate) {
  EXPECT_EQ(screen->renderTarget().width(), 640);
  screen->reshape(800, 600);
  EXPECT_EQ(screen->viewWidth(), 800);
  EXPECT_EQ(screen->renderTarget().width(), 640);
  EXPECT_EQ(screen->renderTarget().height(), 480);
}

TEST_F(ScreenTest, ImagesOfAPlaneOnAnotherPageAreNone) {
  screen->setLayout(0, 2);
  EXPECT_FALSE(screen->imageOfPlane(4, true));
  EXPECT_FALSE(screen->imageOfPlane(4, false));
  EXPECT_FALSE(screen->dragImageOfPlane(4));
  EXPECT_TRUE(screen->dragImageOfPlane(3));
}

TEST_F(ScreenTest, SnapshotOfAPlaneWithoutVideoIsTwoByTwo) {
  const std::optional<RgbaImage> image = screen->imageOfPlane(0, false);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->height, 2);
}

struct TileCase {
  const char* name;
  float width, height;
  int divisions, plane;
  int tileWidth, tileHeight;
};

class ScreenTile : public ScreenTest, public ::testing::WithParamInterface<TileCase> {};

TEST_P(ScreenTile, DragImageIsABlackTileOfThePlanesSize) {
  const TileCase& c = GetParam();
  screen = std::make_unique<Screen>(64, &spy);
  ASSERT_TRUE(screen->init(c.width, c.height));
  screen->setLayout(c.plane, c.divisions);
  const std::optional<RgbaImage> image = screen->dragImageOfPlane(c.plane);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, c.tileWidth);
  EXPECT_EQ(image->height, c.tileHeight);
  ASSERT_EQ(image->pixels.size(), static_cast<size_t>(c.tileWidth) * c.tileHeight * 4);
  for (size_t i = 0; i < image->pixels.size(); i += 4) {
    ASSERT_EQ(image->pixels[i], 0);
    ASSERT_EQ(image->pixels[i + 3], 255);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Geometry, ScreenTile,
    ::testing::Values(
        // Column 2, row 1 of 3: cut from x = 666, y = 200.
        TileCase{"ThousandBySixHundredInThree", 1000, 600, 3, 5, 334, 200},
        TileCase{"ThousandBySixHundredFirstInThree", 1000, 600, 3, 0, 333, 200},
        TileCase{"WholeViewInOne", 640, 480, 1, 0, 640, 480},
        TileCase{"FractionalViewInEight", 801.6f, 601.4f, 8, 63, 101, 76}),
    [](const ::testing::TestParamInfo<TileCase>& info) { return std::string(info.param.name); });

TEST(ScreenDeathTest, PlaneCountOutsideOneToSixtyFour) {
  EXPECT_DEATH(Screen(0, nullptr), "Invalid parameter not satisfying: 0 < planes && planes <= LayoutMax \\* LayoutMax");
  EXPECT_DEATH(Screen(65, nullptr), "openglkit/Screen:.*0 < planes && planes <= LayoutMax \\* LayoutMax");
}

TEST(Screen, SixtyFourPlanesAreAccepted) {
  test::GLTestContext gl;
  if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
  Screen screen(64, nullptr);
  EXPECT_TRUE(screen.init(64, 64));
  EXPECT_EQ(screen.planeCount(), 64);
}

using ScreenPlaneDeathTest = ScreenTest;

TEST_F(ScreenPlaneDeathTest, PlaneNumbersOutsideTheWall) {
  const char* overlay = "openglkit/MultiDivisionOsdPlane:.*Invalid parameter not satisfying: 0 <= plane && plane < planeCount_";
  EXPECT_DEATH(screen->setTitle(64, "x"), overlay);
  EXPECT_DEATH(screen->showPtzIcon(-1), overlay);
  EXPECT_DEATH(screen->showHighlight(64), overlay);
  EXPECT_DEATH(screen->clearPlaneOsd(64, Rgba::clear()), overlay);
  EXPECT_DEATH(screen->clearPlane(64), "Invalid parameter not satisfying");
  EXPECT_DEATH(screen->imageOfPlane(64, true), "Invalid parameter not satisfying");
}

}  // namespace
}  // namespace zelvo
