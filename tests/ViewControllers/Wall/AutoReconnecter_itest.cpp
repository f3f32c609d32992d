// Automatic reconnection of a live client against the recorder emulator over
// loopback TCP. The test plays the wall's controller: it takes the client off the
// reconnecter when a connect begins and hands it back on a disconnection while a
// plane still shows it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <any>
#include <atomic>
#include <future>

#include "Network/ClientObserver.h"
#include "Network/Live/LiveClient.h"
#include "ViewControllers/Wall/AutoReconnecter.h"
#include "ViewControllers/FakeTimerFactory.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::ClientObserver;
using test::waitUntil;

class ReconnectionWithARecorder : public ::testing::Test {
 protected:
  void SetUp() override {
    emulator::RecorderConfig config;
    config.users = {{"op", "pw", 0xFFFFFFFF}};
    recorder = std::make_unique<emulator::RecorderEmulator>(config);
    ASSERT_TRUE(recorder->start());
    thread = std::make_shared<NetworkThread>();
    client = LiveClient::create(thread);
    observer = std::make_unique<ClientObserver>(*client);

    site = SiteInfo::create();
    site->setName(QStringLiteral("Depot"));
    site->setAddress(QStringLiteral("127.0.0.1"));
    site->setPort(recorder->port());
    site->setUser(QStringLiteral("op"));
    site->setPassword(QStringLiteral("pw"));
  }

  void TearDown() override {
    releaseNetworkThread();
    reconnecter.reset();
    controller.clear();
    if (client && !client->isDisconnected()) {
      size_t before = observer->count(NetworkDisconnectedNotification);
      client->disconnect();
      EXPECT_TRUE(waitUntil([&] { return observer->count(NetworkDisconnectedNotification) > before; }));
    }
    drainNetworkThread();
    observer.reset();
    client.reset();
    thread.reset();
    recorder.reset();
  }

  // What the wall's controller does with the reconnecter.
  void actAsTheController() {
    controller.push_back(client->addObserver(NetworkWillConnectNotification, [this](const Notification&) {
      reconnecter->unregisterClient(client);
    }));
    controller.push_back(client->addObserver(NetworkDisconnectedNotification, [this](const Notification&) {
      if (onWall) reconnecter->registerClient(client);
    }));
  }
  // The client's last plane is unbound: disconnected and off the reconnecter.
  void unbindLastPlane() {
    onWall = false;
    reconnecter->unregisterClient(client);
    client->disconnect();
  }

  // Connects as the wall does, with the site attached, and waits for the login.
  void connectFromTheWall() {
    client->connectToHost("127.0.0.1", recorder->port(), "op", "pw", std::any(site));
    ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkLoginSucceedNotification) == 1; }));
    ASSERT_TRUE(recorder->waitForLogins(1));
  }

  // The recorder drops the connection; the client reports the remote close.
  void dropConnection() {
    size_t before = observer->count(NetworkDisconnectedNotification);
    auto session = recorder->lastSession();
    ASSERT_TRUE(session);
    session->close();
    ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkDisconnectedNotification) > before; }));
    EXPECT_EQ(observer->lastDisconnect()->reason, NetworkDisconnectionReasonRemoteClosed);
    EXPECT_TRUE(client->isDisconnected());
  }

  // Holds the network thread inside a task until releaseNetworkThread().
  void holdNetworkThread() {
    std::shared_future<void> released = release.get_future().share();
    thread->post([this, released] {
      held = true;
      released.wait();
    });
    ASSERT_TRUE(waitUntil([&] { return held.load(); }));
  }
  void releaseNetworkThread() {
    if (held && !releasedOnce) {
      releasedOnce = true;
      release.set_value();
    }
  }
  // Every task queued on the network thread so far has run.
  void drainNetworkThread() {
    if (!thread) return;
    std::atomic<bool> done{false};
    thread->post([&] { done = true; });
    EXPECT_TRUE(waitUntil([&] { return done.load(); }));
  }

  std::unique_ptr<emulator::RecorderEmulator> recorder;
  std::shared_ptr<NetworkThread> thread;
  std::shared_ptr<LiveClient> client;
  std::unique_ptr<ClientObserver> observer;
  std::shared_ptr<SiteInfo> site;
  std::unique_ptr<AutoReconnecter> reconnecter;
  std::vector<Observation> controller;
  bool onWall = true;
  std::promise<void> release;
  std::atomic<bool> held{false};
  bool releasedOnce = false;
};

TEST_F(ReconnectionWithARecorder, ADroppedConnectionLogsInAgainWithTheAttachedUserAndPassword) {
  reconnecter = std::make_unique<AutoReconnecter>();  // the main thread's own timers
  reconnecter->setInterval(0.05);
  actAsTheController();
  connectFromTheWall();
  reconnecter->start();

  dropConnection();
  ASSERT_TRUE(recorder->waitForLogins(2));
  ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkLoginSucceedNotification) == 2; }));
  EXPECT_TRUE(client->isConnected());
  EXPECT_FALSE(reconnecter->isRegistered(client));
  auto session = recorder->session(1);
  ASSERT_TRUE(session);
  EXPECT_TRUE(session->isLoggedIn());
  EXPECT_EQ(session->userName(), "op");
  // The recorder knows one user, "op" with "pw": a login accepted is a password right.
  EXPECT_EQ(recorder->connectionCount(), 2);
}

TEST_F(ReconnectionWithARecorder, ARetryThenAnUnbindWhileTheNetworkThreadIsBusyEndsDisconnected) {
  test::FakeTimerFactory timers;
  reconnecter = std::make_unique<AutoReconnecter>(timers);
  actAsTheController();
  connectFromTheWall();
  reconnecter->start();
  dropConnection();
  ASSERT_TRUE(reconnecter->isRegistered(client));

  // The retry is issued while the network thread is busy; then the operator unbinds
  // the client's last plane before the thread gets to either request.
  const size_t connectsBefore = observer->count(NetworkWillConnectNotification);
  holdNetworkThread();
  timers.advance(5.0);
  ASSERT_EQ(timers.timer(0).fired, 1);
  unbindLastPlane();
  releaseNetworkThread();

  // The connect runs, then the disconnect queued behind it.
  ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkWillConnectNotification) == connectsBefore + 1; }));
  ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkDisconnectedNotification) == 2; }));
  drainNetworkThread();
  EXPECT_TRUE(client->isDisconnected());
  EXPECT_EQ(observer->lastDisconnect()->reason, NetworkDisconnectionReasonLocal);
  EXPECT_FALSE(reconnecter->isRegistered(client));

  // Nothing is left open on the recorder's side, and no second login took place.
  for (int connection = 0; connection < recorder->connectionCount(); ++connection) {
    EXPECT_TRUE(recorder->waitForClosed(connection)) << connection;
  }
  EXPECT_EQ(recorder->loginCount(), 1);

  // Later firings leave the client alone.
  timers.advance(20.0);
  drainNetworkThread();
  EXPECT_EQ(observer->count(NetworkWillConnectNotification), connectsBefore + 1);
  EXPECT_TRUE(client->isDisconnected());
  EXPECT_EQ(recorder->loginCount(), 1);
}

}  // namespace
}  // namespace zelvo
