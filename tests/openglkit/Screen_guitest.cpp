// The whole screen on Mesa's llvmpipe: video planes with the on-screen display composited
// over them, read back from the window's framebuffer (an EGL pixel buffer here).
#include <gtest/gtest.h>

#include <memory>

#include "openglkit/GLTestContext.h"
#include "openglkit/Screen.h"
#include "openglkit/Screen_TestScene.h"

namespace zelvo {
namespace {

using test::FramePixels;
using test::greyOf;
using test::near;

// Luma of plane i: distinct for every plane of the wall.
uint8_t lumaOf(int plane) { return static_cast<uint8_t>(40 + plane * 3); }

class ScreenComposite : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
    start(400, 300);
  }

  void start(float width, float height) {
    screen = std::make_unique<Screen>(64, nullptr);
    ASSERT_TRUE(screen->init(width, height));
    for (int plane = 0; plane < 64; ++plane)
      screen->clearPlaneOsd(plane, Rgba::clear());  // a bound camera: the video shows through
  }

  // A plane that comes onto the shown page is blacked out until its next picture, so the
  // pictures follow the layout.
  void setLayoutAndFeed(int selected, int divisions) {
    screen->setLayout(selected, divisions);
    for (int plane = 0; plane < 64; ++plane) show(plane, test::solidFrame(lumaOf(plane)));
  }

  void show(int plane, const test::Yuv420& frame) {
    screen->setVideoFrame(plane, frame.width, frame.height, frame.lineSize, frame.y.data(), 1, 1, frame.u.data(),
                          frame.v.data());
  }

  FramePixels frame() {
    screen->renderIfNeeded(0);
    return FramePixels::read(static_cast<int>(screen->viewWidth()), static_cast<int>(screen->viewHeight()));
  }

  test::GLTestContext gl{1000, 600};
  std::unique_ptr<Screen> screen;
};

struct LayoutCase {
  const char* name;
  int selected;
  int divisions;
};

class ScreenLayouts : public ScreenComposite, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ScreenLayouts, EveryCellShowsItsPlanesVideo) {
  const LayoutCase& c = GetParam();
  setLayoutAndFeed(c.selected, c.divisions);
  const FramePixels pixels = frame();
  const int d = c.divisions;
  const int first = c.selected / (d * d) * d * d;
  for (int cell = 0; cell < d * d; ++cell) {
    // The centre of the cell's lower half: clear of the title at the top.
    const int x = (cell % d) * 400 / d + 200 / d;
    const int y = (cell / d) * 300 / d + 300 * 3 / (4 * d);
    const auto expected = greyOf(lumaOf(first + cell));
    EXPECT_TRUE(near(pixels.at(x, y), expected)) << "cell " << cell << " at " << x << "," << y << ": "
                                                 << pixels.at(x, y)[0] << " expected " << expected[0];
  }
}

