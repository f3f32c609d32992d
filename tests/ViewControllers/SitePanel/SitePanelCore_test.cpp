// The site panel's decisions against fake pages, a fake wall and a recording client: the
// calls each state code makes of the pages, the PTZ press, hold and release with their
// stops, presets across the sheet, alarm outputs.
#include "ViewControllers/SitePanel/SitePanelCore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeTimerFactory.h"
#include "SitePanelFakes.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::camera;
using test::FakePanelClient;
using Sent = FakePanelClient::Sent;
using Calls = std::vector<std::string>;

class SitePanelCoreTest : public testing::Test {
 public:
  SitePanelCoreTest() : control_(dvr_.calls), core_(wall_, dvr_, control_, sheet_, timers_) {
    client_->cameras = {camera(0, "Entrance"), camera(1, "Yard", 1, 1, false), camera(2, "Store")};
    client_->alarms = {AlarmCommand(0, true, false, "Siren"), AlarmCommand(1, true, true, "Gate")};
    client_->motion = BitMask32(0x5);
    client_->sensor = BitMask32(0x2);
    client_->labels = {{"door", "", "gate"}, {}, {"a"}};
  }
  void selectCamera(int64_t cam) { wall_.select(client_, cam, {site_}); }
  Calls takeCalls() { return std::exchange(dvr_.calls, {}); }

  test::FakePanelWall wall_;
  test::FakeDVRInfoView dvr_;
  test::FakeControlView control_;
  test::FakePresetSheet sheet_;
  test::FakeTimerFactory timers_;
  SitePanelCore core_;
  std::shared_ptr<FakePanelClient> client_ = std::make_shared<FakePanelClient>();
  std::shared_ptr<SiteInfo> site_ = test::site(QStringLiteral("Depot"));
};

TEST(SitePanelCoreTable, TagsMapToTheirCommandsAndNothingElse) {
  const int expected[] = {3, 4, 1, 6, 0, 5, 2, 7, 8, 9, 10, 11};
  for (int tag = 0; tag < 12; ++tag) EXPECT_EQ(SitePanelCore::PTZCommandForTag(tag), expected[tag]) << tag;
  for (int64_t tag : {-1LL, 12LL, 255LL, 1LL << 40})
    EXPECT_EQ(SitePanelCore::PTZCommandForTag(tag), std::nullopt) << tag;
}

TEST(SitePanelCoreTable, CameraTitles) {
  struct Case {
    const char* name;
    std::optional<CameraInfo> info;
    const char* title;
  } cases[] = {
      {"no record", std::nullopt, ""},
      {"status 0", camera(0, "Entrance", 0), ""},
      {"status 4", camera(0, "Entrance", 4), ""},
      {"normal", camera(0, "Entrance", 1), "Entrance"},
      {"inactive", camera(0, "Entrance", 2), "Entrance"},
      {"video loss", camera(0, "Entrance", 3), "Entrance"},
      {"blank title", camera(4, "  ", 1), "CAM5"},
      {"hidden", camera(4, "Vault", 1, 3), "CAM5"},
  };
  for (const Case& c : cases) EXPECT_EQ(SitePanelCore::stringByCameraInfo(c.info).toStdString(), c.title) << c.name;
}

TEST(SitePanelCoreTable, PTZFollowsTheCamerasAvailability) {
  struct Case {
    const char* name;
    std::optional<CameraInfo> info;
    bool ptz;
  } cases[] = {
      {"no record", std::nullopt, false},
      {"PTZ camera", camera(0, "A", 1, 1, true), true},
      {"no PTZ", camera(0, "A", 1, 1, false), false},
      {"inactive PTZ camera", camera(0, "A", 2, 1, true), false},
      {"hidden PTZ camera", camera(0, "A", 1, 3, true), false},
      {"covert level 2 PTZ camera", camera(0, "A", 1, 2, true), true},
      {"video loss PTZ camera", camera(0, "A", 3, 1, true), true},
  };
  for (const Case& c : cases) EXPECT_EQ(SitePanelCore::isPTZCamera(c.info), c.ptz) << c.name;
}

