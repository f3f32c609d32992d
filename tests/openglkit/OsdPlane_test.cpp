// One plane of the on-screen display: its marks, frame, background painting and elements.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "openglkit/OsdImage.h"
#include "openglkit/OsdPlane.h"
#include "openglkit/OsdTextBox.h"

namespace zelvo {
namespace {

constexpr Rgba red{1, 0, 0, 1};
constexpr Rgba green{0, 1, 0, 1};
constexpr Rgba blue{0, 0, 1, 1};
constexpr Rgba darkGrey{0.25f, 0.25f, 0.25f, 1};

QImage filledCanvas(int width, int height, Qt::GlobalColor color = Qt::transparent) {
  QImage canvas(width, height, QImage::Format_RGBA8888_Premultiplied);
  canvas.fill(color);
  return canvas;
}

QImage solidImage(int size, Qt::GlobalColor color) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

bool drawOn(OsdPlane& plane, QImage& canvas) {
  QPainter painter(&canvas);
  return plane.draw(painter);
}

TEST(OsdPlane, StartsCleanWithABlackBackground) {
  const OsdPlane plane;
  EXPECT_FALSE(plane.dirty());
  EXPECT_FALSE(plane.highlighted());
  EXPECT_EQ(plane.frame(), OsdRect{});
  EXPECT_EQ(plane.page(), 0);
  EXPECT_EQ(plane.background(), Gradient(Rgba::black(), Rgba::black()));
  EXPECT_EQ(plane.element("anything"), nullptr);
}

TEST(OsdPlane, SetFrameStoresLeftBottomWidthHeightAndPage) {
  OsdPlane plane;
  plane.setFrame(2, true, 10, 200, 110, 100);
  EXPECT_EQ(plane.frame(), (OsdRect{10, 100, 100, 100}));
  EXPECT_EQ(plane.page(), 2);
  EXPECT_TRUE(plane.dirty());
}

TEST(OsdPlane, PlaneOnAnotherPageDrawsNothingAndStaysDirty) {
  OsdPlane plane;
  plane.setBackgroundColor(red);
  plane.setFrame(-1, false, 0, 40, 40, 0);
  QImage canvas = filledCanvas(40, 40);
  EXPECT_FALSE(drawOn(plane, canvas));
  EXPECT_TRUE(plane.dirty());
  EXPECT_EQ(canvas, filledCanvas(40, 40));
}

TEST(OsdPlane, DrawOnTheShownPageClearsTheDirtyMark) {
  OsdPlane plane;
  plane.setFrame(0, false, 0, 40, 40, 0);
  QImage canvas = filledCanvas(40, 40);
  EXPECT_TRUE(drawOn(plane, canvas));
  EXPECT_FALSE(plane.dirty());
  EXPECT_EQ(canvas.pixelColor(20, 20), QColor(Qt::black));
}

struct BackgroundCase {
  const char* name;
  Gradient background;
  bool flat;
  QColor centre;
  QColor corner;
};

class OsdPlaneBackground : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(OsdPlaneBackground, Paints) {
  const BackgroundCase& c = GetParam();
  OsdPlane plane;
  plane.setBackground(c.background);
  EXPECT_TRUE(plane.dirty());
  EXPECT_EQ(plane.hasFlatBackground(), c.flat);
  // A frame that covers part of the canvas only: the rest is not touched.
  plane.setFrame(0, false, 10, 110, 110, 10);
  QImage canvas = filledCanvas(120, 120);
  ASSERT_TRUE(drawOn(plane, canvas));
  const auto near = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
           std::abs(a.blue() - b.blue()) <= 3 && a.alpha() == b.alpha();
  };
  // Canvas rows run top-down: the frame covers rows 10..109 as well.
  EXPECT_TRUE(near(canvas.pixelColor(60, 60), c.centre)) << canvas.pixelColor(60, 60).name(QColor::HexArgb).toStdString();
  EXPECT_TRUE(near(canvas.pixelColor(10, 10), c.corner)) << canvas.pixelColor(10, 10).name(QColor::HexArgb).toStdString();
  EXPECT_TRUE(near(canvas.pixelColor(109, 109), c.corner));
  EXPECT_EQ(canvas.pixelColor(5, 5).alpha(), 0);
  EXPECT_EQ(canvas.pixelColor(115, 60).alpha(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Gradients, OsdPlaneBackground,
    ::testing::Values(
        BackgroundCase{"ThreeStopsPaintTheFirstColour", Gradient({red, green, blue}), true, Qt::red, Qt::red},
        BackgroundCase{"RedToRedIsFlat", Gradient(red, red), true, Qt::red, Qt::red},
        BackgroundCase{"OneStopIsFlat", Gradient(std::vector<Rgba>{green}), true, Qt::green, Qt::green},
        // Two different colours: radial, the start colour at the centre, the end at the corners.
        BackgroundCase{"DarkGreyToBlackIsRadial", Gradient(darkGrey, Rgba::black()), false, QColor(64, 64, 64),
                       QColor(1, 1, 1)}),
    [](const ::testing::TestParamInfo<BackgroundCase>& info) { return std::string(info.param.name); });

TEST(OsdPlane, RadialBackgroundDarkensFromTheCentreOutwards) {
  OsdPlane plane;
  plane.setBackground(Gradient(darkGrey, Rgba::black()));
  plane.setFrame(0, false, 0, 100, 100, 0);
  QImage canvas = filledCanvas(100, 100);
  ASSERT_TRUE(drawOn(plane, canvas));
  const int centre = canvas.pixelColor(50, 50).red();
  const int halfway = canvas.pixelColor(75, 50).red();
  const int edge = canvas.pixelColor(99, 50).red();
  EXPECT_GT(centre, halfway);
  EXPECT_GT(halfway, edge);
  // Symmetric about the centre.
  EXPECT_NEAR(canvas.pixelColor(25, 50).red(), halfway, 2);
  EXPECT_NEAR(canvas.pixelColor(50, 25).red(), halfway, 2);
}

TEST(OsdPlane, ClearBackgroundReplacesTheCanvas) {
  OsdPlane plane;
  plane.setBackgroundColor(Rgba::clear());
  plane.setFrame(0, false, 0, 30, 30, 0);
  QImage canvas = filledCanvas(30, 30, Qt::white);
  ASSERT_TRUE(drawOn(plane, canvas));
  EXPECT_EQ(canvas.pixelColor(15, 15).alpha(), 0);
}

TEST(OsdPlane, SetTextOnAnImageOrAMissingKeyChangesNothingButMarksDirty) {
  OsdPlane plane;
  const QImage picture = solidImage(4, Qt::red);
  plane.addImage("icon", picture, {0, 0, 0, 0});
  plane.setDirty(false);
  plane.setText("icon", "text");
  EXPECT_TRUE(plane.dirty());
  auto* image = dynamic_cast<OsdImage*>(plane.element("icon"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->image().pixelColor(0, 0), QColor(Qt::red));

  plane.setDirty(false);
  plane.setText("missing", "text");
  EXPECT_TRUE(plane.dirty());
  EXPECT_EQ(plane.element("missing"), nullptr);
}

TEST(OsdPlane, SetTextChangesATextBoxAndNoneBringsBackTheDefault) {
  OsdPlane plane;
  plane.addTextBox("title", {}, "7", {8, 0, -40, 0});
  auto* box = dynamic_cast<OsdTextBox*>(plane.element("title"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->shownText(), "7");
  plane.setText("title", "Gate");
  EXPECT_EQ(box->shownText(), "Gate");
  plane.setText("title", std::nullopt);
  EXPECT_FALSE(box->text().has_value());
  EXPECT_EQ(box->shownText(), "7");
}

TEST(OsdPlane, SetVisibleDoesNotMarkDirty) {
  OsdPlane plane;
  plane.addImage("icon", solidImage(4, Qt::red), {0, 0, 0, 0});
  plane.setVisible("icon", false);
  plane.setVisible("missing", false);
  EXPECT_FALSE(plane.dirty());
  EXPECT_FALSE(plane.element("icon")->visible());
}

TEST(OsdPlane, ElementsDrawInTheOrderTheirKeysWereAddedAndHiddenOnesNot) {
  OsdPlane plane;
  plane.setBackgroundColor(Rgba::clear());
  plane.setFrame(0, false, 0, 10, 10, 0);
  plane.addImage("under", solidImage(10, Qt::red), {0, 0, 0, 0});
  plane.addImage("over", solidImage(10, Qt::blue), {0, 0, 0, 0});
  // Replacing an element keeps its place in the order.
  plane.addImage("under", solidImage(10, Qt::green), {0, 0, 0, 0});
  QImage canvas = filledCanvas(10, 10);
  ASSERT_TRUE(drawOn(plane, canvas));
  EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::blue));

  plane.setVisible("over", false);
  ASSERT_TRUE(drawOn(plane, canvas));
  EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::green));
}

TEST(OsdPlane, AddReplacesTheElementUnderTheKey) {
  OsdPlane plane;
  plane.addImage("key", solidImage(2, Qt::red), {0, 0, 0, 0});
  plane.addTextBox("key", {}, "text", {0, 0, 0, 0});
  EXPECT_NE(dynamic_cast<OsdTextBox*>(plane.element("key")), nullptr);
}

TEST(OsdPlaneDeathTest, FirstColourOfAGradientWithoutStops) {
  OsdPlane plane;
  plane.setBackground(Gradient(std::vector<Rgba>{}));
  EXPECT_DEATH(plane.firstColor(), "Invalid parameter not satisfying: \\[gradient numberOfColorStops\\] > 0");
}

}  // namespace
}  // namespace zelvo
