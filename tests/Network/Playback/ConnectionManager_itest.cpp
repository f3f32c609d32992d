// ConnectionManager over loopback against the recorder emulator: the mode in its
// notifications, superseded requests, late reports, and an observer that calls
// straight back into the manager.

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "Network/ConnectionManager.h"
#include "Network/Playback/PlaybackClient.h"
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

TEST(ConnectionManagerDeathTest, AnUnknownModeIsAProgrammingError) {
  auto manager = std::make_unique<ConnectionManager>(PlaybackClient::create(), PlaybackClient::create());
  EXPECT_DEATH(manager->connect(4, "127.0.0.1", 1, "a", "b"), "NO");
}

}  // namespace
}  // namespace zelvo
