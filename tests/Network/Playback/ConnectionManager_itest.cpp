// ConnectionManager over loopback against the recorder emulator: the mode in its
// notifications, superseded requests, late reports, and an observer that calls
// straight back into the manager.

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "Network/ConnectionManager.h"
#include "Network/Playback/PlaybackClient.h"
#include "Network/Setup/SetupClient.h"
#include "PlaybackClient_Fixture.h"
#include "emulator/PlaybackRecorder.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

struct Report {
  std::string name;
  int mode = -1;
  int reason = -1;
  bool hasError = false;
};

class ConnectionManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator.start());
    for (const char* name : {ConnectionManagerLoginSucceedNotification, ConnectionManagerDisconnectedNotification})
      observations.push_back(manager->addObserver(name, [this](const Notification& n) {
        Report r{n.name};
        if (auto* mode = n.get<int>(ConnectionManagerConnectionModeKey)) r.mode = *mode;
        if (auto* reason = n.get<int>(ConnectionManagerDisconnectionReasonKey)) r.reason = *reason;
        r.hasError = n.has(ConnectionManagerDisconnectionErrorKey);
        reports.push_back(r);
      }));
  }
  void TearDown() override {
    observations.clear();
    for (auto& client : {playback, stand_in_setup}) {
      client->disconnect();
      test::waitUntil([&] { return client->isDisconnected(); });
    }
    recorder.reset();
    manager.reset();
  }
  void connect(int mode, std::any key = {}) {
    manager->connect(mode, "127.0.0.1", emulator.port(), "admin", "admin", std::move(key));
  }
  bool waitForReports(size_t count) {
    return test::waitUntil([&] { return reports.size() >= count; });
  }
  size_t count(const std::string& name) const {
    size_t n = 0;
    for (auto& r : reports) n += r.name == name;
    return n;
  }

  emulator::RecorderEmulator emulator;
  std::shared_ptr<PlaybackClient> playback = PlaybackClient::create();
  // Stands in for the remote-setup client: it speaks a profile the emulator lists.
  std::shared_ptr<PlaybackClient> stand_in_setup = PlaybackClient::create();
  std::unique_ptr<ConnectionManager> manager = std::make_unique<ConnectionManager>(playback, stand_in_setup);
  std::unique_ptr<emulator::PlaybackRecorder> recorder;
  std::vector<Observation> observations;
  std::vector<Report> reports;  // main thread only
};

TEST_F(ConnectionManagerTest, PlaybackLoginAndLocalDisconnectCarryModeTwo) {
  connect(ConnectionManager::ConnectionModePlayback, std::string("caller"));
  EXPECT_EQ(std::any_cast<std::string>(manager->keyOnConnecting()), "caller");
  ASSERT_TRUE(waitForReports(1));
  EXPECT_EQ(reports[0].name, ConnectionManagerLoginSucceedNotification);
  EXPECT_EQ(reports[0].mode, 2);
  EXPECT_FALSE(manager->keyOnConnecting().has_value());
  manager->disconnect();
  ASSERT_TRUE(waitForReports(2));
  EXPECT_EQ(reports[1].name, ConnectionManagerDisconnectedNotification);
  EXPECT_EQ(reports[1].mode, 2);
  EXPECT_EQ(reports[1].reason, 0);
  EXPECT_FALSE(reports[1].hasError);
  EXPECT_EQ(manager->clientOnConnection(), nullptr);
}

TEST_F(ConnectionManagerTest, TheRecorderClosingIsReportedWithReasonSeven) {
  connect(ConnectionManager::ConnectionModeSetup);
  ASSERT_TRUE(waitForReports(1));
  EXPECT_EQ(reports[0].mode, 3);
  emulator.lastSession()->close();
  ASSERT_TRUE(waitForReports(2));
  EXPECT_EQ(reports[1].mode, 3);
  EXPECT_EQ(reports[1].reason, 7);
}

