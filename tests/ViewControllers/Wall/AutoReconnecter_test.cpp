// Automatic reconnection on a fake clock, with clients over scripted fake streams
// on the test's own thread: which clients are retried, with what, and when the
// timer runs. The Qt timer behind the interface is checked at the end.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <any>
#include <cmath>
#include <functional>
#include <limits>

#include "Network/ClientObserver.h"
#include "ViewControllers/Wall/AutoReconnecter.h"
#include "ViewControllers/FakeTimerFactory.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "emulator/RecorderEmulator.h"
#include "emulator/WireWriter.h"
#include "support/FakeByteStream.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::ClientObserver;
using test::FakeTimerFactory;
using test::waitUntil;

std::shared_ptr<SiteInfo> site(std::optional<QString> address, std::optional<qint64> port,
                               std::optional<QString> user = QStringLiteral("op"),
                               std::optional<QString> password = QStringLiteral("pw")) {
  auto s = SiteInfo::create();
  s->setName(QStringLiteral("Depot"));
  s->setAddress(std::move(address));
  s->setPort(port);
  s->setUser(std::move(user));
  s->setPassword(std::move(password));
  return s;
}

class Reconnection : public ::testing::Test {
 protected:
  struct Peer {
    std::shared_ptr<test::TestClient> client;
    std::unique_ptr<ClientObserver> observer;
    test::FakeStreamFactory streams;
    size_t connects() const { return observer->count(NetworkWillConnectNotification); }
  };

  void SetUp() override {
    thread = NetworkThread::createOnCurrentThread();
    reconnecter = std::make_unique<AutoReconnecter>(timers);
  }

  void TearDown() override {
    reconnecter.reset();
    peers.clear();
    QCoreApplication::processEvents();
  }

  Peer& makePeer(std::vector<std::any> attachments) {
    auto peer = std::make_unique<Peer>();
    peer->client = test::TestClient::create(thread);
    peer->client->setStreamFactory(peer->streams);
    peer->client->setHandshakeTimeout(std::chrono::milliseconds(0));
    peer->client->setAttachments(std::move(attachments));
    peer->observer = std::make_unique<ClientObserver>(*peer->client);
    peers.push_back(std::move(peer));
    return *peers.back();
  }
  Peer& makePeer(std::shared_ptr<SiteInfo> s) { return makePeer(std::vector<std::any>{std::any(std::move(s))}); }

  // Everything the test (or the reconnecter) queued on the network thread has run.
  void drain() {
    bool done = false;
    thread->post([&] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }));
  }

  // Brings a peer to a connection that is not disconnected: still connecting, or
  // logged in through a scripted handshake.
  void connectDirectly(Peer& peer, bool logIn) {
    peer.client->connectToHost("recorder.test", 9000, "op", "pw");
    drain();
    ASSERT_EQ(peer.client->loginStatus(), NetworkLoginStatusConnecting);
    if (!logIn) return;
    auto stream = peer.streams.last();
    stream->completeOpen();
    stream->receive(emulator::framePacket(MessageTypeSync, emulator::syncReplyPayload({})));
    stream->receive(emulator::framePacket(MessageTypeLoginResponse, {1, 0, 0, 0, 2}));
    ASSERT_TRUE(peer.client->isConnected());
  }

  int timerFirings() const {
    int fired = 0;
    for (int id = 0; id < timers.scheduledCount(); ++id) fired += timers.timer(id).fired;
    return fired;
  }

  std::shared_ptr<NetworkThread> thread;
  FakeTimerFactory timers;
  std::unique_ptr<AutoReconnecter> reconnecter;
  std::vector<std::unique_ptr<Peer>> peers;
};

// ---- The timer.

TEST_F(Reconnection, StartsStoppedWithFiveSeconds) {
  EXPECT_FALSE(reconnecter->isRunning());
  EXPECT_EQ(reconnecter->interval(), 5.0);
  EXPECT_EQ(timers.scheduledCount(), 0);
  reconnecter->start();
  EXPECT_TRUE(reconnecter->isRunning());
  EXPECT_EQ(timers.runningInterval(), 5.0);
  timers.advance(4.99);
  EXPECT_EQ(timerFirings(), 0);
  timers.advance(0.01);
  EXPECT_EQ(timerFirings(), 1);
  timers.advance(10.0);
  EXPECT_EQ(timerFirings(), 3);
}

