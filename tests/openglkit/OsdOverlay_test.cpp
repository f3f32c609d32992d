// The on-screen-display overlay's GL side without painting: layout changes and the
// OSD texture, highlights, pages and the plane checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "openglkit/GLTestContext.h"
#include "openglkit/MultiDivisionOsdPlane.h"
#include "openglkit/OsdCanvas.h"
#include "openglkit/OsdElementKeys.h"
#include "openglkit/OsdTextBox.h"

namespace zelvo {
namespace {

class OsdOverlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
    overlay = std::make_unique<MultiDivisionOsdPlane>(64);
    ASSERT_TRUE(overlay->init(GL_TEXTURE5, GL_TEXTURE4, 200, 100));
  }

  // Fills the OSD texture with one byte value, as an earlier upload would have left it.
  void fillTexture(uint8_t value) {
    const Texture& texture = overlay->osdTexture();
    std::vector<uint8_t> bytes(static_cast<size_t>(texture.width()) * texture.height() * 4, value);
    glActiveTexture(GL_TEXTURE5);
    glBindTexture(GL_TEXTURE_2D, texture.name());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, texture.width(), texture.height(), GL_RGBA, GL_UNSIGNED_BYTE,
                    bytes.data());
  }

  std::vector<uint8_t> textureBytes() {
    const Texture& texture = overlay->osdTexture();
    std::vector<uint8_t> bytes(static_cast<size_t>(texture.width()) * texture.height() * 4);
    glActiveTexture(GL_TEXTURE5);
    glBindTexture(GL_TEXTURE_2D, texture.name());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
  }

  static bool all(const std::vector<uint8_t>& bytes, uint8_t value) {
    for (uint8_t byte : bytes)
      if (byte != value) return false;
    return true;
  }

  test::GLTestContext gl;
  std::unique_ptr<MultiDivisionOsdPlane> overlay;
};

TEST_F(OsdOverlayTest, InitSizesTheTextureAndLaysOutOnePlanePerPage) {
  EXPECT_EQ(overlay->osdTexture().width(), 200);
  EXPECT_EQ(overlay->osdTexture().height(), 100);
  EXPECT_EQ(overlay->selectedPlane(), 0);
  EXPECT_EQ(overlay->divisions(), 1);
  EXPECT_EQ(overlay->canvas().plane(0).page(), 0);
  EXPECT_EQ(overlay->canvas().plane(1).page(), 1);
  EXPECT_EQ(overlay->canvas().plane(0).frame(), (OsdRect{0, 0, 200, 100}));
  EXPECT_EQ(overlay->canvas().plane(0).texture(), &overlay->osdTexture());
}

TEST_F(OsdOverlayTest, SetLayoutWithTheCurrentLayoutDoesNothing) {
  fillTexture(0xAB);
  overlay->setLayout(0, 1);
  EXPECT_TRUE(all(textureBytes(), 0xAB));
  EXPECT_EQ(overlay->canvas().plane(1).page(), 1);
}

// A layout change is state only (the GUI thread makes it without the context); the
// texture is left to the next update, on the GL thread (see OsdOverlay_guitest).
TEST_F(OsdOverlayTest, NewLayoutLaysOutAtOnceAndLeavesTheTextureToTheNextUpdate) {
  fillTexture(0xAB);
  overlay->setLayout(5, 2);
  EXPECT_TRUE(all(textureBytes(), 0xAB));
  EXPECT_EQ(overlay->selectedPlane(), 5);
  EXPECT_EQ(overlay->canvas().plane(4).page(), 0);
  EXPECT_EQ(overlay->canvas().plane(0).page(), -1);
  EXPECT_EQ(overlay->canvas().plane(7).frame(), (OsdRect{100, 0, 100, 50}));
}

TEST_F(OsdOverlayTest, NewLayoutAfterAGrowingReshapeLaysOutAtTheNewViewSize) {
  overlay->reshape(400, 300);
  overlay->setLayout(1, 2);
  EXPECT_EQ(overlay->osdTexture().width(), 200);
  EXPECT_EQ(overlay->canvas().plane(1).frame(), (OsdRect{200, 150, 200, 150}));
}

TEST_F(OsdOverlayTest, SelectedPlane21InFourDivisions) {
  overlay->setLayout(21, 4);
  EXPECT_EQ(overlay->canvas().plane(16).page(), 0);
  EXPECT_EQ(overlay->canvas().plane(5).page(), -1);
  EXPECT_EQ(overlay->canvas().plane(31).page(), 0);
  EXPECT_EQ(overlay->canvas().plane(32).page(), 1);
}

TEST_F(OsdOverlayTest, ShowHighlightTwiceOnOnePlane) {
  EXPECT_TRUE(overlay->showHighlight(0));
  EXPECT_FALSE(overlay->showHighlight(0));
  EXPECT_TRUE(overlay->hideHighlight());
  EXPECT_FALSE(overlay->hideHighlight());
}

TEST_F(OsdOverlayTest, TitleOfPlaneZeroReadsOneUntilSet) {
  const auto title = [&] {
    return dynamic_cast<const OsdTextBox*>(overlay->canvas().plane(0).element(OsdElementTitleKey))->shownText();
  };
  EXPECT_EQ(title(), "1");
  overlay->setTitle(0, "Entrance");
  EXPECT_EQ(title(), "Entrance");
}

TEST_F(OsdOverlayTest, PtzIconsStartHiddenAndFollowShowAndHide) {
  const auto icon = [&](int plane) { return overlay->canvas().plane(plane).element(OsdElementPtzIconKey); };
  ASSERT_NE(icon(3), nullptr);
  EXPECT_FALSE(icon(3)->visible());
  overlay->showPtzIcon(3);
  EXPECT_TRUE(icon(3)->visible());
  overlay->hidePtzIcon(3);
  EXPECT_FALSE(icon(3)->visible());
}

TEST_F(OsdOverlayTest, ClearPlaneMakesAOneColourBackground) {
  overlay->clearPlane(2, Rgba::clear());
  EXPECT_EQ(overlay->canvas().plane(2).background(), Gradient(Rgba::clear(), Rgba::clear()));
  const Gradient gradient({Rgba::white(), Rgba::black(), Rgba::white()});
  overlay->clearPlaneWithGradient(2, gradient);
  EXPECT_EQ(overlay->canvas().plane(2).background(), gradient);
}

using OsdOverlayDeathTest = OsdOverlayTest;

TEST_F(OsdOverlayDeathTest, PlaneNumbersAndDivisionsOutsideTheirRanges) {
  const char* plane = "openglkit/MultiDivisionOsdPlane:.*Invalid parameter not satisfying: 0 <= plane && plane < planeCount_";
  EXPECT_DEATH(overlay->clearPlane(64, Rgba::clear()), plane);
  EXPECT_DEATH(overlay->clearPlaneWithGradient(-1, Gradient(Rgba::clear(), Rgba::clear())), plane);
  EXPECT_DEATH(overlay->setTitle(64, "x"), plane);
  EXPECT_DEATH(overlay->showPtzIcon(64), plane);
  EXPECT_DEATH(overlay->hidePtzIcon(64), plane);
  EXPECT_DEATH(overlay->showHighlight(64), plane);
  EXPECT_DEATH(overlay->setLayout(0, 0), "1 <= divisions && divisions <= maximumDivisions");
  EXPECT_DEATH(overlay->setLayout(0, 9), "1 <= divisions && divisions <= maximumDivisions");
}

}  // namespace
}  // namespace zelvo
