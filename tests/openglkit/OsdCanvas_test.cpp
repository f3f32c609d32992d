// The on-screen-display canvas without painting: layout, pages, highlights and what
// asks for a redraw.
#include <gtest/gtest.h>

#include <QImage>

#include "openglkit/OsdCanvas.h"
#include "openglkit/OsdCanvasFixture.h"
#include "openglkit/OsdElementKeys.h"
#include "openglkit/OsdImage.h"
#include "openglkit/OsdTextBox.h"

namespace zelvo {
namespace {

using test::OsdCanvasTest;

TEST_F(OsdCanvasTest, EveryPlaneGetsItsNumberAsTitleAndAHiddenPtzIcon) {
  for (int i : {0, 1, 9, 63}) {
    auto* title = dynamic_cast<OsdTextBox*>(canvas.plane(i).element(OsdElementTitleKey));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->shownText(), std::to_string(i + 1));
    EXPECT_EQ(title->position(), (OsdRect{8, 0, -40, 0}));
    auto* ptz = dynamic_cast<OsdImage*>(canvas.plane(i).element(OsdElementPtzIconKey));
    ASSERT_NE(ptz, nullptr);
    EXPECT_FALSE(ptz->visible());
    EXPECT_EQ(ptz->position(), (OsdRect{-7, 7, 0, 0}));
    EXPECT_EQ(ptz->image().size(), QSize(16, 16));
  }
  EXPECT_EQ(canvas.selectedPlane(), 0);
  EXPECT_EQ(canvas.divisions(), 1);
}

TEST_F(OsdCanvasTest, TitleOfPlaneZeroReadsOneUntilSet) {
  auto* title = dynamic_cast<OsdTextBox*>(canvas.plane(0).element(OsdElementTitleKey));
  EXPECT_EQ(title->shownText(), "1");
  canvas.setTitle(0, "Front door");
  EXPECT_EQ(title->shownText(), "Front door");
  canvas.setTitle(0, std::nullopt);
  EXPECT_EQ(title->shownText(), "1");
}

TEST_F(OsdCanvasTest, TitleAttributesAreTheWallsFont) {
  const OsdTextAttributes attributes = OsdCanvas::titleAttributes();
  EXPECT_EQ(attributes.fontFamilies.front(), "Helvetica Neue");
  EXPECT_EQ(attributes.fontFamilies.back(), "DejaVu Sans");
  EXPECT_DOUBLE_EQ(attributes.fontPixelSize, 15.0);
  EXPECT_TRUE(attributes.bold);
  EXPECT_EQ(attributes.foreground, Rgba::white());
  EXPECT_DOUBLE_EQ(attributes.strokeWidth, -1.5);
  EXPECT_EQ(attributes.strokeColor, Rgba::black());
  EXPECT_DOUBLE_EQ(attributes.shadowBlurRadius, 2.0);
  EXPECT_TRUE(attributes.truncateTail);
}

struct PageCase {
  const char* name;
  int selected;
  int divisions;
  int plane;
  int page;
  OsdRect frame;  // on the 800 x 600 canvas, origin bottom left
};

class OsdCanvasLayout : public OsdCanvasTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(OsdCanvasLayout, FrameAndPage) {
  const PageCase& c = GetParam();
  canvas.setLayout(c.selected, c.divisions);
  EXPECT_EQ(canvas.plane(c.plane).page(), c.page);
  const OsdRect frame = canvas.plane(c.plane).frame();
  EXPECT_NEAR(frame.x, c.frame.x, 1e-3);
  EXPECT_NEAR(frame.y, c.frame.y, 1e-3);
  EXPECT_NEAR(frame.width, c.frame.width, 1e-3);
  EXPECT_NEAR(frame.height, c.frame.height, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, OsdCanvasLayout,
    ::testing::Values(
        PageCase{"SinglePlaneFillsTheView", 0, 1, 0, 0, {0, 0, 800, 600}},
        PageCase{"SinglePlaneNextPage", 0, 1, 1, 1, {0, 0, 800, 600}},
        // Selected plane 21 in 4 x 4: page 1 is shown; plane 16 at its top left.
        PageCase{"Plane16OnTheShownPage", 21, 4, 16, 0, {0, 450, 200, 150}},
        PageCase{"Plane5OnThePageBefore", 21, 4, 5, -1, {200, 300, 200, 150}},
        PageCase{"Plane31LastOfTheShownPage", 21, 4, 31, 0, {600, 0, 200, 150}},
        PageCase{"Plane32OnThePageAfter", 21, 4, 32, 1, {0, 450, 200, 150}},
        PageCase{"ThreeDivisionsCentre", 4, 3, 4, 0, {800.0f / 3, 200, 800.0f / 3, 200}},
        PageCase{"EightDivisionsLast", 0, 8, 63, 0, {700, 0, 100, 75}}),
    [](const ::testing::TestParamInfo<PageCase>& info) { return std::string(info.param.name); });

TEST_F(OsdCanvasTest, ShowHighlightTwiceOnOnePlane) {
  EXPECT_TRUE(canvas.showHighlight(0));
  EXPECT_TRUE(canvas.dirty());
  EXPECT_FALSE(canvas.showHighlight(0));
  EXPECT_TRUE(canvas.plane(0).highlighted());
}

TEST(OsdCanvas, CellRectOfThreeDivisions) {
  OsdCanvas canvas(9);
  canvas.setup(1000, 600, QImage());
  canvas.setLayout(0, 3);
  const OsdRect cell = canvas.cellRect(5, 1000, 600);  // column 2, row 1
  EXPECT_NEAR(cell.x, 2000.0 / 3, 1e-9);
  EXPECT_NEAR(cell.y, 200, 1e-9);
  EXPECT_NEAR(cell.width, 1000.0 / 3, 1e-9);
  EXPECT_NEAR(cell.height, 200, 1e-9);
}

}  // namespace
}  // namespace zelvo