// Every state code, the ones the wall never posts included, against the pages' calls.
TEST_F(SitePanelCoreTest, EachStateCallsItsUpdatesInOrder) {
  const Calls panelViews = {"control.setSelectedCamera(0)", "control.showSiteStatus(Depot,\"Entrance\")",
                            "dvr.showSiteStatus(Depot)", "dvr.updateCameraCount(4,3,2)",
                            "control.enablePTZButton(YES)"};
  const Calls clearStatus = {"dvr.showSiteStatus(none)", "control.showSiteStatus(none,none)"};
  const Calls clearPanel = {"dvr.updateCameraCount(0,0,0)", "dvr.updateCameraInfoArray(none)",
                            "dvr.enableAlarmButton(NO)", "control.enablePTZButton(NO)"};
  const Calls alarmInfo = {"dvr.enableAlarmButton(YES)", "dvr.updateAlarmInfo(2)"};
  auto join = [](std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  struct Case {
    int state;
    Calls calls;
  } cases[] = {
      {0, join({{"dvr.updateCameraInfoArray(3)"}, panelViews, {"dvr.updateCameraInfoArray(3)"}, alarmInfo})},
      {1, join({clearStatus, clearPanel})},
      {2, panelViews},
      {3, join({panelViews, alarmInfo})},
      {4, join({panelViews, clearPanel})},
      {5, join({{"dvr.updateCameraInfoArray(3)"}, panelViews})},
      {6, alarmInfo},
      {7, {"dvr.updateMotionMask(5)", "dvr.updateSensorMask(2)"}},
      {8, {}},
      {9, {}},
      {10, {"control.updatePresetLabelArray(3)"}},
      {-1, {}},
      {11, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    selectCamera(0);
    takeCalls();
    core_.videoViewSelectedNetworkClientStateChanged(c.state);
    EXPECT_EQ(takeCalls(), c.calls);
  }
}

TEST_F(SitePanelCoreTest, WithoutAClientEveryStateClearsThePanel) {
  wall_.unbind();
  for (int state = -1; state <= 11; ++state) {
    SCOPED_TRACE(state);
    takeCalls();
    core_.videoViewSelectedNetworkClientStateChanged(state);
    EXPECT_EQ(takeCalls(),
              (Calls{"dvr.showSiteStatus(none)", "control.showSiteStatus(none,none)", "dvr.updateCameraCount(0,0,0)",
                     "dvr.updateCameraInfoArray(none)", "dvr.enableAlarmButton(NO)", "control.enablePTZButton(NO)"}));
  }
}

TEST_F(SitePanelCoreTest, PlaneChangeRefreshesByTheClientsState) {
  selectCamera(2);
  core_.videoViewSelectedPlaneChanged();
  EXPECT_EQ(takeCalls(),
            (Calls{"control.setSelectedCamera(2)", "control.showSiteStatus(Depot,\"Store\")",
                   "dvr.showSiteStatus(Depot)", "dvr.updateCameraCount(4,3,2)", "control.enablePTZButton(YES)",
                   "control.updatePresetLabelArray(1)", "dvr.updateCameraInfoArray(3)", "dvr.updateMotionMask(5)",
                   "dvr.updateSensorMask(2)", "dvr.enableAlarmButton(YES)", "dvr.updateAlarmInfo(2)"}));
  client_->connected = false;
  client_->disconnected = true;
  core_.videoViewSelectedPlaneChanged();
  EXPECT_EQ(
      takeCalls(),
      (Calls{"control.setSelectedCamera(2)", "control.showSiteStatus(Depot,\"Store\")", "dvr.showSiteStatus(Depot)",
             "dvr.updateCameraCount(4,3,2)", "control.enablePTZButton(YES)", "dvr.updateCameraCount(0,0,0)",
             "dvr.updateCameraInfoArray(none)", "dvr.enableAlarmButton(NO)", "control.enablePTZButton(NO)"}));
  wall_.unbind();
  core_.videoViewSelectedPlaneChanged();
  EXPECT_EQ(takeCalls(),
            (Calls{"dvr.showSiteStatus(none)", "control.showSiteStatus(none,none)", "dvr.updateCameraCount(0,0,0)",
                   "dvr.updateCameraInfoArray(none)", "dvr.enableAlarmButton(NO)", "control.enablePTZButton(NO)"}));
}

TEST_F(SitePanelCoreTest, TitlesAndCountsOfTheSelectedCamera) {
  struct Case {
    const char* name;
    std::vector<CameraInfo> cameras;
    int64_t camera;
    std::optional<PanelClientPort::ChannelCounts> counts;
    const char* title;
    const char* countsCall;
  } cases[] = {
      {"status 0 gives no title",
       {camera(0, "Entrance", 0)},
       0,
       PanelClientPort::ChannelCounts{16, 4, 8},
       "",
       "dvr.updateCameraCount(16,8,4)"},
      {"no camera table yet: the camera's number",
       {},
       6,
       PanelClientPort::ChannelCounts{16, 4, 8},
       "7",
       "dvr.updateCameraCount(16,8,4)"},
      {"a camera past a shorter table", {camera(0, "Entrance")}, 3, std::nullopt, "4", "dvr.updateCameraCount(0,0,0)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client_->cameras = c.cameras;
    client_->counts = c.counts;
    selectCamera(c.camera);
    takeCalls();
    core_.updatePanelViews(*client_);
    EXPECT_EQ(control_.title, QString::fromUtf8(c.title));
    const Calls calls = takeCalls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), c.countsCall), calls.end());
    EXPECT_EQ(site_->cameraCount(), c.counts ? c.counts->cameras : 0);
    EXPECT_EQ(site_->alarmCount(), c.counts ? c.counts->alarms : 0);
    EXPECT_EQ(site_->sensorCount(), c.counts ? c.counts->sensors : 0);
  }
}

