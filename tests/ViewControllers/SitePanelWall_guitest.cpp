// The site panel and the toolbar strip on the real wall: the video view, its controller
// with real live clients, and the recorder emulator on loopback, the site bound from
// plane 0. What the panel sends is read back byte for byte from the emulator; what the
// strip shows is read from its labels.
#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <cstdlib>
#include <ctime>

#include "FakeTimerFactory.h"
#include "GuiInput.h"
#include "Network/MessageType.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/SitePanel/ControlView.h"
#include "ViewControllers/SitePanel/PTZPresetLabelWindow.h"
#include "ViewControllers/SitePanelController.h"
#include "ViewControllers/ToolbarInfoViewController.h"
#include "ViewControllers/VideoView.h"
#include "ViewControllers/VideoViewController.h"
#include "ViewControllers/VideoViewControllerPanelWall.h"
#include "WallFakes.h"
#include "emulator/LiveRecorder.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using Bytes = emulator::Bytes;

Bytes concat(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

struct Recorder {
  explicit Recorder(emulator::RecorderConfig base = {}) : live(config()), emulator(recorderConfig(std::move(base))) {
    live.install(emulator);
    EXPECT_TRUE(emulator.start());
  }
  static emulator::LiveRecorderConfig config() {
    emulator::LiveRecorderConfig c;
    // Camera 1 inactive and camera 2 hidden, both with PTZ: neither may be steered.
    c.cameras = {{"Front door", 1, 1, 1, 0, {0, 0, 0, 0}},
                 {"Parking lot", 2, 1, 1, 0, {0, 0, 0, 0}},
                 {"Lobby", 1, 3, 1, 0, {0, 0, 0, 0}},
                 {"Loading dock", 1, 1, 1, 0, {0, 0, 0, 0}}};
    return c;
  }
  static emulator::RecorderConfig recorderConfig(emulator::RecorderConfig c) {
    c.videoInCount = 4;
    c.alarmCount = 4;
    return c;
  }
  // The whole site (index 0) or one camera of it (index = camera + 1).
  QByteArray archive(int64_t index = 0) const {
    SiteInfo site;
    site.setName(QStringLiteral("Emulated recorder"));
    site.setAddress(QStringLiteral("127.0.0.1"));
    site.setPort(emulator.port());
    site.setUser(QStringLiteral("admin"));
    site.setPassword(QStringLiteral("admin"));
    site.setCameraCount(4);
    site.setIndex(index);
    return archivedDataWithRootObject(site);
  }
  // The next PTZ packet, or an empty one when none comes.
  Bytes nextPTZ() {
    auto packet = emulator.waitForPacket(MessageTypePTZ);
    return packet ? packet->payload : Bytes();
  }
  int countOf(uint16_t type) const {
    int n = 0;
    for (const auto& packet : emulator.received()) n += packet.type == type ? 1 : 0;
    return n;
  }

  emulator::LiveRecorder live;
  emulator::RecorderEmulator emulator;
};

class SitePanelWallTest : public testing::Test {
 protected:
  static constexpr int Width = 800, Height = 600;

  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server (Xvfb)";
    // Frame times in en_US and UTC.
    for (const char* name : {"LC_ALL", "TZ"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("LC_ALL", "en_US.UTF-8", 1);
    setenv("TZ", "UTC", 1);
    tzset();
    DateTimeUtility::cleanup();

    view_ = std::make_unique<VideoView>();
    controller_ = std::make_unique<VideoViewController>(
        *view_, VideoViewController::Collaborators{&sharedLiveClientFactory(), &sharedWallDecoders(), &audio_,
                                                   &mainThreadTimerFactory()});
    view_->setControllerQueries(controller_.get());
    controller_->setMainWindow(&mainWindow_);
    controller_->awake();
    wall_ = std::make_unique<VideoViewControllerPanelWall>(*controller_);
    panel_ = std::make_unique<SitePanelController>();
    panel_->awake(*wall_, nullptr, panelTimers_);
    strip_ = std::make_unique<ToolbarInfoViewController>();
    strip_->awake(*wall_);
    view_->resize(Width, Height);
    view_->show();
    ASSERT_TRUE(test::waitUntil([&] { return view_->renderCount() > 0; }));
    panel_->resize(213, 551);
    panel_->move(Width + 10, 0);
    panel_->show();
    strip_->view()->resize(420, 40);
    strip_->view()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel_.get()));
    panel_->selectPanel(1);
    control_ = panel_->controlView();
  }

  void TearDown() override {
    if (panel_) panel_->presetLabelWindow()->reject();
    strip_.reset();
    panel_.reset();
    wall_.reset();
    controller_.reset();
    view_.reset();
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    tzset();
    DateTimeUtility::cleanup();
  }

  void drop(const QByteArray& archive, int64_t plane = 0) {
    QMimeData data;
    data.setData(PasteBoardTypeConnectionTarget, archive);
    const QPoint point(int(plane % 4) * Width / 4 + 10, int(plane / 4) * Height / 4 + 10);
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view_.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent event(point, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view_.get(), &event);
  }
  // The site on planes 0 to 3, logged in, its tables in.
  void connectSite(Recorder& recorder) {
    drop(recorder.archive());
    ASSERT_TRUE(recorder.emulator.waitForLogins(1));
    ASSERT_TRUE(test::waitUntil(
        [&] { return control_->PTZButton(0)->isEnabled() && control_->setPresetMenu()->actions().size() == 16; }));
  }
  void select(int64_t plane) { view_->setSelectedPlane(plane); }

  test::EventLog log_;
  test::FakeAudio audio_{log_};
  test::FakeMainWindow mainWindow_{log_};
  std::unique_ptr<VideoView> view_;
  std::unique_ptr<VideoViewController> controller_;
  std::unique_ptr<VideoViewControllerPanelWall> wall_;
  // A held button repeats only when a test says so: on a loaded machine a real 0.2 s
  // repeat could fall between a press and the check of what it sent.
  test::FakeTimerFactory panelTimers_;
  std::unique_ptr<SitePanelController> panel_;
  std::unique_ptr<ToolbarInfoViewController> strip_;
  ControlView* control_ = nullptr;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(SitePanelWallTest, HeldAndClickedPTZButtonsReachTheRecorderByteForByte) {
  Recorder recorder;
  connectSite(recorder);
  QToolButton* up = control_->PTZButton(0);  // command 3
  QTest::mousePress(up, Qt::LeftButton);
  panelTimers_.advance(0.2);  // held past the first delay
  EXPECT_EQ(recorder.nextPTZ(), (Bytes{0x01, 0x00, 0x03, 0x01, 0x00}));  // camera 0, start
  QTest::mouseRelease(up, Qt::LeftButton);
  EXPECT_EQ(recorder.nextPTZ(), (Bytes{0x01, 0x00, 0x03, 0x02, 0x00}));  // stop
  QTest::mouseClick(control_->PTZButton(2), Qt::LeftButton);             // left: command 1
  EXPECT_EQ(recorder.nextPTZ(), (Bytes{0x01, 0x00, 0x01, 0x00, 0x00}));  // one step
  select(3);
  ASSERT_TRUE(control_->PTZButton(11)->isEnabled());
  QTest::mouseClick(control_->PTZButton(11), Qt::LeftButton);  // focus out: command 11
  EXPECT_EQ(recorder.nextPTZ(), (Bytes{0x01, 0x03, 0x0B, 0x00, 0x00}));
}

TEST_F(SitePanelWallTest, PresetsSavedAndRecalled) {
  Recorder recorder;
  connectSite(recorder);
  select(3);
  // The recorder's labels follow the camera table; until they come the sixteen are empty.
  ASSERT_TRUE(test::waitUntil([&] {
    const QList<QAction*> items = control_->setPresetMenu()->actions();
    return items.size() == 16 && items[2]->text() == QStringLiteral("3.Preset 3");
  }));
  control_->setPresetMenu()->actions()[2]->trigger();
  PTZPresetLabelWindow* sheet = panel_->presetLabelWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
  EXPECT_EQ(sheet->findChild<QLabel*>(QStringLiteral("presetTitle"))->text(), QStringLiteral("PTZ Preset 3"));
  QLineEdit* field = sheet->findChild<QLineEdit*>(QStringLiteral("presetLabelField"));
  test::selectAll(field);
  test::typeText(field, QStringLiteral("Dock"));
  QTest::mouseClick(sheet->findChild<QPushButton*>(QStringLiteral("doneButton")), Qt::LeftButton);
  EXPECT_EQ(recorder.nextPTZ(), concat(Bytes{0x03, 0x03, 0x01, 0x02, 'D', 'o', 'c', 'k'}, Bytes(12, 0)));
  // The recorder's echo keeps the new label.
  ASSERT_TRUE(
      test::waitUntil([&] { return control_->moveToPresetMenu()->actions()[2]->text() == QStringLiteral("3.Dock"); }));
  control_->moveToPresetMenu()->actions()[2]->trigger();
  EXPECT_EQ(recorder.nextPTZ(), (Bytes{0x03, 0x03, 0x02, 0x02}));
}

TEST_F(SitePanelWallTest, AlarmOutputsSwitched) {
  Recorder recorder;
  connectSite(recorder);
  panel_->changeAlarmState(1, true);
  auto on = recorder.emulator.waitForPacket(MessageTypeAlarmCommand);
  ASSERT_TRUE(on);
  EXPECT_EQ(on->payload, concat(Bytes{0x01, 0x01, 0x01, 0x01, 0x00}, Bytes(32, 0)));
  panel_->changeAlarmState(3, false);
  auto off = recorder.emulator.waitForPacket(MessageTypeAlarmCommand);
  ASSERT_TRUE(off);
  EXPECT_EQ(off->payload, concat(Bytes{0x01, 0x03, 0x01, 0x00, 0x00}, Bytes(32, 0)));
}

TEST_F(SitePanelWallTest, APlaneChangeMidHoldStopsTheFirstCamera) {
  Recorder recorder;
  connectSite(recorder);
  QToolButton* right = control_->PTZButton(6);  // command 2
  QTest::mousePress(right, Qt::LeftButton);
  panelTimers_.advance(0.2);  // held past the first delay
  EXPECT_EQ(recorder.nextPTZ(), (Bytes{0x01, 0x00, 0x02, 0x01, 0x00}));
  select(3);
  EXPECT_EQ(recorder.nextPTZ(), (Bytes{0x01, 0x00, 0x02, 0x02, 0x00}));  // camera 0 stops
  QTest::mouseRelease(right, Qt::LeftButton);
  // Nothing more for either camera: an alarm command is the marker that all before it arrived.
  panel_->changeAlarmState(0, true);
  ASSERT_TRUE(recorder.emulator.waitForPacket(MessageTypeAlarmCommand));
  EXPECT_EQ(recorder.countOf(MessageTypePTZ), 2);
}

TEST_F(SitePanelWallTest, InactiveAndHiddenCamerasKeepPTZOff) {
  Recorder recorder;
  connectSite(recorder);
  struct Case {
    int64_t plane;
    bool ptz;
  } cases[] = {{1, false}, {2, false}, {3, true}, {0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plane);
    select(c.plane);
    for (int tag = 0; tag < 12; ++tag) EXPECT_EQ(control_->PTZButton(tag)->isEnabled(), c.ptz) << tag;
    EXPECT_EQ(control_->setPresetButton()->isEnabled(), c.ptz);
  }
  select(1);
  QTest::mouseClick(control_->PTZButton(0), Qt::LeftButton);  // disabled: no click
  panel_->changeAlarmState(0, true);
  ASSERT_TRUE(recorder.emulator.waitForPacket(MessageTypeAlarmCommand));
  EXPECT_EQ(recorder.countOf(MessageTypePTZ), 0);
}

TEST_F(SitePanelWallTest, UnbindingUnderTheOpenPresetSheetSendsNothing) {
  Recorder recorder;
  connectSite(recorder);
  control_->setPresetMenu()->actions()[0]->trigger();
  PTZPresetLabelWindow* sheet = panel_->presetLabelWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
  controller_->closeSelectedPlane();  // plane 0 goes; the client stays for planes 1 to 3
  QTest::mouseClick(sheet->findChild<QPushButton*>(QStringLiteral("doneButton")), Qt::LeftButton);
  select(3);
  panel_->changeAlarmState(2, true);
  ASSERT_TRUE(recorder.emulator.waitForPacket(MessageTypeAlarmCommand));
  EXPECT_EQ(recorder.countOf(MessageTypePTZ), 0);
}

TEST_F(SitePanelWallTest, StripConnectingWithItsSpinnerWhileTheSyncAnswerIsHeld) {
  emulator::RecorderConfig silent;
  silent.fault = emulator::Fault::Silent;
  Recorder recorder(silent);
  drop(recorder.archive());
  ASSERT_TRUE(recorder.emulator.waitForConnections(1));
  ASSERT_TRUE(test::waitUntil([&] { return strip_->textContent()->text() == QStringLiteral("Connecting..."); }));
  EXPECT_TRUE(strip_->connectingIndicator()->isVisible());
  EXPECT_FALSE(strip_->btnReconnect()->isVisible());
  EXPECT_TRUE(strip_->btnClose()->isVisible());
}

TEST_F(SitePanelWallTest, StripAfterLoginThenFrameTimesThenDisconnectedAndReconnected) {
  Recorder recorder;
  // What the strip shows when each state arrives (observed after the strip's own observer).
  std::vector<std::pair<int, QString>> seen;
  std::optional<DateTime> lastFrame;
  Observation watch(NotificationCenter::defaultCenter(),
                    VideoViewControllerSelectedNetworkClientStateChangedNotification, controller_.get(),
                    [&](const Notification& n) {
                      const int state = *n.get<int>(VideoViewControllerNetworkClientStateKey);
                      if (const DateTime* time = n.get<DateTime>(VideoViewControllerVideoFrameTimeKey))
                        lastFrame = *time;
                      seen.emplace_back(state, strip_->textContent()->text());
                    });
  drop(recorder.archive());
  ASSERT_TRUE(test::waitUntil([&] { return lastFrame.has_value(); }));
  const auto login = std::find_if(seen.begin(), seen.end(), [](const auto& s) { return s.first == 3; });
  ASSERT_NE(login, seen.end());
  EXPECT_EQ(login->second, QStringLiteral("--"));
  const FrameTimeFormatter utc("en_US", QTimeZone::utc());
  ASSERT_TRUE(test::waitUntil([&] { return seen.back().first == 9; }));
  EXPECT_EQ(seen.back().second, utc.dateTimeString(*lastFrame));
  QString shown = strip_->textContent()->text();
  shown.replace(QChar(0x202F), QLatin1Char(' '));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d{4}, \\d{1,2}:\\d\\d:\\d\\d [AP]M$"))
                  .match(shown)
                  .hasMatch())
      << shown.toStdString();
  EXPECT_TRUE(strip_->textSite()->text().contains(QStringLiteral("Emulated&nbsp;recorder&nbsp;")));

  ASSERT_EQ(recorder.live.dropConnections(), 1);
  ASSERT_TRUE(test::waitUntil([&] { return strip_->textContent()->text() == QStringLiteral("Disconnected"); }));
  EXPECT_TRUE(strip_->btnReconnect()->isVisible());
  EXPECT_FALSE(strip_->connectingIndicator()->isVisible());
  QTest::mouseClick(strip_->btnReconnect(), Qt::LeftButton);
  ASSERT_TRUE(recorder.emulator.waitForConnections(2));
  ASSERT_TRUE(recorder.emulator.waitForLogins(2));
}

TEST_F(SitePanelWallTest, StripCloseEndsTheConnectionOfAPlanesOnlyCamera) {
  Recorder recorder;
  drop(recorder.archive(1));  // camera 0 alone, on plane 0
  ASSERT_TRUE(recorder.emulator.waitForLogins(1));
  ASSERT_TRUE(test::waitUntil([&] { return strip_->btnClose()->isVisible(); }));
  QTest::mouseClick(strip_->btnClose(), Qt::LeftButton);
  ASSERT_TRUE(recorder.emulator.waitForClosed(0));
  EXPECT_FALSE(strip_->btnClose()->isVisible());
  EXPECT_FALSE(strip_->textSite()->isVisible());
  EXPECT_FALSE(control_->PTZButton(0)->isEnabled());
}

}  // namespace
}  // namespace zelvo
