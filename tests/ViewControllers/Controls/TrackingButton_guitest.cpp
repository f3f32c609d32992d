// The tracking button with real mouse presses, moves and releases. Qt's own buttons
// report a release as soon as the pressed pointer leaves them (measured first, below);
// the tracking button stays pressed and reports the release where the mouse is let go.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "QtPrinters.h"
#include "ViewControllers/Controls/TrackingButton.h"

namespace zelvo {
namespace {

// A button in a window with room around it, and the signals it gave, in order.
template <typename Button>
struct ButtonUnderTest {
  ButtonUnderTest() {
    window.resize(300, 200);
    button = new Button(&window);
    button->setText("Up");
    button->setGeometry(100, 80, 100, 40);
    QObject::connect(button, &QAbstractButton::pressed, [this] { signals_ << "pressed"; });
    QObject::connect(button, &QAbstractButton::released, [this] { signals_ << "released"; });
    QObject::connect(button, &QAbstractButton::clicked, [this] { signals_ << "clicked"; });
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  QWidget window;
  Button* button;
  QStringList signals_;
};

const QPoint Inside(50, 20);
const QPoint Outside(150, 70);  // below and right of the button, still in the window

TEST(QtButton, ReportsAReleaseWhenThePressedPointerLeaves) {
  ButtonUnderTest<QPushButton> b;
  QTest::mousePress(b.button, Qt::LeftButton, {}, Inside);
  QTest::mouseMove(b.button, Outside);
  EXPECT_EQ(b.signals_, QStringList({"pressed", "released"}));
  EXPECT_FALSE(b.button->isDown());
  QTest::mouseRelease(b.button, Qt::LeftButton, {}, Outside);
  EXPECT_EQ(b.signals_, QStringList({"pressed", "released"}));  // nothing at the real release
}

struct TrackingCase {
  const char* name;
  std::vector<QPoint> moves;  // while the button is held
  QPoint release;
  bool downBeforeRelease;
  QStringList signals_;
};

const TrackingCase trackingCases[] = {
    {"ClickInside", {}, Inside, true, {"pressed", "released", "clicked"}},
    {"LeavesAndIsLetGoOutside", {Outside}, Outside, true, {"pressed", "released"}},
    {"WandersOutsideAndBackThenIsLetGoInside", {Outside, QPoint(-40, -30), Inside}, Inside, true,
     {"pressed", "released", "clicked"}},
    {"WandersFarOutsideTheWindow", {QPoint(-90, -70), QPoint(400, 300)}, QPoint(400, 300), true,
     {"pressed", "released"}},
};

class TrackingButtonTracking : public ::testing::TestWithParam<TrackingCase> {};

TEST_P(TrackingButtonTracking, StaysPressedUntilTheMouseIsLetGo) {
  const TrackingCase& c = GetParam();
  ButtonUnderTest<TrackingButton> b;
  QTest::mousePress(b.button, Qt::LeftButton, {}, Inside);
  for (const QPoint& point : c.moves) {
    QTest::mouseMove(b.button, point);
    EXPECT_TRUE(b.button->isDown()) << point.x() << "," << point.y();
    EXPECT_EQ(b.signals_, QStringList({"pressed"}));
  }
  EXPECT_EQ(b.button->isDown(), c.downBeforeRelease);
  QTest::mouseRelease(b.button, Qt::LeftButton, {}, c.release);
  EXPECT_FALSE(b.button->isDown());
  EXPECT_EQ(b.signals_, c.signals_);
}

INSTANTIATE_TEST_SUITE_P(Table, TrackingButtonTracking, ::testing::ValuesIn(trackingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TrackingButton, APressAfterAReleaseOutsideTracksAgain) {
  ButtonUnderTest<TrackingButton> b;
  QTest::mousePress(b.button, Qt::LeftButton, {}, Inside);
  QTest::mouseMove(b.button, Outside);
  QTest::mouseRelease(b.button, Qt::LeftButton, {}, Outside);
  b.signals_.clear();
  QTest::mouseMove(b.button, Inside);
  QTest::mouseClick(b.button, Qt::LeftButton, {}, Inside);
  EXPECT_EQ(b.signals_, QStringList({"pressed", "released", "clicked"}));
}

TEST(TrackingButton, DisabledWhileHeldReportsTheReleaseOnce) {
  ButtonUnderTest<TrackingButton> b;
  QTest::mousePress(b.button, Qt::LeftButton, {}, Inside);
  QTest::mouseMove(b.button, Outside);
  b.button->setEnabled(false);
  QTest::mouseRelease(b.button, Qt::LeftButton, {}, Outside);
  EXPECT_EQ(b.signals_, QStringList({"pressed", "released"}));
}

}  // namespace
}  // namespace zelvo