TEST_F(SitePanelCoreTest, WithheldCamerasGetNoPTZAndNoLabels) {
  for (const CameraInfo& withheld : {camera(0, "A", 2, 1, true), camera(0, "A", 1, 3, true)}) {
    client_->cameras = {withheld};
    selectCamera(0);
    control_.enabled = true;
    takeCalls();
    core_.videoViewSelectedPlaneChanged();
    EXPECT_FALSE(control_.enabled);
    const Calls calls = takeCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "control.updatePresetLabelArray(3)"), 0);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "control.updatePresetLabelArray(0)"), 1);
  }
}

TEST_F(SitePanelCoreTest, AHeldButtonStartsOnceAndStopsOnRelease) {
  selectCamera(0);
  control_.camera = 0;
  core_.PTZButtonPressed(2);
  ASSERT_EQ(timers_.runningIds().size(), 1u);
  EXPECT_DOUBLE_EQ(timers_.timer(0).interval, 0.2);
  EXPECT_TRUE(client_->sent.empty()) << "nothing before the first repeat";
  timers_.advance(1.0);  // held for a second: five repeats
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::ptz(1, 0, 1)}));
  core_.PTZButtonReleased(2);
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::ptz(1, 0, 1), FakePanelClient::ptz(1, 0, 2)}));
  EXPECT_FALSE(core_.isContinued());
  EXPECT_TRUE(timers_.runningIds().empty());
}

TEST_F(SitePanelCoreTest, AQuickClickSendsOneStep) {
  selectCamera(2);
  control_.camera = 2;
  core_.PTZButtonPressed(2);
  timers_.advance(0.1);
  core_.PTZButtonReleased(2);
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::ptz(1, 2, 0)}));
}

TEST_F(SitePanelCoreTest, TagsOutsideTheTableSendNothing) {
  selectCamera(0);
  for (int tag : {-1, 12, 255}) {
    core_.PTZButtonPressed(tag);
    timers_.advance(0.5);
    core_.PTZButtonReleased(tag);
    core_.handlePTZCommand(tag, 1);
  }
  EXPECT_TRUE(client_->sent.empty());
}

// A hold cut short sends its stop to where the start went, and the release that follows
// sends nothing: not a step, and nothing to the camera now selected.
TEST_F(SitePanelCoreTest, AHoldCutShortStopsTheStartedCamera) {
  struct Case {
    const char* name;
    std::function<void(SitePanelCoreTest&)> cut;
  } cases[] = {
      {"plane change",
       [](SitePanelCoreTest& t) {
         t.wall_.select(std::make_shared<FakePanelClient>(), 5, {t.site_});
         t.core_.videoViewSelectedPlaneChanged();
       }},
      {"buttons disabled by a disconnection",
       [](SitePanelCoreTest& t) { t.core_.videoViewSelectedNetworkClientStateChanged(4); }},
      {"plane unbound",
       [](SitePanelCoreTest& t) {
         t.wall_.unbind();
         t.core_.videoViewSelectedNetworkClientStateChanged(1);
       }},
      {"camera without PTZ selected on the same client",
       [](SitePanelCoreTest& t) {
         t.selectCamera(1);
         t.core_.videoViewSelectedNetworkClientStateChanged(5);
       }},
      {"window deactivated", [](SitePanelCoreTest& t) { t.core_.windowDidResignActive(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client_->sent.clear();
    selectCamera(2);
    control_.camera = 2;
    core_.PTZButtonPressed(6);  // right: command 2
    timers_.advance(0.4);
    c.cut(*this);
    EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::ptz(2, 2, 1), FakePanelClient::ptz(2, 2, 2)}));
    EXPECT_FALSE(core_.isContinued());
    auto other = std::dynamic_pointer_cast<FakePanelClient>(wall_.client);
    timers_.advance(1.0);
    core_.PTZButtonReleased(6);
    EXPECT_EQ(client_->sent.size(), 2u) << "the release after the cut sends nothing";
    if (other && other != client_) {
      EXPECT_TRUE(other->sent.empty());
    }
  }
}