TEST_F(ConnectionManagerTest, ARecorderWithoutThePlaybackProfileIsReportedWithReasonTwo) {
  auto config = emulator.config();
  config.profiles = {{1, 1, 0}, {3, 1, 0}};
  emulator.setConfig(config);
  connect(ConnectionManager::ConnectionModePlayback);
  ASSERT_TRUE(waitForReports(1));
  EXPECT_EQ(reports[0].name, ConnectionManagerDisconnectedNotification);
  EXPECT_EQ(reports[0].reason, 2);
}

TEST_F(ConnectionManagerTest, ModeOneConnectsNothingButRecordsTheRequestAndSetsTheFlag) {
  manager->disconnect();
  EXPECT_FALSE(manager->notifiesOnLogin());
  connect(ConnectionManager::ConnectionModeLive, 5);
  EXPECT_TRUE(manager->notifiesOnLogin());
  EXPECT_EQ(std::any_cast<int>(manager->keyOnConnecting()), 5);
  EXPECT_EQ(manager->clientOnConnection(), nullptr);
  EXPECT_TRUE(playback->isDisconnected());
  EXPECT_EQ(emulator.connectionCount(), 0);
}

TEST_F(ConnectionManagerTest, DisconnectWithNoClientOnlyClears) {
  manager->setKeyOnConnecting(1);
  manager->disconnect();
  EXPECT_FALSE(manager->keyOnConnecting().has_value());
  EXPECT_FALSE(manager->notifiesOnLogin());
  EXPECT_TRUE(reports.empty());
}

TEST_F(ConnectionManagerTest, DisconnectEndsAHandshakeInProgress) {
  auto config = emulator.config();
  config.fault = emulator::Fault::Silent;
  emulator.setConfig(config);
  connect(ConnectionManager::ConnectionModePlayback);
  ASSERT_TRUE(emulator.waitForConnections(1));
  manager->disconnect();
  ASSERT_TRUE(emulator.waitForClosed(0));
  ASSERT_TRUE(test::waitUntil([&] { return playback->isDisconnected(); }));
}

TEST_F(ConnectionManagerTest, ALateLoginAfterDisconnectPostsNothing) {
  connect(ConnectionManager::ConnectionModePlayback);
  ASSERT_TRUE(waitForReports(1));
  manager->disconnect();
  ASSERT_TRUE(waitForReports(2));
  // The login of the request that was cancelled, arriving late.
  std::thread([&] { manager->networkClientLoginSucceed(*playback); }).join();
  EXPECT_EQ(reports.size(), 2u);
}

TEST_F(ConnectionManagerTest, AReportFromAnotherClientPostsNothingButIsCounted) {
  connect(ConnectionManager::ConnectionModeSetup);
  ASSERT_TRUE(waitForReports(1));
  // The request now goes to the playback client: the stand-in is disconnected
  // first, and its report is not passed on.
  connect(ConnectionManager::ConnectionModePlayback);
  ASSERT_TRUE(test::waitUntil([&] { return count(ConnectionManagerLoginSucceedNotification) == 2; }));
  ASSERT_TRUE(stand_in_setup->isDisconnected());
  EXPECT_EQ(count(ConnectionManagerDisconnectedNotification), 0u);
  EXPECT_EQ(reports.back().mode, 2);
  // Counted: the setup queue holds nothing, so a new setup request is judged alone.
  connect(ConnectionManager::ConnectionModeSetup);
  ASSERT_TRUE(test::waitUntil([&] { return count(ConnectionManagerLoginSucceedNotification) == 3; }));
  EXPECT_EQ(reports.back().mode, 3);
}

TEST_F(ConnectionManagerTest, ReconnectingTheSameClientReportsOnlyTheNewLogin) {
  connect(ConnectionManager::ConnectionModePlayback);
  ASSERT_TRUE(waitForReports(1));
  // The client drops its connection first (reason 0): a superseded request's
  // outcome, not reported.
  connect(ConnectionManager::ConnectionModePlayback);
  ASSERT_TRUE(test::waitUntil([&] { return count(ConnectionManagerLoginSucceedNotification) == 2; }));
  EXPECT_EQ(count(ConnectionManagerDisconnectedNotification), 0u);
  manager->disconnect();
  ASSERT_TRUE(waitForReports(3));
  EXPECT_EQ(reports.back().name, ConnectionManagerDisconnectedNotification);
}

TEST_F(ConnectionManagerTest, AnObserverMayReconnectFromTheDisconnectReport) {
  bool reconnected = false;
  observations.push_back(manager->addObserver(ConnectionManagerDisconnectedNotification, [&](const Notification&) {
    if (reconnected) return;
    reconnected = true;
    connect(ConnectionManager::ConnectionModePlayback);
  }));
  connect(ConnectionManager::ConnectionModePlayback);
  ASSERT_TRUE(waitForReports(1));
  emulator.lastSession()->close();
  ASSERT_TRUE(test::waitUntil([&] { return count(ConnectionManagerLoginSucceedNotification) == 2; }));
  EXPECT_TRUE(reconnected);
}

TEST_F(ConnectionManagerTest, ModesAndKeysPerClient) {
  auto other = NetworkClient::create();
  EXPECT_EQ(manager->parseConnectionMode(*playback), 2);
  EXPECT_EQ(manager->parseConnectionMode(*stand_in_setup), 3);
  EXPECT_EQ(manager->parseConnectionMode(*other), 0);
  EXPECT_EQ(manager->parseRequestQueueKey(*playback), std::optional<std::string>(ConnectPlaybackRequestQueueKey));
  EXPECT_EQ(manager->parseRequestQueueKey(*stand_in_setup), std::optional<std::string>(ConnectSetupRequestQueueKey));
  EXPECT_EQ(manager->parseRequestQueueKey(*other), std::nullopt);
  std::thread([&] { manager->networkClient(*other, 7, std::nullopt); }).join();
  EXPECT_TRUE(reports.empty());
}