INSTANTIATE_TEST_SUITE_P(Walls, ScreenLayouts,
                         ::testing::Values(LayoutCase{"OneByOne", 0, 1}, LayoutCase{"TwoByTwoSecondPage", 5, 2},
                                           LayoutCase{"ThreeByThree", 4, 3}, LayoutCase{"FourByFourSecondPage", 21, 4},
                                           LayoutCase{"EightByEight", 63, 8}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST_F(ScreenComposite, OpaqueOverlayHidesTheVideoAndAClearOneShowsIt) {
  setLayoutAndFeed(0, 2);
  screen->clearPlaneOsd(3, Rgba::black());
  screen->clearPlaneOsd(2, Rgba{1, 0, 0, 1});
  const FramePixels pixels = frame();
  EXPECT_TRUE(near(pixels.at(300, 250), {0, 0, 0}));
  EXPECT_TRUE(near(pixels.at(100, 250), {255, 0, 0}));
  EXPECT_TRUE(near(pixels.at(300, 110), greyOf(lumaOf(1))));
}

TEST_F(ScreenComposite, GridSelectionTitleAndHighlightOverTheVideo) {
  setLayoutAndFeed(1, 2);
  screen->setTitle(2, "Garage");
  ASSERT_TRUE(screen->showHighlight(3));
  const FramePixels pixels = frame();
  // Grid line between the rows, under plane 0 (away from the band, the highlight and the title).
  EXPECT_TRUE(near(pixels.at(100, 150), {51, 51, 51}));
  // Plane 1 (top right) is selected: the band's top edge in the gradient's start colour.
  EXPECT_TRUE(near(pixels.at(300, 1), {250, 222, 120}, 4));
  // The drop highlight of plane 3 (bottom right), inset 6 from its left edge.
  EXPECT_TRUE(near(pixels.at(205, 225), {48, 130, 222}, 10))
      << pixels.at(205, 225)[0] << "," << pixels.at(205, 225)[1] << "," << pixels.at(205, 225)[2];
  // Plane 2's title: white text at its top left.
  int white = 0;
  for (int y = 150; y < 170; ++y)
    for (int x = 8; x < 60; ++x) white += near(pixels.at(x, y), {255, 255, 255}, 30);
  EXPECT_GT(white, 5);
}

TEST_F(ScreenComposite, ResizeFollowsAtTheNextRender) {
  setLayoutAndFeed(0, 2);
  frame();
  screen->reshape(600, 400);
  const FramePixels pixels = frame();
  EXPECT_EQ(screen->renderTarget().width(), 600);
  EXPECT_EQ(screen->renderTarget().height(), 400);
  EXPECT_EQ(screen->osd().osdTexture().width(), 600);
  EXPECT_EQ(screen->osd().osdTexture().height(), 400);
  EXPECT_TRUE(near(pixels.at(450, 350), greyOf(lumaOf(3))));
  EXPECT_TRUE(near(pixels.at(300, 350), {51, 51, 51}));
  EXPECT_TRUE(near(pixels.at(450, 200), {51, 51, 51}));
}

TEST_F(ScreenComposite, RendersAtEveryCallEvenWithoutAChange) {
  setLayoutAndFeed(0, 1);
  frame();
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0, 0, 0, 1);
  const FramePixels pixels = frame();
  EXPECT_TRUE(near(pixels.at(200, 200), greyOf(lumaOf(0))));
}

TEST_F(ScreenComposite, TileImageIsCutFromTheRenderedVideo) {
  start(1000, 600);
  setLayoutAndFeed(5, 3);
  // Plane 5 gets a picture whose top half is white: the tile must come out upright.
  test::Yuv420 picture = test::solidFrame(16, 128, 128, 32, 32, 0);
  std::fill(picture.y.begin(), picture.y.begin() + 16 * 32, 235);
  show(5, picture);
  frame();
  const std::optional<RgbaImage> tile = screen->imageOfPlane(5, true);
  ASSERT_TRUE(tile);
  ASSERT_EQ(tile->width, 334);
  ASSERT_EQ(tile->height, 200);
  const auto at = [&](int x, int y) {
    const uint8_t* p = tile->pixel(x, y);
    return std::array<int, 3>{p[0], p[1], p[2]};
  };
  EXPECT_TRUE(near(at(167, 20), {255, 255, 255}));
  EXPECT_TRUE(near(at(167, 180), {0, 0, 0}));
  EXPECT_TRUE(near(at(2, 20), {255, 255, 255}));
  EXPECT_TRUE(near(at(331, 180), {0, 0, 0}));
  // Video only: the overlay's selection band is not in it.
  EXPECT_TRUE(near(at(167, 1), {255, 255, 255}));
}

TEST_F(ScreenComposite, TileImageReadsTheRenderTargetWhateverTextureIsBound) {
  setLayoutAndFeed(0, 1);
  // A large picture leaves its V texture bound on the active unit: reading that one
  // instead would be wrong, and larger than the buffer sized for the render target.
  const test::Yuv420 large = test::solidFrame(200, 128, 128, 1920, 1088, 0);
  show(0, large);
  frame();
  glActiveTexture(GL_TEXTURE2);
  const std::optional<RgbaImage> tile = screen->imageOfPlane(0, true);
  ASSERT_TRUE(tile);
  EXPECT_EQ(tile->width, 400);
  EXPECT_EQ(tile->height, 300);
  const uint8_t* p = tile->pixel(200, 150);
  EXPECT_TRUE(near({p[0], p[1], p[2]}, greyOf(200)));
}

TEST_F(ScreenComposite, SnapshotIsAtThePicturesSizeAndTheNextRenderIsWhole) {
  setLayoutAndFeed(0, 2);
  show(3, test::solidFrame(100, 128, 128, 48, 24, 16));
  frame();
  const std::optional<RgbaImage> snapshot = screen->imageOfPlane(3, false);
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->width, 48);
  EXPECT_EQ(snapshot->height, 24);
  const uint8_t* p = snapshot->pixel(24, 12);
  EXPECT_TRUE(near({p[0], p[1], p[2]}, greyOf(100)));
  // The snapshot left its own framebuffer and viewport behind; the screen restores both.
  const FramePixels pixels = frame();
  EXPECT_TRUE(near(pixels.at(300, 250), greyOf(100)));
  EXPECT_TRUE(near(pixels.at(100, 250), greyOf(lumaOf(2))));
  EXPECT_TRUE(near(pixels.at(200, 250), {51, 51, 51}));
}

TEST_F(ScreenComposite, OverlayUploadsOnlyWhenTheShownPageChanged) {
  setLayoutAndFeed(0, 2);
  frame();
  const Texture& osd = screen->osd().osdTexture();
  std::vector<uint8_t> marker(static_cast<size_t>(osd.width()) * osd.height() * 4, 0x80);
  glActiveTexture(GL_TEXTURE5);
  glBindTexture(GL_TEXTURE_2D, osd.name());
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, osd.width(), osd.height(), GL_RGBA, GL_UNSIGNED_BYTE, marker.data());
  const auto texel = [&] {
    std::vector<uint8_t> bytes(marker.size());
    glActiveTexture(GL_TEXTURE5);
    glBindTexture(GL_TEXTURE_2D, osd.name());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes[(75 * 400 + 300) * 4 + 3];
  };
  screen->setTitle(8, "Off the page");
  frame();
  EXPECT_EQ(texel(), 0x80);
  screen->setTitle(1, "On the page");
  frame();
  EXPECT_EQ(texel(), 0);  // the clear plane 1 uploaded again, transparent
}

}  // namespace
}  // namespace zelvo