struct IntervalCase {
  const char* name;
  bool running;         // started (at 5 s) before the change
  double newInterval;   // set two seconds in
  bool replaced;        // a new timer took over
  double nextRetry;     // seconds after the change (after start, when stopped)
};

class ReconnectionInterval : public Reconnection, public ::testing::WithParamInterface<IntervalCase> {};

TEST_P(ReconnectionInterval, ChangesThePeriodOfARunningTimerAtOnce) {
  const IntervalCase& c = GetParam();
  if (c.running) reconnecter->start();
  timers.advance(2.0);
  reconnecter->setInterval(c.newInterval);
  EXPECT_EQ(reconnecter->interval(), c.newInterval);
  if (!c.running) {
    EXPECT_FALSE(reconnecter->isRunning());
    EXPECT_EQ(timers.scheduledCount(), 0);
    reconnecter->start();
  }
  EXPECT_EQ(timers.scheduledCount(), c.running && c.replaced ? 2 : 1);
  EXPECT_EQ(timers.runningCount(), 1);
  EXPECT_EQ(timers.runningInterval(), c.running && !c.replaced ? 5.0 : c.newInterval);

  timers.advance(c.nextRetry - 0.01);
  EXPECT_EQ(timerFirings(), 0);
  timers.advance(0.01);
  EXPECT_EQ(timerFirings(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReconnectionInterval,
                         ::testing::Values(IntervalCase{"RunningFiveToTwenty", true, 20.0, true, 20.0},
                                           IntervalCase{"RunningFiveToFive", true, 5.0, false, 3.0},
                                           IntervalCase{"RunningFiveToTwo", true, 2.0, true, 2.0},
                                           IntervalCase{"StoppedThirtyThenStart", false, 30.0, true, 30.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Reconnection, TheSameIntervalAgainLeavesTheReplacementAlone) {
  reconnecter->start();
  reconnecter->setInterval(20.0);
  reconnecter->setInterval(20.0);
  EXPECT_EQ(timers.scheduledCount(), 2);
  EXPECT_EQ(timers.runningIds(), std::vector<int>{1});
}

TEST_F(Reconnection, StartWhileRunningBeginsAFreshPeriod) {
  reconnecter->start();
  timers.advance(3.0);
  reconnecter->start();
  EXPECT_EQ(timers.runningIds(), std::vector<int>{1});
  timers.advance(4.9);  // 7.9 s: the first timer would have fired at 5
  EXPECT_EQ(timerFirings(), 0);
  timers.advance(0.1);
  EXPECT_EQ(timerFirings(), 1);
}

struct StopCase {
  const char* name;
  std::function<void(AutoReconnecter&)> steps;
};

class ReconnectionStop : public Reconnection, public ::testing::WithParamInterface<StopCase> {};

TEST_P(ReconnectionStop, LeavesNoTimerAndAllowsALaterStart) {
  auto& peer = makePeer(site(QStringLiteral("recorder.test"), 9000));
  reconnecter->registerClient(peer.client);
  GetParam().steps(*reconnecter);
  EXPECT_FALSE(reconnecter->isRunning());
  EXPECT_EQ(timers.runningCount(), 0);
  timers.advance(60.0);
  drain();
  EXPECT_EQ(peer.connects(), 0u);
  EXPECT_TRUE(reconnecter->isRegistered(peer.client));

  reconnecter->start();
  EXPECT_EQ(timers.runningCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReconnectionStop,
                         ::testing::Values(StopCase{"BeforeAnyStart", [](AutoReconnecter& r) { r.stop(); }},
                                           StopCase{"TwiceBeforeAnyStart",
                                                    [](AutoReconnecter& r) {
                                                      r.stop();
                                                      r.stop();
                                                    }},
                                           StopCase{"TwiceAfterStart",
                                                    [](AutoReconnecter& r) {
                                                      r.start();
                                                      r.stop();
                                                      r.stop();
                                                    }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Reconnection, GoingAwayStopsTheTimer) {
  reconnecter->start();
  EXPECT_EQ(timers.runningCount(), 1);
  reconnecter.reset();
  EXPECT_EQ(timers.runningCount(), 0);
}

TEST(ReconnectionIntervalDeath, MustBeAPositiveNumberOfSeconds) {
  test::FakeTimerFactory timers;
  AutoReconnecter reconnecter(timers);
  EXPECT_DEATH(reconnecter.setInterval(0.0), "Invalid parameter not satisfying");
  EXPECT_DEATH(reconnecter.setInterval(-5.0), "Invalid parameter not satisfying");
  EXPECT_DEATH(reconnecter.setInterval(std::numeric_limits<double>::quiet_NaN()), "Invalid parameter not satisfying");
  EXPECT_DEATH(reconnecter.setInterval(std::numeric_limits<double>::infinity()), "Invalid parameter not satisfying");
}

// ---- The retry.

TEST_F(Reconnection, ConnectsWithTheLastAttachedSiteAndTakesTheClientOff) {
  auto& peer = makePeer(std::vector<std::any>{std::any(site(QStringLiteral("old.test"), 8000, QStringLiteral("x"))),
                                              std::any(site(QStringLiteral("recorder.test"), 9000))});
  reconnecter->registerClient(peer.client);
  reconnecter->start();
  timers.advance(5.0);
  EXPECT_FALSE(reconnecter->isRegistered(peer.client));
  drain();

  ASSERT_EQ(peer.connects(), 1u);
  ASSERT_EQ(peer.streams.streams().size(), 1u);
  EXPECT_EQ(peer.streams.last()->host(), "recorder.test");
  EXPECT_EQ(peer.streams.last()->port(), 9000);
  UserInfo address = peer.client->address();
  EXPECT_EQ(*std::any_cast<std::string>(&address.at(NetworkConnectUserNameKey)), "op");
  EXPECT_EQ(*std::any_cast<std::string>(&address.at(NetworkConnectPasswordKey)), "pw");
}

TEST_F(Reconnection, SendsAnAbsentUserAndPasswordAsEmptyText) {
  auto& peer = makePeer(site(QStringLiteral("recorder.test"), 9000, std::nullopt, std::nullopt));
  reconnecter->registerClient(peer.client);
  reconnecter->reconnect();
  drain();
  ASSERT_EQ(peer.connects(), 1u);
  UserInfo address = peer.client->address();
  EXPECT_EQ(*std::any_cast<std::string>(&address.at(NetworkConnectUserNameKey)), "");
  EXPECT_EQ(*std::any_cast<std::string>(&address.at(NetworkConnectPasswordKey)), "");
}

struct SkipCase {
  const char* name;
  std::function<std::vector<std::any>()> attachments;
  const char* logged;
};

class ReconnectionSkip : public Reconnection, public ::testing::WithParamInterface<SkipCase> {};

TEST_P(ReconnectionSkip, LeavesTheClientWaitingWithALogLine) {
  test::LogCapture log;
  auto& peer = makePeer(GetParam().attachments());
  reconnecter->registerClient(peer.client);
  reconnecter->start();
  timers.advance(5.0);
  drain();
  EXPECT_EQ(peer.connects(), 0u);
  EXPECT_TRUE(peer.streams.streams().empty());
  EXPECT_TRUE(reconnecter->isRegistered(peer.client));
  EXPECT_TRUE(log.contains(GetParam().logged)) << GetParam().logged;
  for (const std::string& line : log.lines()) EXPECT_EQ(line.find("pw"), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReconnectionSkip,
    ::testing::Values(
        SkipCase{"NoAttachment", [] { return std::vector<std::any>{}; }, "has no site attached"},
        SkipCase{"AttachmentOfAnotherKind", [] { return std::vector<std::any>{std::any(std::string("site"))}; },
                 "has no site attached"},
        SkipCase{"LastAttachmentOfAnotherKind",
                 [] {
                   return std::vector<std::any>{std::any(site(QStringLiteral("recorder.test"), 9000)), std::any(7)};
                 },
                 "has no site attached"},
        SkipCase{"NoAddress", [] { return std::vector<std::any>{std::any(site(std::nullopt, 9000))}; },
                 "site \"Depot\" has no address"},
        SkipCase{"BlankAddress", [] { return std::vector<std::any>{std::any(site(QStringLiteral("  "), 9000))}; },
                 "site \"Depot\" has no address"},
        SkipCase{"NoPort",
                 [] { return std::vector<std::any>{std::any(site(QStringLiteral("recorder.test"), std::nullopt))}; },
                 "site \"Depot\" has no port"}),
    [](const auto& info) { return std::string(info.param.name); });

struct PortCase {
  const char* name;
  qint64 port;
  bool reachesTheSocket;
};

class ReconnectionPort : public Reconnection, public ::testing::WithParamInterface<PortCase> {};

TEST_P(ReconnectionPort, OutsideTheRangeIsRefusedNotWrappedOntoAnother) {
  auto& peer = makePeer(site(QStringLiteral("recorder.test"), GetParam().port));
  reconnecter->registerClient(peer.client);
  reconnecter->reconnect();
  drain();
  ASSERT_EQ(peer.connects(), 1u);
  if (GetParam().reachesTheSocket) {
    ASSERT_EQ(peer.streams.streams().size(), 1u);
    EXPECT_EQ(peer.streams.last()->port(), GetParam().port);
    return;
  }
  EXPECT_TRUE(peer.streams.streams().empty());
  auto disconnect = peer.observer->lastDisconnect();
  ASSERT_TRUE(disconnect);
  EXPECT_EQ(disconnect->reason, NetworkDisconnectionReasonStreamError);
  ASSERT_TRUE(disconnect->error);
  EXPECT_EQ(disconnect->error->code, NetworkClientErrorPortOutOfRange);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReconnectionPort,
                         ::testing::Values(PortCase{"InRange", 9000, true}, PortCase{"Highest", 65535, true},
                                           PortCase{"Zero", 0, false}, PortCase{"Negative", -1, false},
                                           PortCase{"SixteenBitsPlus9000", 65536 + 9000, false},
                                           PortCase{"ThirtyTwoBitsPlus9000", (1LL << 32) + 9000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

class ReconnectionOfALiveClient : public Reconnection, public ::testing::WithParamInterface<bool> {};

TEST_P(ReconnectionOfALiveClient, IsSkippedAndStaysRegistered) {
  auto& peer = makePeer(site(QStringLiteral("recorder.test"), 9000));
  connectDirectly(peer, GetParam());
  reconnecter->registerClient(peer.client);
  reconnecter->start();
  timers.advance(15.0);
  drain();
  EXPECT_EQ(peer.connects(), 1u);
  EXPECT_EQ(peer.streams.streams().size(), 1u);
  EXPECT_TRUE(reconnecter->isRegistered(peer.client));
  EXPECT_FALSE(peer.client->isDisconnected());
}

INSTANTIATE_TEST_SUITE_P(Cases, ReconnectionOfALiveClient, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "LoggedIn" : "Connecting"); });

TEST_F(Reconnection, RetriesEveryRegisteredClientAtEachFiring) {
  auto& a = makePeer(site(QStringLiteral("a.test"), 9000));
  auto& b = makePeer(site(QStringLiteral("b.test"), 9001));
  auto& c = makePeer(site(QStringLiteral("c.test"), 9002));
  reconnecter->registerClient(a.client);
  reconnecter->registerClient(c.client);
  reconnecter->start();
  timers.advance(5.0);
  drain();
  EXPECT_EQ(a.connects(), 1u);
  EXPECT_EQ(b.connects(), 0u);
  EXPECT_EQ(c.connects(), 1u);
  EXPECT_EQ(reconnecter->registeredCount(), 0u);
}

TEST_F(Reconnection, AClientIsInTheSetOnce) {
  auto& peer = makePeer(site(QStringLiteral("recorder.test"), 9000));
  reconnecter->registerClient(peer.client);
  reconnecter->registerClient(peer.client);
  EXPECT_EQ(reconnecter->registeredCount(), 1u);
  reconnecter->reconnect();
  drain();
  EXPECT_EQ(peer.connects(), 1u);

  reconnecter->registerClient(peer.client);
  reconnecter->registerClient(peer.client);
  reconnecter->unregisterClient(peer.client);
  EXPECT_FALSE(reconnecter->isRegistered(peer.client));
  EXPECT_EQ(reconnecter->registeredCount(), 0u);
  reconnecter->unregisterClient(peer.client);  // absent: nothing
  EXPECT_EQ(reconnecter->registeredCount(), 0u);
}

TEST_F(Reconnection, AnUnregisteredClientIsNotRetried) {
  auto& peer = makePeer(site(QStringLiteral("recorder.test"), 9000));
  reconnecter->registerClient(peer.client);
  reconnecter->unregisterClient(peer.client);
  reconnecter->start();
  timers.advance(20.0);
  drain();
  EXPECT_EQ(peer.connects(), 0u);
}

TEST_F(Reconnection, FiringsBeforeTheNetworkThreadStartsTheConnectIssueItOnce) {
  // Until the network thread runs the connect the client still reads as
  // disconnected; a second connect would cut the first short.
  auto& peer = makePeer(site(QStringLiteral("recorder.test"), 9000));
  reconnecter->registerClient(peer.client);
  reconnecter->start();
  timers.advance(15.0);
  EXPECT_EQ(timerFirings(), 3);
  drain();
  EXPECT_EQ(peer.connects(), 1u);
  EXPECT_EQ(peer.observer->count(NetworkDisconnectedNotification), 0u);
  EXPECT_EQ(peer.client->loginStatus(), NetworkLoginStatusConnecting);
}

TEST_F(Reconnection, AFailedRetryIsRetriedAtTheNextFiringWhenTheControllerBringsItBack) {
  // What the wall's controller does: off on a connect, back on a disconnection.
  auto& peer = makePeer(site(QStringLiteral("recorder.test"), 0));
  std::vector<Observation> controller;
  controller.push_back(peer.client->addObserver(NetworkWillConnectNotification,
                                                [&](const Notification&) { reconnecter->unregisterClient(peer.client); }));
  controller.push_back(peer.client->addObserver(NetworkDisconnectedNotification,
                                                [&](const Notification&) { reconnecter->registerClient(peer.client); }));
  reconnecter->registerClient(peer.client);
  reconnecter->start();
  for (size_t firing = 1; firing <= 3; ++firing) {
    timers.advance(5.0);
    drain();
    EXPECT_EQ(peer.connects(), firing);
    EXPECT_TRUE(reconnecter->isRegistered(peer.client));
  }
  EXPECT_EQ(reconnecter->registeredCount(), 1u);
}

// ---- The Qt timer behind the interface.

TEST(MainThreadTimer, FiresItsActionEveryPeriod) {
  int fired = 0;
  auto timer = mainThreadTimerFactory().scheduleRepeating(0.01, [&] { ++fired; });
  EXPECT_EQ(timer->interval(), 0.01);
  EXPECT_TRUE(waitUntil([&] { return fired >= 3; }));
}

TEST(MainThreadTimer, FiresWhileANestedEventLoopRuns) {
  // A modal dialog's exec() is such a loop: retries go on while it is open.
  QEventLoop modal;
  int fired = 0;
  auto timer = mainThreadTimerFactory().scheduleRepeating(0.01, [&] {
    ++fired;
    modal.quit();
  });
  QTimer::singleShot(20000, &modal, &QEventLoop::quit);  // only a deadline against a hang
  modal.exec();
  EXPECT_GE(fired, 1);
}

TEST(MainThreadTimer, MayBeDestroyedByItsOwnAction) {
  int selfFired = 0;
  int clockFired = 0;
  std::unique_ptr<RepeatingTimer> self;
  self = mainThreadTimerFactory().scheduleRepeating(0.01, [&] {
    ++selfFired;
    self.reset();
  });
  auto clock = mainThreadTimerFactory().scheduleRepeating(0.01, [&] { ++clockFired; });
  ASSERT_TRUE(waitUntil([&] { return selfFired == 1; }));
  const int clockAtStop = clockFired;
  ASSERT_TRUE(waitUntil([&] { return clockFired >= clockAtStop + 5; }));
  EXPECT_EQ(selfFired, 1);
  EXPECT_EQ(self, nullptr);
}

TEST(MainThreadTimer, StopsWhenDestroyed) {
  int fired = 0;
  int clockFired = 0;
  auto timer = mainThreadTimerFactory().scheduleRepeating(0.01, [&] { ++fired; });
  auto clock = mainThreadTimerFactory().scheduleRepeating(0.01, [&] { ++clockFired; });
  ASSERT_TRUE(waitUntil([&] { return fired >= 1; }));
  timer.reset();
  const int firedAtStop = fired;
  const int clockAtStop = clockFired;
  ASSERT_TRUE(waitUntil([&] { return clockFired >= clockAtStop + 5; }));
  EXPECT_EQ(fired, firedAtStop);
}

}  // namespace
}  // namespace zelvo
