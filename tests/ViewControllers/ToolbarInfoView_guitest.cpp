// The toolbar strip following the wall's notifications on a fake wall: connecting,
// disconnected, the camera's state and frame times, the site line in two styles, the
// close and reconnect buttons, and the warning button's own life.
// With ZELVO_SCREENSHOT_DIR set, the strip is saved there in four states:
//   ZELVO_SCREENSHOT_DIR=$PWD/docs xvfb-run -a -s "-screen 0 1280x1024x24"
//     build/default/tests/viewcontrollers_gui_tests --gtest_filter='ToolbarInfoView*'
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>
#include <cstdlib>

#include "SitePanel/SitePanelFakes.h"
#include "ViewControllers/MainWindow/ConnectingIndicator.h"
#include "ViewControllers/SitePanel/LogViewController.h"
#include "ViewControllers/SitePanelController.h"
#include "ViewControllers/ToolbarInfoViewController.h"
#include "ViewControllers/Wall/VideoViewPort.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::camera;
using test::FakePanelClient;

const std::string StateChanged = "VideoViewControllerSelectedNetworkClientStateChangedNotification";
const std::string StateKey = "VideoViewControllerNetworkClientStateKey";
const std::string FrameTimeKey = "VideoViewControllerVideoFrameTimeKey";
const std::string PlaneChanged = "VideoViewSelectedPlaneChangedNotification";

std::string plainSpaces(QString text) {
  text.replace(QChar(0x202F), QLatin1Char(' '));
  return text.toStdString();
}

class ToolbarInfoViewTest : public testing::Test, public ToolbarInfoViewDelegate {
 protected:
  void SetUp() override {
    // Frame times in en_US and UTC: the strip's formatter reads the shared utility's.
    const char* old = std::getenv("LC_ALL");
    if (old) oldLocale_ = old;
    setenv("LC_ALL", "en_US.UTF-8", 1);
    DateTimeUtility::cleanup();
    DateTimeUtility::sharedDateTimeUtility();
    strip_ = std::make_unique<ToolbarInfoViewController>();
    strip_->setDelegate(this);
    strip_->awake(wall_);
    host_.resize(420, 40);
    strip_->view()->setParent(&host_);
    strip_->view()->setGeometry(0, 0, 420, 40);
    host_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
    client_->cameras = {camera(0, "Entrance"), camera(1, "Yard", 2), camera(2, "Vault", 1, 2)};
  }
  void TearDown() override {
    strip_.reset();
    if (oldLocale_) {
      setenv("LC_ALL", oldLocale_->c_str(), 1);
    } else {
      unsetenv("LC_ALL");
    }
    DateTimeUtility::cleanup();
  }
  void toolbarInfoViewWarningClicked() override { ++warningClicks_; }

  void postState(int state, std::optional<DateTime> time = std::nullopt) {
    UserInfo info{{StateKey, state}};
    if (time) info[FrameTimeKey] = *time;
    NotificationCenter::defaultCenter().post(StateChanged, wall_.controllerNotificationObject(), info);
  }
  void selectPlane(std::shared_ptr<PanelClientPort> client, int64_t cam, std::vector<std::shared_ptr<SiteInfo>> sites) {
    wall_.select(std::move(client), cam, std::move(sites));
    NotificationCenter::defaultCenter().post(PlaneChanged, wall_.viewNotificationObject());
  }
  bool stripShown() const {
    return strip_->textSite()->isVisible() && strip_->textContent()->isVisible() && strip_->btnClose()->isVisible();
  }
  QString status() const { return strip_->textContent()->text(); }
  void save(const char* name) {
    const QByteArray dir = qgetenv("ZELVO_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QApplication::processEvents();
    ASSERT_TRUE(host_.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name))));
  }

  QWidget host_;
  test::FakePanelWall wall_;
  std::unique_ptr<ToolbarInfoViewController> strip_;
  std::shared_ptr<FakePanelClient> client_ = std::make_shared<FakePanelClient>();
  int warningClicks_ = 0;
  std::optional<std::string> oldLocale_;
};

TEST_F(ToolbarInfoViewTest, ConnectingThenConnectedThenDisconnected) {
  client_->connected = false;
  selectPlane(client_, 0, {test::site("Depot")});
  EXPECT_TRUE(stripShown());
  EXPECT_EQ(status(), QStringLiteral("Connecting..."));
  EXPECT_TRUE(strip_->connectingIndicator()->isVisible());
  auto* spinner = qobject_cast<ConnectingIndicator*>(strip_->connectingIndicator());
  ASSERT_NE(spinner, nullptr);
  EXPECT_TRUE(spinner->isAnimating());
  const int phase = spinner->phase();
  ASSERT_TRUE(test::waitUntil([&] { return spinner->phase() != phase; }));
  EXPECT_FALSE(strip_->btnReconnect()->isVisible());
  save("strip-connecting.png");

  client_->connected = true;
  postState(3);
  EXPECT_EQ(status(), QStringLiteral("--"));  // no frame yet
  EXPECT_FALSE(strip_->connectingIndicator()->isVisible());
  EXPECT_FALSE(spinner->isAnimating());
  postState(9, DateTime(2026, 3, 14, 15, 9, 26));
  EXPECT_EQ(plainSpaces(status()), "03/14/2026, 3:09:26 PM");
  save("strip-time.png");
  postState(7);  // an event leaves the strip alone
  EXPECT_EQ(plainSpaces(status()), "03/14/2026, 3:09:26 PM");
  postState(5);  // a camera table is no frame: the time goes
  EXPECT_EQ(status(), QStringLiteral("--"));

  client_->connected = false;
  client_->disconnected = true;
  postState(4);
  EXPECT_EQ(status(), QStringLiteral("Disconnected"));
  EXPECT_TRUE(strip_->btnReconnect()->isVisible());
  EXPECT_FALSE(strip_->connectingIndicator()->isVisible());
  save("strip-disconnected.png");
  QTest::mouseClick(strip_->btnReconnect(), Qt::LeftButton);
  EXPECT_EQ(wall_.reconnects, 1);
  QTest::mouseClick(strip_->btnClose(), Qt::LeftButton);
  EXPECT_EQ(wall_.closes, 1);
}

// A refused login is not retried by itself: the strip says why, beside the
// reconnect button the operator has to use.
TEST_F(ToolbarInfoViewTest, ARefusedLoginShowsTheRefusalInsteadOfDisconnected) {
  client_->connected = false;
  client_->disconnected = true;
  wall_.loginRefusal = "Invalid password";
  selectPlane(client_, 0, {test::site("Depot")});
  EXPECT_EQ(status(), QStringLiteral("Invalid password"));
  postState(4);
  EXPECT_EQ(status(), QStringLiteral("Invalid password"));
  EXPECT_TRUE(strip_->btnReconnect()->isVisible());
  save("strip-refused.png");

  // Connecting again: the refusal is gone, and a later plain loss says so.
  wall_.loginRefusal.reset();
  client_->disconnected = false;
  postState(2);
  EXPECT_EQ(status(), QStringLiteral("Connecting..."));
  client_->disconnected = true;
  postState(4);
  EXPECT_EQ(status(), QStringLiteral("Disconnected"));
}

TEST_F(ToolbarInfoViewTest, StatusOfTheSelectedCamera) {
  struct Case {
    int64_t camera;
    const char* text;
  } cases[] = {{1, "Inactive"}, {2, "Covert"}, {7, "--"}};
  for (const Case& c : cases) {
    selectPlane(client_, c.camera, {test::site("Depot")});
    postState(9, DateTime(2026, 3, 14, 15, 9, 26));
    EXPECT_EQ(status().toStdString(), c.text) << c.camera;
  }
  // A plane bound to a client but without a client to ask shows no status.
  selectPlane(nullptr, 0, {test::site("Depot")});
  EXPECT_TRUE(stripShown());
  EXPECT_EQ(status(), QString());
}

TEST_F(ToolbarInfoViewTest, SiteLineInTwoStylesAndAsText) {
  selectPlane(client_, 0, {test::site("A", QStringLiteral("guest")), test::site("B")});
  EXPECT_EQ(strip_->shownSiteText(), (ToolbarInfoViewController::SiteText{"A,B ", "admin"}));
  const QString html = strip_->textSite()->text();
  EXPECT_TRUE(html.contains(QStringLiteral("#1a1a1a"))) << html.toStdString();  // grey 0.1
  EXPECT_TRUE(html.contains(QStringLiteral("#787878"))) << html.toStdString();  // grey 0.47
  EXPECT_LT(html.indexOf(QStringLiteral("A,B")), html.indexOf(QStringLiteral("admin")));
  // Names are text, never markup.
  selectPlane(client_, 0, {test::site("<img src=x>&co", QStringLiteral("<b>u</b>"))});
  EXPECT_TRUE(strip_->textSite()->text().contains(QStringLiteral("&lt;img&nbsp;src=x&gt;&amp;co")));
  EXPECT_TRUE(strip_->textSite()->text().contains(QStringLiteral("&lt;b&gt;u&lt;/b&gt;")));
  // No user: nothing after the names.
  selectPlane(client_, 0, {test::site("Depot", std::nullopt)});
  EXPECT_EQ(strip_->shownSiteText(), (ToolbarInfoViewController::SiteText{"Depot ", ""}));
}

