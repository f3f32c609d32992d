// The client against the recorder emulator over real loopback sockets.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "Network/ClientObserver.h"
#include "Network/NetworkClient.h"
#include "Network/SystemInfoSyncOption.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using emulator::Bytes;
using emulator::Fault;
using emulator::RecorderConfig;
using emulator::RecorderEmulator;
using test::ClientObserver;
using test::waitUntil;

class Loopback : public ::testing::Test {
 protected:
  void SetUp() override { thread = std::make_shared<NetworkThread>(); }

  void TearDown() override {
    if (client) {
      client->disconnect();
      waitUntil([&] { return client->isDisconnected(); });
    }
    observer.reset();
    client.reset();
    recorder.reset();
    thread.reset();
  }

  void startRecorder(RecorderConfig config = {}) {
    recorder = std::make_unique<RecorderEmulator>(std::move(config));
    ASSERT_TRUE(recorder->start());
  }

  void makeClient() {
    client = test::TestClient::create(thread);
    observer = std::make_unique<ClientObserver>(*client);
    client->setLoginStatusObserver([this](int status) {
      std::lock_guard lock(statusMutex);
      statuses.push_back(status);
    });
  }

  void connect(const std::string& user = "admin", const std::string& password = "admin") {
    if (!client) makeClient();
    client->connectToHost("127.0.0.1", recorder->port(), user, password);
  }

  bool waitForDisconnects(size_t count) {
    return waitUntil([&] { return observer->count(NetworkDisconnectedNotification) >= count; });
  }

  std::vector<int> seenStatuses() {
    std::lock_guard lock(statusMutex);
    return statuses;
  }

  std::shared_ptr<NetworkThread> thread;
  std::unique_ptr<RecorderEmulator> recorder;
  std::shared_ptr<test::TestClient> client;
  std::unique_ptr<ClientObserver> observer;
  std::mutex statusMutex;
  std::vector<int> statuses;
};

TEST_F(Loopback, LogsInThroughEveryStatusInOrder) {
  startRecorder();
  connect();
  ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkLoginSucceedNotification) == 1; }));

  EXPECT_EQ(seenStatuses(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_TRUE(client->isConnected());
  auto notifications = observer->notifications();
  ASSERT_EQ(notifications.size(), 2u);
  EXPECT_EQ(notifications[0].name, NetworkWillConnectNotification);
  EXPECT_EQ(notifications[0].statusWhenSeen, 0);
  EXPECT_EQ(notifications[1].name, NetworkLoginSucceedNotification);
  EXPECT_TRUE(notifications[0].onMainThread);
  EXPECT_TRUE(notifications[1].onMainThread);
  ASSERT_TRUE(waitUntil([&] { return observer->delegateLogins() == 1; }));
  EXPECT_FALSE(observer->delegateOnMainThread());

  // The exact bytes of the handshake as the recorder received them.
  auto sync = recorder->waitForPacket(MessageTypeSync);
  ASSERT_TRUE(sync);
  EXPECT_EQ(sync->payload, (Bytes{'Q', 'R', 'Z', 'T', 1, 0, 1, 1}));
  auto login = recorder->waitForPacket(MessageTypeLoginRequest);
  ASSERT_TRUE(login);
  EXPECT_EQ(login->payload, (Bytes{0x00, 0x05, 'a',  'd',  'm',  'i',  'n',  0x00, 0x10, 0x79, 0x20, 0xe5, 0x17,
                                   0x24, 0x72, 0xbf, 0x77, 0xdf, 0x5e, 0x34, 0x7e, 0x06, 0x28, 0xbd, 0xca, 0x00,
                                   0x03, 'm',  'd',  '5',  0x00}));

  auto info = client->peerInfo();
  ASSERT_TRUE(info);
  auto system = info->syncOption<SystemInfoSyncOption>(5);
  ASSERT_TRUE(system);
  EXPECT_EQ(system->videoInCount(), 16);
  EXPECT_EQ(system->systemDescription(), "DVR");
  ASSERT_TRUE(client->loginResponse());
  EXPECT_EQ(client->loginResponse()->responseCode(), 1);
}

}  // namespace
}  // namespace zelvo
