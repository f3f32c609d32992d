// The PTZ pad held with the X server's own pointer (xdotool): a held direction whose
// pointer slips off its button and back keeps the camera moving, and the one stop (or,
// for a short press, the one step) comes at the release, wherever it is. The repeat runs
// on a fake clock; the wall and the client are fakes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QToolButton>

#include "FakeTimerFactory.h"
#include "SitePanel/SitePanelFakes.h"
#include "ViewControllers/Controls/TrackingButton.h"
#include "ViewControllers/SitePanel/ControlView.h"
#include "ViewControllers/SitePanelController.h"
#include "support/SharedDeviceLock.h"
#include "support/Wait.h"
#include "support/XPointer.h"

namespace zelvo {
namespace {

using test::camera;
using test::FakePanelClient;
using Sent = FakePanelClient::Sent;

const std::string PlaneChanged = "VideoViewSelectedPlaneChangedNotification";

struct SlipCase {
  const char* name;
  double heldSeconds;  // on the fake clock, before the pointer slips off
  bool releasedOnButton;
  std::vector<Sent> sent;
};

// Up is command 3; argument 1 starts, 2 stops, 0 is one step.
const SlipCase slipCases[] = {
    {"HeldThenLetGoOffTheButton", 0.4, false, {FakePanelClient::ptz(3, 0, 1), FakePanelClient::ptz(3, 0, 2)}},
    {"HeldThenLetGoBackOnTheButton", 0.4, true, {FakePanelClient::ptz(3, 0, 1), FakePanelClient::ptz(3, 0, 2)}},
    {"ShortPressLetGoOffTheButton", 0.0, false, {FakePanelClient::ptz(3, 0, 0)}},
};

class PTZPointerSlip : public testing::TestWithParam<SlipCase> {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server (Xvfb)";
    if (!test::XPointer::available()) GTEST_SKIP() << "xdotool not installed";
    pointer_ = std::make_unique<test::XPointer>();
    window_.resize(213, 551);
    window_.move(test::PointerArea);
    panel_ = new SitePanelController(&window_);
    panel_->resize(213, 551);
    panel_->awake(wall_, &dvr_, timers_);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    client_->cameras = {camera(0, "Entrance")};
    client_->labels = {{"door"}};
    wall_.select(client_, 0, {site_});
    NotificationCenter::defaultCenter().post(PlaneChanged, wall_.viewNotificationObject());
    panel_->selectPanel(1);
  }

  // Moves the X pointer and waits until this process has seen the move.
  void moveTo(QPoint global) {
    ASSERT_TRUE(pointer_->run({"mousemove", QString::number(global.x()), QString::number(global.y())}));
    ASSERT_TRUE(moves_.waitFor(global)) << global.x() << "," << global.y();
  }

  std::unique_ptr<test::XPointer> pointer_;
  test::MouseMoveWatch moves_;
  QWidget window_;
  test::FakePanelWall wall_;
  test::FakeDVRInfoView dvr_;
  test::FakeTimerFactory timers_;
  SitePanelController* panel_ = nullptr;
  std::shared_ptr<FakePanelClient> client_ = std::make_shared<FakePanelClient>();
  std::shared_ptr<SiteInfo> site_ = test::site(QStringLiteral("Depot"));
};

TEST_P(PTZPointerSlip, TheStopComesAtTheReleaseOnly) {
  const SlipCase& c = GetParam();
  QToolButton* up = panel_->controlView()->PTZButton(0);
  ASSERT_TRUE(up && up->isEnabled());
  EXPECT_TRUE(isTrackingUntilRelease(up));
  const QPoint on = up->mapToGlobal(up->rect().center());
  const QPoint off = up->mapToGlobal(QPoint(up->width() / 2, up->height() + 25));  // below the pad's button
  const QPoint beside = up->mapToGlobal(QPoint(-30, up->height() / 2));

  moveTo(on);
  ASSERT_TRUE(pointer_->run({"mousedown", "1"}));
  ASSERT_TRUE(test::waitUntil([&] { return up->isDown(); }));
  timers_.advance(c.heldSeconds);
  const size_t sentWhileHeld = client_->sent.size();

  // The hand slips off, comes back, slips off again: nothing goes out meanwhile.
  for (const QPoint& at : {off, on, beside, on, off}) {
    moveTo(at);
    EXPECT_TRUE(up->isDown()) << at.x() << "," << at.y();
    EXPECT_EQ(client_->sent.size(), sentWhileHeld) << at.x() << "," << at.y();
  }
  if (c.releasedOnButton) moveTo(on);
  ASSERT_TRUE(pointer_->run({"mouseup", "1"}));
  ASSERT_TRUE(test::waitUntil([&] { return !up->isDown(); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(client_->sent, c.sent);
  EXPECT_FALSE(panel_->core()->isHolding());
  // The repeat is over: time passing sends nothing more.
  timers_.advance(1.0);
  EXPECT_EQ(client_->sent, c.sent);
}

INSTANTIATE_TEST_SUITE_P(Table, PTZPointerSlip, testing::ValuesIn(slipCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvo
