// The site panel and its control page as the operator uses them: the real form, tab
// clicks, PTZ buttons pressed and released with the mouse (their repeat on a fake clock),
// preset menus and the real preset sheet, window deactivation, and the control page's
// layout and pictures at two sizes. The wall and the client are fakes.
// With ZELVO_SCREENSHOT_DIR set, the control page is saved there at both sizes:
//   ZELVO_SCREENSHOT_DIR=$PWD/docs xvfb-run -a -s "-screen 0 1280x1024x24"
//     build/default/tests/viewcontrollers_gui_tests --gtest_filter='SitePanel*:ControlView*'
#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include "FakeTimerFactory.h"
#include "GuiInput.h"
#include "Resources/Resources.h"
#include "SitePanel/SitePanelFakes.h"
#include "ViewControllers/SitePanel/ControlView.h"
#include "ViewControllers/SitePanel/PTZPresetLabelWindow.h"
#include "ViewControllers/SitePanelController.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::camera;
using test::FakePanelClient;
using Sent = FakePanelClient::Sent;

const std::string StateChanged = "VideoViewControllerSelectedNetworkClientStateChangedNotification";
const std::string StateKey = "VideoViewControllerNetworkClientStateKey";
const std::string PlaneChanged = "VideoViewSelectedPlaneChangedNotification";

void saveScreenshot(QWidget& widget, const QString& name) {
  const QByteArray dir = qgetenv("ZELVO_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  ASSERT_TRUE(widget.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(name)));
}

class SitePanelTest : public testing::Test {
 protected:
  void SetUp() override {
    window_.resize(213, 551);
    panel_ = new SitePanelController(&window_);
    panel_->resize(213, 551);
    panel_->awake(wall_, &dvr_, timers_);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    control_ = panel_->controlView();
    client_->cameras = {camera(0, "Entrance"), camera(1, "Yard", 1, 1, false), camera(2, "Store & Dock")};
    client_->labels = {{"door", "", "gate"}, {}, {"dock"}};
    site_->setDvrInfo(QStringLiteral("Warehouse DVR"));
  }
  void TearDown() override { panel_->presetLabelWindow()->reject(); }

  void postState(int state) {
    NotificationCenter::defaultCenter().post(StateChanged, wall_.controllerNotificationObject(), {{StateKey, state}});
  }
  void selectCamera(int64_t cam) {
    wall_.select(client_, cam, {site_});
    NotificationCenter::defaultCenter().post(PlaneChanged, wall_.viewNotificationObject());
  }
  QToolButton* button(const char* name) { return panel_->findChild<QToolButton*>(QLatin1String(name)); }

  QWidget window_;
  test::FakePanelWall wall_;
  test::FakeDVRInfoView dvr_;
  test::FakeTimerFactory timers_;
  SitePanelController* panel_ = nullptr;
  ControlView* control_ = nullptr;
  std::shared_ptr<FakePanelClient> client_ = std::make_shared<FakePanelClient>();
  std::shared_ptr<SiteInfo> site_ = test::site(QStringLiteral("Depot"));
};

TEST_F(SitePanelTest, OnlyTheUsersTabClickPostsThePanelSelection) {
  std::vector<int> posted;
  Observation observation(
      NotificationCenter::defaultCenter(), SitePanelControllerPanelSelectedNotification, panel_,
      [&](const Notification& n) { posted.push_back(*n.get<int>(SitePanelControllerPanelTypeKey)); });
  QTest::mouseClick(button("controlTabButton"), Qt::LeftButton);
  EXPECT_EQ(posted, std::vector<int>{1});
  EXPECT_EQ(panel_->tabView()->currentIndex(), 1);
  EXPECT_EQ(panel_->tabView()->currentWidget(), control_);
  // The warning button's way to the log: page and tab, and no notification.
  panel_->selectPanel(2);
  EXPECT_EQ(posted, std::vector<int>{1});
  EXPECT_EQ(panel_->tabView()->currentIndex(), 2);
  EXPECT_TRUE(button("logTabButton")->isChecked());
  EXPECT_FALSE(button("controlTabButton")->isChecked());
  QTest::mouseClick(button("statusTabButton"), Qt::LeftButton);
  EXPECT_EQ(posted, (std::vector<int>{1, 0}));
  panel_->selectPanelView(7);  // no such page
  EXPECT_EQ(posted, (std::vector<int>{1, 0}));
  EXPECT_EQ(panel_->tabView()->currentIndex(), 0);
}

TEST_F(SitePanelTest, PTZControlsFollowTheSelectedCamera) {
  QToolButton* left = control_->PTZButton(2);
  ASSERT_NE(left, nullptr);
  EXPECT_FALSE(left->isEnabled());
  selectCamera(0);
  EXPECT_TRUE(left->isEnabled());
  EXPECT_TRUE(control_->setPresetButton()->isEnabled());
  EXPECT_EQ(control_->cameraTitleField()->text(), QStringLiteral("Entrance"));
  EXPECT_EQ(control_->siteInfoField()->text(), QStringLiteral("Warehouse DVR"));
  selectCamera(1);  // no PTZ
  EXPECT_FALSE(left->isEnabled());
  EXPECT_FALSE(control_->movePresetButton()->isEnabled());
  client_->cameras[0] = camera(0, "Entrance", 2);  // inactive
  selectCamera(0);
  EXPECT_FALSE(left->isEnabled());
  client_->cameras[0] = camera(0, "Entrance", 1, 3);  // hidden
  postState(5);
  EXPECT_FALSE(left->isEnabled());
}

TEST_F(SitePanelTest, HeldAndClickedButtonsWithTheMouse) {
  selectCamera(2);
  panel_->selectPanel(1);
  QToolButton* left = control_->PTZButton(2);
  QTest::mousePress(left, Qt::LeftButton);
  timers_.advance(1.0);
  QTest::mouseRelease(left, Qt::LeftButton);
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::ptz(1, 2, 1), FakePanelClient::ptz(1, 2, 2)}));
  client_->sent.clear();
  QTest::mouseClick(control_->PTZButton(8), Qt::LeftButton);  // zoom in
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::ptz(8, 2, 0)}));
  // Every button in the form's order, each a step of its own command.
  client_->sent.clear();
  for (int tag = 0; tag < 12; ++tag) QTest::mouseClick(control_->PTZButton(tag), Qt::LeftButton);
  const int commands[] = {3, 4, 1, 6, 0, 5, 2, 7, 8, 9, 10, 11};
  ASSERT_EQ(client_->sent.size(), 12u);
  for (int tag = 0; tag < 12; ++tag)
    EXPECT_EQ(client_->sent[static_cast<size_t>(tag)], FakePanelClient::ptz(commands[tag], 2, 0));
}

TEST_F(SitePanelTest, PlaneChangeAndDisconnectionMidHoldStopTheFirstCamera) {
  selectCamera(0);
  panel_->selectPanel(1);
  QToolButton* up = control_->PTZButton(0);
  QTest::mousePress(up, Qt::LeftButton);
  timers_.advance(0.4);
  auto other = std::make_shared<FakePanelClient>();
  other->cameras = client_->cameras;
  wall_.select(other, 2, {site_});
  NotificationCenter::defaultCenter().post(PlaneChanged, wall_.viewNotificationObject());
  timers_.advance(0.4);
  QTest::mouseRelease(up, Qt::LeftButton);
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::ptz(3, 0, 1), FakePanelClient::ptz(3, 0, 2)}));
  EXPECT_TRUE(other->sent.empty());
  // A disconnection disables the buttons under the held one: its stop goes first.
  QTest::mousePress(up, Qt::LeftButton);
  timers_.advance(0.2);
  other->connected = false;
  other->disconnected = true;
  postState(4);
  EXPECT_FALSE(up->isEnabled());
  EXPECT_EQ(other->sent, (std::vector<Sent>{FakePanelClient::ptz(3, 2, 1), FakePanelClient::ptz(3, 2, 2)}));
  QTest::mouseRelease(up, Qt::LeftButton);
  EXPECT_EQ(other->sent.size(), 2u);
}

TEST_F(SitePanelTest, WindowDeactivationStopsAHeldButton) {
  selectCamera(0);
  panel_->selectPanel(1);
  QTest::mousePress(control_->PTZButton(6), Qt::LeftButton);
  timers_.advance(0.2);
  ASSERT_EQ(client_->sent.size(), 1u);
  QEvent deactivate(QEvent::WindowDeactivate);
  QApplication::sendEvent(&window_, &deactivate);
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::ptz(2, 0, 1), FakePanelClient::ptz(2, 0, 2)}));
  EXPECT_FALSE(panel_->core()->isContinued());
}

TEST_F(SitePanelTest, PresetMenusCarryTheirIndexAndLabel) {
  selectCamera(0);
  std::vector<QString> labels;
  for (int i = 0; i < 16; ++i) labels.push_back(i == 2 ? QStringLiteral("R&D") : QStringLiteral("p%1").arg(i));
  labels[1] = QString();
  control_->updatePresetLabelArray(labels);
  for (QMenu* menu : {control_->setPresetMenu(), control_->moveToPresetMenu()}) {
    SCOPED_TRACE(menu->objectName().toStdString());
    // 16 items under the pop-up's fixed title.
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 16);
    EXPECT_EQ(items[0]->text(), QStringLiteral("1.p0"));
    EXPECT_EQ(items[0]->data().toList().value(0).toInt(), 0);
    EXPECT_EQ(items[1]->text(), QStringLiteral("2."));
    EXPECT_EQ(items[2]->text(), QStringLiteral("3.R&&D"));  // shows "3.R&D"
    EXPECT_EQ(items[15]->data().toList().value(0).toInt(), 15);
  }
  EXPECT_EQ(control_->setPresetButton()->text(), QStringLiteral("Set Preset"));
  EXPECT_EQ(control_->setPresetMenu()->actions()[0]->toolTip(), QStringLiteral("p0"));
  // The chosen item's label travels in the item, not through its tool tip.
  std::vector<std::pair<int, QString>> chosen;
  QObject::connect(control_, &ControlView::setPresetChosen,
                   [&](int tag, const QString& l) { chosen.emplace_back(tag, l); });
  control_->setPresetMenu()->actions()[1]->trigger();
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0], std::make_pair(1, QString()));
  panel_->presetLabelWindow()->reject();
  control_->updatePresetLabel(QStringLiteral("Loading bay"), 4);
  EXPECT_EQ(control_->setPresetMenu()->actions()[4]->text(), QStringLiteral("5.Loading bay"));
  EXPECT_EQ(control_->moveToPresetMenu()->actions()[4]->text(), QStringLiteral("5.Loading bay"));
  EXPECT_EQ(control_->setPresetMenu()->actions()[4]->toolTip(), QStringLiteral("Loading bay"));
  control_->clearPresetMenu();
  EXPECT_TRUE(control_->setPresetMenu()->actions().isEmpty());
  EXPECT_TRUE(control_->moveToPresetMenu()->actions().isEmpty());
}

TEST_F(SitePanelTest, SavingAPresetThroughTheSheet) {
  selectCamera(0);
  postState(10);
  ASSERT_EQ(control_->setPresetMenu()->actions().size(), 3);
  control_->setPresetMenu()->actions()[2]->trigger();  // "3.gate"
  PTZPresetLabelWindow* sheet = panel_->presetLabelWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
  EXPECT_EQ(sheet->findChild<QLabel*>(QStringLiteral("presetTitle"))->text(), QStringLiteral("PTZ Preset 3"));
  QLineEdit* field = sheet->findChild<QLineEdit*>(QStringLiteral("presetLabelField"));
  EXPECT_EQ(field->text(), QStringLiteral("gate"));
  test::selectAll(field);
  test::typeText(field, QStringLiteral("Gate 2"));
  QTest::mouseClick(sheet->findChild<QPushButton*>(QStringLiteral("doneButton")), Qt::LeftButton);
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::save(0, 2, "Gate 2")}));
  EXPECT_EQ(control_->setPresetMenu()->actions()[2]->text(), QStringLiteral("3.Gate 2"));
  control_->moveToPresetMenu()->actions()[2]->trigger();
  EXPECT_EQ(client_->sent.back(), FakePanelClient::move(0, 2));
}

TEST_F(SitePanelTest, UnbindingUnderTheOpenSheetSendsNothing) {
  selectCamera(0);
  postState(10);
  control_->setPresetMenu()->actions()[0]->trigger();
  PTZPresetLabelWindow* sheet = panel_->presetLabelWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
  wall_.unbind();
  postState(1);
  test::LogCapture log;
  QTest::mouseClick(sheet->findChild<QPushButton*>(QStringLiteral("doneButton")), Qt::LeftButton);
  EXPECT_TRUE(client_->sent.empty());
  EXPECT_EQ(control_->setPresetMenu()->actions()[0]->text(), QStringLiteral("1.door"));
  EXPECT_TRUE(log.contains("not saved"));
}

TEST_F(SitePanelTest, AlarmTogglesGoToTheSelectedClient) {
  selectCamera(0);
  panel_->changeAlarmState(3, true);
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::alarm(3, true)}));
}

TEST(ControlViewTest, ShowsTheSitePlainlyAndAutoDetectedAddressesAsSuch) {
  SitePanelController panel;
  ControlView* view = panel.controlView();
  auto site = test::site(QStringLiteral("<b>Depot</b>"));
  site->setAutoDetect(true);
  view->showSiteStatus(site, QStringLiteral("CAM1"));
  EXPECT_EQ(view->siteNameField()->text(), QStringLiteral("<b>Depot</b>"));
  EXPECT_EQ(view->siteNameField()->textFormat(), Qt::PlainText);
  EXPECT_EQ(view->addressField()->text(), QStringLiteral("Auto Detection"));
  EXPECT_EQ(view->siteInfoField()->text(), QString());  // no description
  EXPECT_EQ(view->cameraTitleField()->text(), QStringLiteral("CAM1"));
  site->setAutoDetect(false);
  view->showSiteStatus(site, std::nullopt);
  EXPECT_EQ(view->addressField()->text(), QStringLiteral("192.0.2.7"));
  EXPECT_EQ(view->cameraTitleField()->text(), QString());
  view->showSiteStatus(nullptr, QStringLiteral("CAM1"));
  for (QLabel* field : {view->siteNameField(), view->addressField(), view->siteInfoField(), view->cameraTitleField()})
    EXPECT_EQ(field->text(), QString());
}

// Row r of the site box has its middle from x 44 at 8 + 21 r from the top; the bars are
// 20 high at 101 from the top and 103 + 20 above the bottom.
void expectPainted(const QImage& page, int width, int height) {
  const int fields = width - 88;
  ASSERT_GT(fields, 4);
  const QColor rowMiddle =
      QColor(imageResource(QStringLiteral("right_dvr_info_bg_2"), QStringLiteral("png")).pixel(1, 5));
  const QColor bar =
      QColor(imageResource(QStringLiteral("color_control_title_bg"), QStringLiteral("png")).pixel(1, 10));
  for (int r = 0; r < 4; ++r) {
    // Above the row's text field, at both ends of the stretched middle.
    EXPECT_EQ(QColor(page.pixel(45, 8 + 21 * r + 1)), rowMiddle) << r;
    EXPECT_EQ(QColor(page.pixel(44 + fields - 2, 8 + 21 * r + 1)), rowMiddle) << r;
  }
  EXPECT_EQ(QColor(page.pixel(3, 95)), QColor(Qt::white));  // the white box below the rows
  EXPECT_EQ(QColor(page.pixel(width - 2, 101 + 10)), bar);
  EXPECT_EQ(QColor(page.pixel(width - 2, height - 103 - 10)), bar);
  EXPECT_EQ(QColor(page.pixel(width - 2, height - 103 - 25)), QColor(242, 242, 242));  // the page's grey
}

TEST(ControlViewTest, PageAtTheDesignSizeAndTaller) {
  registerResources();
  struct Case {
    int width, height;
    const char* screenshot;
  } cases[] = {{213, 519, "control-213x519.png"}, {250, 600, "control-250x600.png"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screenshot);
    SitePanelController panel;
    test::FakePanelWall wall;
    test::FakeDVRInfoView dvr;
    test::FakeTimerFactory timers;
    panel.awake(wall, &dvr, timers);
    auto client = std::make_shared<FakePanelClient>();
    client->cameras = {camera(0, "Loading Dock East")};
    client->labels = {{"Gate", "Ramp", "", "Office"}};
    auto site = test::site(QStringLiteral("Warehouse North"));
    site->setDvrInfo(QStringLiteral("16-channel recorder"));
    wall.select(client, 0, {site});
    NotificationCenter::defaultCenter().post(PlaneChanged, wall.viewNotificationObject());
    panel.selectPanel(1);
    panel.resize(c.width, c.height + 32);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    ControlView* view = panel.controlView();
    ASSERT_EQ(view->size(), QSize(c.width, c.height));
    EXPECT_EQ(view->changedViewWidthValue(), 213 - c.width);
    EXPECT_EQ(view->changedViewHeightValue(), 519 - c.height);
    for (QLabel* field : {view->siteNameField(), view->addressField(), view->siteInfoField(), view->cameraTitleField()})
      EXPECT_EQ(field->width(), c.width - 88);
    // The colour section keeps its place above the bottom edge, inside the view.
    for (QWidget* control : view->findChildren<QSlider*>()) {
      EXPECT_GE(control->y(), c.height - 103);
      EXPECT_LE(control->geometry().right(), c.width - 1);
    }
    QPushButton* reset = view->findChild<QPushButton*>(QStringLiteral("resetColorControlsButton"));
    EXPECT_LE(reset->geometry().bottom(), c.height - 1);
    EXPECT_LE(reset->geometry().right(), c.width - 1);
    const QImage page = view->grab().toImage();
    expectPainted(page, c.width, c.height);
    saveScreenshot(*view, QString::fromLatin1(c.screenshot));
  }
}

}  // namespace
}  // namespace zelvo
