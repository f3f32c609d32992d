// A recorder that hangs with its connection up, over loopback against the emulator:
// the live client cuts it with a time-out once its keep-alives stop, and leaves an
// idle recorder that keeps sending them alone. The client's silence clock is the
// test's: it moves on by the keep-alive period each time the client has answered
// one, so the emulator's short real period stands for the period named here.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "Network/ClientObserver.h"
#include "Network/Live/LiveClient.h"
#include "Network/MessageType.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using namespace std::chrono_literals;
using test::ClientObserver;
using test::waitUntil;

class HungRecorder : public ::testing::Test {
 protected:
  void SetUp() override {
    emulator::RecorderConfig config;
    config.keepAliveInterval = 20ms;
    recorder = std::make_unique<emulator::RecorderEmulator>(config);
    ASSERT_TRUE(recorder->start());
    client = LiveClient::create();
    client->setSilenceClock([this] { return SilenceWatch::TimePoint(std::chrono::milliseconds(clockMs.load())); });
    client->setSilenceCheckInterval(5ms);
    observer = std::make_unique<ClientObserver>(*client);
    login(1);
  }
  void TearDown() override {
    if (client && !client->isDisconnected()) {
      const size_t before = observer->count(NetworkDisconnectedNotification);
      client->disconnect();
      EXPECT_TRUE(waitUntil([&] { return observer->count(NetworkDisconnectedNotification) > before; }));
    }
    observer.reset();
    client.reset();
    recorder.reset();
  }

  void login(int logins) {
    client->connectToHost("127.0.0.1", recorder->port(), "admin", "admin");
    ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkLoginSucceedNotification) == size_t(logins); }));
    ASSERT_TRUE(recorder->waitForLogins(logins));
  }
  // The client's answers to keep-alives on one connection.
  int answers(int connection) const {
    int n = 0;
    for (const auto& packet : recorder->received())
      if (packet.type == MessageTypeAlive && packet.connection == connection) ++n;
    return n;
  }
  // Moves the clock on by period each time the client has answered another
  // keep-alive: between two keep-alives it handles, the clock moves once at most.
  void keepAlivesComeEvery(std::chrono::seconds period, int count, int connection = 0) {
    for (int i = 0; i < count; ++i) {
      const int before = answers(connection);
      ASSERT_TRUE(waitUntil([&] { return answers(connection) > before; })) << "keep-alive " << i;
      clockMs += std::chrono::milliseconds(period).count();
    }
  }
  void advance(std::chrono::seconds by) { clockMs += std::chrono::milliseconds(by).count(); }

  std::atomic<int64_t> clockMs{1'000'000};
  std::unique_ptr<emulator::RecorderEmulator> recorder;
  std::shared_ptr<LiveClient> client;
  std::unique_ptr<ClientObserver> observer;
};

TEST_F(HungRecorder, ThatSentKeepAlivesEveryTenSecondsIsCutWithinThirtyFive) {
  keepAlivesComeEvery(10s, 5);
  auto session = recorder->lastSession();
  session->hang();
  // Every keep-alive it sent before it hung has been handled by the client.
  ASSERT_TRUE(waitUntil([&] { return answers(0) == session->keepAlivesSent(); }));
  EXPECT_TRUE(client->isConnected());
  advance(35s);
  ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkDisconnectedNotification) == 1; }));
  auto cut = observer->lastDisconnect();
  EXPECT_EQ(cut->reason, NetworkDisconnectionReasonStreamError);
  ASSERT_TRUE(cut->error);
  EXPECT_EQ(cut->error->code, NetworkClientErrorReceiveTimedOut);
  EXPECT_NE(cut->error->description.find("Timed out"), std::string::npos) << cut->error->description;
  // The client let the connection go; the recorder never closed it.
  ASSERT_TRUE(recorder->waitForClosed(0));

  // The usual reconnection: the new connection learns afresh, and a quiet spell
  // before any keep-alive of its own does not cut it.
  recorder->setConfig({});
  login(2);
  advance(3600s);
  const int before = recorder->connectionCount();
  ASSERT_TRUE(recorder->send(MessageTypeAlive, {}));
  ASSERT_TRUE(waitUntil([&] { return answers(1) == 1; }));
  EXPECT_TRUE(client->isConnected());
  EXPECT_EQ(recorder->connectionCount(), before);
}

TEST_F(HungRecorder, AnIdleRecorderSendingKeepAlivesEveryTwentySecondsIsNeverCut) {
  keepAlivesComeEvery(20s, 12);
  EXPECT_TRUE(client->isConnected());
  EXPECT_EQ(observer->count(NetworkDisconnectedNotification), 0u);
}

}  // namespace
}  // namespace zelvo