TEST_F(ToolbarInfoViewTest, LongSiteLinesLoseTheirMiddle) {
  const QFontMetrics metrics(strip_->textSite()->font());
  const ToolbarInfoViewController::SiteText text{QStringLiteral("Northern warehouse,Southern warehouse "),
                                                 QStringLiteral("administrator")};
  const QChar ellipsis(0x2026);
  for (int width : {40, 120, 200, 260}) {
    SCOPED_TRACE(width);
    const auto cut = ToolbarInfoViewController::elided(text, metrics, width);
    const QString joined = cut.sites + cut.user;
    EXPECT_EQ(joined, metrics.elidedText(text.sites + text.user, Qt::ElideMiddle, width));
    EXPECT_EQ(joined.count(ellipsis), 1);
    EXPECT_TRUE(text.sites.startsWith(
        cut.sites.left(cut.sites.indexOf(ellipsis) < 0 ? cut.sites.size() : cut.sites.indexOf(ellipsis))));
    EXPECT_TRUE(text.user.endsWith(cut.user.mid(cut.user.indexOf(ellipsis) + 1)));
  }
  EXPECT_EQ(ToolbarInfoViewController::elided(text, metrics, 2000), text);
}

TEST_F(ToolbarInfoViewTest, AnEmptyPlaneHidesTheStripButNotTheWarning) {
  selectPlane(client_, 0, {test::site("Depot")});
  NotificationCenter::defaultCenter().post("LogViewUpdatedNotification", this);
  EXPECT_TRUE(strip_->btnWarning()->isVisible());
  selectPlane(nullptr, -1, {});
  EXPECT_FALSE(stripShown());
  EXPECT_FALSE(strip_->btnReconnect()->isVisible());
  EXPECT_FALSE(strip_->connectingIndicator()->isVisible());
  EXPECT_TRUE(strip_->btnWarning()->isVisible());
  postState(1);  // the unbinding of the selected plane
  EXPECT_FALSE(stripShown());
  EXPECT_TRUE(strip_->btnWarning()->isVisible());
}

TEST(ToolbarInfoViewOwnership, TheStripGoesWithTheToolbarItIsPlacedIn) {
  test::FakePanelWall wall;
  ToolbarInfoViewController strip;
  strip.awake(wall);
  QPointer<QWidget> view = strip.view();
  {
    QWidget toolbar;
    view->setParent(&toolbar);
  }
  EXPECT_TRUE(view.isNull());
  // The wall's notifications no longer reach it, and the main window's calls do nothing.
  NotificationCenter::defaultCenter().post(VideoViewSelectedPlaneChangedNotification, wall.viewNotificationObject());
  NotificationCenter::defaultCenter().post(LogViewUpdatedNotification, nullptr);
  strip.setHidden(true);
  strip.reset();
}

TEST(ToolbarInfoViewOwnership, AnUnplacedStripGoesWithItsController) {
  QPointer<QWidget> view;
  {
    ToolbarInfoViewController strip;
    view = strip.view();
  }
  EXPECT_TRUE(view.isNull());
}

TEST_F(ToolbarInfoViewTest, AClientWithoutAttachmentsHidesTheStrip) {
  selectPlane(client_, 0, {test::site("Depot")});
  ASSERT_TRUE(stripShown());
  wall_.attachmentsOverride.emplace();
  postState(5);
  EXPECT_FALSE(stripShown());
}

TEST_F(ToolbarInfoViewTest, WarningShownPerRowHiddenByClearLogTabClickAndReset) {
  auto row = [] { NotificationCenter::defaultCenter().post("LogViewUpdatedNotification", nullptr); };
  auto panel = [](int page) {
    NotificationCenter::defaultCenter().post(SitePanelControllerPanelSelectedNotification, nullptr,
                                             {{SitePanelControllerPanelTypeKey, page}});
  };
  QToolButton* warning = strip_->btnWarning();
  EXPECT_FALSE(warning->isVisible());
  row();
  EXPECT_TRUE(warning->isVisible());
  selectPlane(client_, 0, {test::site("Depot")});
  save("strip-warning.png");
  NotificationCenter::defaultCenter().post("LogViewClearedNotification", nullptr);
  EXPECT_FALSE(warning->isVisible());
  row();
  panel(1);
  EXPECT_TRUE(warning->isVisible());
  panel(2);
  EXPECT_FALSE(warning->isVisible());
  row();
  strip_->reset();
  EXPECT_FALSE(warning->isVisible());
  row();
  QTest::mouseClick(warning, Qt::LeftButton);
  EXPECT_FALSE(warning->isVisible());
  EXPECT_EQ(warningClicks_, 1);
}

// The toolbar's warning button opens the log page through selectPanel, which posts no
// panel selection: the warning stays hidden by its own click only.
TEST_F(ToolbarInfoViewTest, TheLogTabClickedOnThePanelHidesTheWarning) {
  SitePanelController panel;
  panel.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
  NotificationCenter::defaultCenter().post("LogViewUpdatedNotification", nullptr);
  panel.selectPanel(2);
  EXPECT_TRUE(strip_->btnWarning()->isVisible());
  panel.selectPanel(0);
  QTest::mouseClick(panel.findChild<QToolButton*>(QStringLiteral("logTabButton")), Qt::LeftButton);
  EXPECT_FALSE(strip_->btnWarning()->isVisible());
}

}  // namespace
}  // namespace zelvo