TEST_F(SitePanelCoreTest, AStopIsNotSentToAClientThatHasGone) {
  selectCamera(0);
  core_.PTZButtonPressed(0);
  timers_.advance(0.2);
  ASSERT_EQ(client_->sent.size(), 1u);
  client_->gone = true;
  core_.PTZButtonReleased(0);
  EXPECT_EQ(client_->sent.size(), 1u);
}

TEST_F(SitePanelCoreTest, ASavedPresetGoesOutWithTheNumberShownPlusOne) {
  selectCamera(2);
  control_.camera = 2;
  core_.handleSetPreset(4, QStringLiteral("old"));
  EXPECT_EQ(sheet_.number, 5);
  EXPECT_EQ(sheet_.shownLabel, QStringLiteral("old"));
  takeCalls();
  sheet_.end(QStringLiteral("Gate"));
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::save(2, 4, "Gate")}));
  EXPECT_EQ(takeCalls(), (Calls{"control.updatePresetLabel(Gate,4)"}));
}

TEST_F(SitePanelCoreTest, ACancelledSheetSendsNothing) {
  selectCamera(0);
  core_.handleSetPreset(0, QString());
  takeCalls();
  sheet_.end(std::nullopt);
  EXPECT_TRUE(client_->sent.empty());
  EXPECT_TRUE(takeCalls().empty());
}

TEST_F(SitePanelCoreTest, APresetSavedAfterTheSelectionMovedIsDropped) {
  struct Case {
    const char* name;
    std::function<void(SitePanelCoreTest&)> change;
  } cases[] = {
      {"plane unbound", [](SitePanelCoreTest& t) { t.wall_.unbind(); }},
      {"another client",
       [](SitePanelCoreTest& t) { t.wall_.select(std::make_shared<FakePanelClient>(), 2, {t.site_}); }},
      {"another camera",
       [](SitePanelCoreTest& t) {
         t.selectCamera(0);
         t.control_.camera = 0;
       }},
      {"client gone", [](SitePanelCoreTest& t) { t.client_->gone = true; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client_->gone = false;
    client_->sent.clear();
    selectCamera(2);
    control_.camera = 2;
    core_.handleSetPreset(1, QString());
    c.change(*this);
    takeCalls();
    test::LogCapture log;
    sheet_.end(QStringLiteral("Gate"));
    EXPECT_TRUE(client_->sent.empty());
    if (auto other = std::dynamic_pointer_cast<FakePanelClient>(wall_.client)) {
      EXPECT_TRUE(other->sent.empty());
    }
    EXPECT_TRUE(takeCalls().empty()) << "the label is not shown either";
    EXPECT_TRUE(log.contains("not saved"));
  }
}

TEST_F(SitePanelCoreTest, GoingToAPresetAndSwitchingAlarms) {
  selectCamera(2);
  control_.camera = 2;
  core_.handleMoveToPreset(7);
  test::LogCapture log;
  core_.changeAlarmState(1, true);
  core_.changeAlarmState(0, false);
  EXPECT_EQ(client_->sent, (std::vector<Sent>{FakePanelClient::move(2, 7), FakePanelClient::alarm(1, true),
                                              FakePanelClient::alarm(0, false)}));
  EXPECT_TRUE(log.contains("Alarm ID 1, State YES"));
  EXPECT_TRUE(log.contains("Alarm ID 0, State NO"));
  wall_.unbind();
  client_->sent.clear();
  core_.handleMoveToPreset(1);
  core_.changeAlarmState(1, true);
  core_.handlePTZCommand(0, 1);
  EXPECT_TRUE(client_->sent.empty());
}

}  // namespace
}  // namespace zelvo