// The whole road through the manager: log in, list, play at two speeds, pause
// and jump.
TEST_F(ConnectionManagerTest, PlaybackEndToEnd) {
  using emulator::When;
  emulator::PlaybackScript script;
  script.recordingCalendar = {When{2026, 3, 4}};
  script.eventCalendar = {When{2026, 3, 4}};
  script.slices = {{1, When{2026, 3, 4, 10, 0, 0}, When{2026, 3, 4, 10, 0, 9}, 1}};
  script.sections = {1};
  script.events = {{1, 0, 1, When{2026, 3, 4, 10, 0, 0}, 11, {1, 1, 0}}};
  script.recording = emulator::makeRecording(20, 1, true);
  recorder = std::make_unique<emulator::PlaybackRecorder>(emulator, script);
  test::playback::NotificationLog log(static_cast<const NetworkClient*>(playback.get()));

  connect(ConnectionManager::ConnectionModePlayback);
  ASSERT_TRUE(waitForReports(1));
  ASSERT_EQ(reports[0].mode, 2);

  playback->requestRecordingCalendar();
  playback->requestEventCalendar();
  playback->requestRecordingTimeSliceList(Date(2026, 3, 4), BitMask32(1));
  playback->requestRecordingSectionList(Interval::intervalOfDate(Date(2026, 3, 4)), BitMask32(1));
  playback->requestEventList(EventListRequest::eventListRequestOfDate(Date(2026, 3, 4), 10));
  for (const char* name : {PlaybackRecordingCalendarReceivedNotification, PlaybackEventCalendarReceivedNotification,
                           PlaybackRecordingTimeSliceListReceivedNotification,
                           PlaybackRecordingSectionListReceivedNotification, PlaybackEventListReceivedNotification})
    ASSERT_TRUE(log.waitFor(name)) << name;
  const auto events =
      log.value<std::shared_ptr<const EventList>>(PlaybackEventListReceivedNotification, 0, PlaybackEventListKey);
  ASSERT_TRUE(events && (*events)->events().size() == 1);

  const Interval whole(DateTime(2026, 3, 4, 10, 0, 0), DateTime(2026, 3, 4, 10, 59, 59));
  size_t pauses = 0;
  for (uint32_t speed : {1u, 4u}) {
    log.clear();
    playback->play(PlayRequest::playRequestPlay(BitMask32(1), whole, 1, speed, false));
    ASSERT_TRUE(log.waitFor(PlaybackPausedWithReasonNotification));
    std::vector<uint64_t> expected;
    for (uint64_t id = 1; id <= 24; ++id)
      if (id % 6 != 2) expected.push_back(id);  // the audio frames (not asked for) are not sent
    EXPECT_EQ(log.frameIDs(), expected) << "speed " << speed;
    ASSERT_TRUE(test::waitUntil([&] { return playback->stateKey() == "PlaybackStateStoppedByUserKey"; }));
    // The machine settled the recorder with a pause: its confirmation must be in
    // before the next play, which it would otherwise end (a calendar answered
    // after it shows it was read).
    ASSERT_TRUE(test::waitUntil([&] { return size_t(recorder->pausesConfirmed()) == pauses + 1; }));
    pauses = size_t(recorder->pausesConfirmed());
    const size_t calendars = log.count(PlaybackRecordingCalendarReceivedNotification);
    playback->requestRecordingCalendar();
    ASSERT_TRUE(log.waitFor(PlaybackRecordingCalendarReceivedNotification, calendars + 1));
  }

  // Pause in the middle, then jump to the listed event.
  log.clear();
  recorder->holdStreamAfter(5);
  playback->play(PlayRequest::playRequestPlay(BitMask32(1), whole, 1, 4, false));
  ASSERT_TRUE(test::waitUntil([&] { return log.frameIDs().size() == 5; }));
  playback->pause();
  ASSERT_TRUE(log.waitFor(PlaybackPausedWithReasonNotification));
  EXPECT_EQ(*log.value<int>(PlaybackPausedWithReasonNotification, 0, PlaybackPauseReasonKey), 1);
  EXPECT_GT(size_t(recorder->pausesConfirmed()), pauses);
  recorder->holdStreamAfter(std::nullopt);
  log.clear();
  playback->play(PlayRequest::playRequestJumpToEvent((*events)->events()[0]));
  ASSERT_TRUE(log.waitFor(PlaybackStartedNotification));
  EXPECT_EQ(log.value<MediaPosition>(PlaybackStartedNotification, 0, PlaybackMediaPositionKey),
            std::optional<MediaPosition>(MediaPosition(1, 1, 0)));
  ASSERT_TRUE(log.waitFor(PlaybackPausedWithReasonNotification));

  manager->disconnect();
  ASSERT_TRUE(test::waitUntil([&] { return count(ConnectionManagerDisconnectedNotification) == 1; }));
}

TEST(ConnectionManagerSetup, ARemoteSetupClientLogsInWithModeThree) {
  emulator::RecorderEmulator emulator;
  ASSERT_TRUE(emulator.start());
  auto setup = SetupClient::create();
  auto playback = PlaybackClient::create();
  auto manager = std::make_unique<ConnectionManager>(playback, setup);
  std::vector<int> modes;
  Observation login = manager->addObserver(ConnectionManagerLoginSucceedNotification, [&](const Notification& n) {
    modes.push_back(*n.get<int>(ConnectionManagerConnectionModeKey));
  });
  manager->connect(ConnectionManager::ConnectionModeSetup, "127.0.0.1", emulator.port(), "admin", "admin");
  ASSERT_TRUE(test::waitUntil([&] { return !modes.empty(); }));
  EXPECT_EQ(modes, std::vector<int>{3});
  EXPECT_EQ(manager->clientOnConnection(), setup);
  manager->disconnect();
  ASSERT_TRUE(test::waitUntil([&] { return setup->isDisconnected(); }));
}

TEST(ConnectionManagerDeathTest, AnUnknownModeIsAProgrammingError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto manager = std::make_unique<ConnectionManager>(PlaybackClient::create(), PlaybackClient::create());
  EXPECT_DEATH(manager->connect(4, "127.0.0.1", 1, "a", "b"), "NO");
}

}  // namespace
}  // namespace zelvo
