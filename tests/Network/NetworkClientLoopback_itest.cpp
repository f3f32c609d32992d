// The client against the recorder emulator over real loopback sockets.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "Foundation/MainThread.h"
#include "Foundation/Semaphore.h"
#include "Network/ClientObserver.h"
#include "Network/NetworkClient.h"
#include "Network/HTTPStreamingSyncOption.h"
#include "Network/MobileStreamingSyncOption.h"
#include "Network/OEMSyncOption.h"
#include "Network/ProductInfoSyncOption.h"
#include "Network/SystemInfoSyncOption.h"
#include "Network/TcpByteStream.h"
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

// A type that no message has: the base client hands it to its dispatch unread.
constexpr uint16_t UnknownType = 0x0999;

class Loopback : public ::testing::Test {
 protected:
  void SetUp() override { thread = std::make_shared<NetworkThread>(); }

  void TearDown() override {
    if (client) {
      // Until the notification is delivered the network thread waits for this one.
      size_t before = observer->count(NetworkDisconnectedNotification);
      bool connected = !client->isDisconnected();
      client->disconnect();
      if (connected) waitForDisconnects(before + 1);
      waitUntil([&] {
        QCoreApplication::processEvents();
        return true;
      });
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

  // The login notification delivered (the network thread no longer waits for the
  // main thread, so the test may block it, in a large send say).
  // The recorder counts the login too once it has sent its answer: what it sends from
  // then on goes to a logged-in connection.
  bool waitForLogin(size_t count = 1) {
    return waitUntil([&] { return observer->count(NetworkLoginSucceedNotification) >= count; }) &&
           recorder->waitForLogins(static_cast<int>(count));
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

struct ReasonRow {
  const char* name;
  std::function<void(RecorderConfig&)> change;
  std::string user;
  std::string password;
  int reason;
  const char* text;  // what the interface shows for the reason
};

class LoopbackReasons : public Loopback, public ::testing::WithParamInterface<ReasonRow> {};

TEST_P(LoopbackReasons, DisconnectWithTheReasonAndItsText) {
  const ReasonRow& row = GetParam();
  RecorderConfig config;
  config.users.push_back({"viewer", "viewer", 0});
  row.change(config);
  startRecorder(config);
  connect(row.user, row.password);
  ASSERT_TRUE(waitForDisconnects(1));
  auto last = observer->lastDisconnect();
  EXPECT_EQ(last->reason, row.reason);
  EXPECT_EQ(NetworkDisconnectionReasonDescription(last->reason), row.text);
  EXPECT_EQ(last->error.has_value(), row.reason == NetworkDisconnectionReasonStreamError);
  EXPECT_TRUE(last->onMainThread);
  EXPECT_TRUE(last->disconnectedWhenSeen);
  EXPECT_FALSE(last->peerInfoWhenSeen);
  EXPECT_EQ(observer->count(NetworkLoginSucceedNotification), 0u);
  EXPECT_EQ(observer->delegateReasons(), (std::vector<int>{row.reason}));
  EXPECT_FALSE(observer->delegateOnMainThread());
}

const ReasonRow reasonRows[] = {
    {"Busy", [](RecorderConfig& c) { c.fault = Fault::Busy; }, "admin", "admin", 1,
     "All remote site channels are being used."},
    {"WrongSignature", [](RecorderConfig& c) { c.signature = "ABCD"; }, "admin", "admin", 2, "Unsupported protocol."},
    {"VersionZero", [](RecorderConfig& c) { c.protocolVersion = 0; }, "admin", "admin", 2, "Unsupported protocol."},
    {"NoProfileList", [](RecorderConfig& c) { c.sendProfileList = false; }, "admin", "admin", 2,
     "Unsupported protocol."},
    {"ProfileNotListed",
     [](RecorderConfig& c) {
       c.profiles = {{2, 1, 0}, {3, 1, 0}};
     },
     "admin", "admin", 2, "Unsupported protocol."},
    {"TruncatedOption",
     [](RecorderConfig& c) {
       c.extraOptions = {5, 0, 18, 1};
     },
     "admin", "admin", 2, "Unsupported protocol."},
    {"LoginResponseForSync", [](RecorderConfig& c) { c.fault = Fault::LoginResponseForSync; }, "admin", "admin", 2,
     "Unsupported protocol."},
    {"KeepAliveForSync", [](RecorderConfig& c) { c.fault = Fault::AliveForSync; }, "admin", "admin", 2,
     "Unsupported protocol."},
    {"UnknownUser", [](RecorderConfig&) {}, "nobody", "admin", 3, "Unknown user."},
    {"InvalidPassword", [](RecorderConfig&) {}, "admin", "wrong", 4, "Invalid password"},
    {"PermissionDenied", [](RecorderConfig&) {}, "viewer", "viewer", 5, "Permission denied."},
    {"LoginCode2", [](RecorderConfig& c) { c.loginCode = 2; }, "admin", "admin", 6, "Login failed."},
    {"LoginCode0", [](RecorderConfig& c) { c.loginCode = 0; }, "admin", "admin", 6, "Login failed."},
    {"LoginCodeOutOfRange", [](RecorderConfig& c) { c.loginCode = 7; }, "admin", "admin", 6, "Login failed."},
    {"ShortLoginResponse",
     [](RecorderConfig& c) {
       c.loginReplyPayload = Bytes{1, 0, 0};
     },
     "admin", "admin", 2, "Unsupported protocol."},
    {"PeerClosesDuringSync",
     [](RecorderConfig& c) {
       c.fault = Fault::CloseAtOffset;
       c.faultOffset = 20;
     },
     "admin", "admin", 7, "Disconnected by remote site."},
    // Qt reports a reset met on read as the peer's close.
    {"PeerResetsDuringSync",
     [](RecorderConfig& c) {
       c.fault = Fault::ResetAtOffset;
       c.faultOffset = 20;
     },
     "admin", "admin", 7, "Disconnected by remote site."},
    {"HostilePayloadLength", [](RecorderConfig& c) { c.fault = Fault::HostileLength; }, "admin", "admin", 8,
     "Disconnected"},
};

INSTANTIATE_TEST_SUITE_P(Rows, LoopbackReasons, ::testing::ValuesIn(reasonRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Loopback, EveryAnnouncedOptionReachesPeerInfo) {
  RecorderConfig config;
  config.productInfo = RecorderConfig::ProductInfo{3, 1016, "NVR-16", "2.1"};
  config.oem = RecorderConfig::OEM{1, "Acme"};
  config.httpStreaming = RecorderConfig::HTTPStreaming{2, 8080};
  config.mobileStreamingVersion = 5;
  config.extraOptions = {7, 0, 3, 1, 2, 3};  // a type the client does not know
  startRecorder(config);
  connect();
  ASSERT_TRUE(waitForLogin());
  auto info = client->peerInfo();
  ASSERT_TRUE(info);
  auto product = info->syncOption<ProductInfoSyncOption>(2);
  ASSERT_TRUE(product);
  EXPECT_EQ(product->productType(), 3);
  EXPECT_EQ(product->productCode(), 1016u);
  EXPECT_EQ(product->productName(), "NVR-16");
  EXPECT_EQ(product->productVersion(), "2.1");
  ASSERT_TRUE(info->syncOption<OEMSyncOption>(3));
  EXPECT_EQ(info->syncOption<OEMSyncOption>(3)->company(), "Acme");
  ASSERT_TRUE(info->syncOption<HTTPStreamingSyncOption>(11));
  EXPECT_EQ(info->syncOption<HTTPStreamingSyncOption>(11)->portNumber(), 8080);
  ASSERT_TRUE(info->syncOption<MobileStreamingSyncOption>(14));
  EXPECT_EQ(info->syncOption<MobileStreamingSyncOption>(14)->version(), 5);
  EXPECT_FALSE(info->syncOptionByType(7));
}

class LoopbackCut : public Loopback, public ::testing::WithParamInterface<Fault> {};

// A reset met on read is reported by Qt as the peer's close: reason 7 as well.
TEST_P(LoopbackCut, CutAtEveryByteOfTheHandshakeRepliesIsReason7) {
  RecorderConfig config;
  const size_t total = emulator::framePacket(MessageTypeSync, emulator::syncReplyPayload(config)).size() + 13;
  makeClient();
  for (size_t offset = 0; offset < total; ++offset) {
    SCOPED_TRACE("cut after " + std::to_string(offset) + " bytes");
    config.fault = GetParam();
    config.faultOffset = offset;
    recorder.reset();
    startRecorder(config);
    connect();
    ASSERT_TRUE(waitForDisconnects(offset + 1));
    EXPECT_EQ(observer->lastDisconnect()->reason, NetworkDisconnectionReasonRemoteClosed);
  }
  EXPECT_EQ(observer->count(NetworkLoginSucceedNotification), 0u);
}

INSTANTIATE_TEST_SUITE_P(Faults, LoopbackCut, ::testing::Values(Fault::CloseAtOffset, Fault::ResetAtOffset),
                         [](const auto& info) {
                           return std::string(info.param == Fault::CloseAtOffset ? "Close" : "Reset");
                         });

TEST_F(Loopback, HandshakeRepliesWrittenOneByteAtATime) {
  RecorderConfig config;
  config.writeBytesSlowly = true;
  startRecorder(config);
  connect();
  ASSERT_TRUE(waitForLogin());
}

TEST_F(Loopback, ConnectionRefusedIsReason8WithTheError) {
  startRecorder();
  const uint16_t port = recorder->port();
  recorder.reset();  // nothing listens there any more
  makeClient();
  client->connectToHost("127.0.0.1", port, "admin", "admin");
  ASSERT_TRUE(waitForDisconnects(1));
  auto last = observer->lastDisconnect();
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonStreamError);
  ASSERT_TRUE(last->error);
  EXPECT_FALSE(last->error->description.empty());
  EXPECT_EQ(NetworkDisconnectionReasonDescription(last->reason), "Disconnected");
}

TEST_F(Loopback, LocalDisconnectIsReason0AndTheRecorderSeesTheClose) {
  startRecorder();
  connect();
  ASSERT_TRUE(waitForLogin());
  client->disconnect();
  ASSERT_TRUE(waitForDisconnects(1));
  EXPECT_EQ(observer->lastDisconnect()->reason, NetworkDisconnectionReasonLocal);
  EXPECT_TRUE(recorder->waitForClosed(0));
}

TEST_F(Loopback, DisconnectWithoutAConnectionPostsNothing) {
  startRecorder();
  makeClient();
  client->disconnect();
  // A connect queued after it shows that the disconnect has run.
  connect();
  ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkLoginSucceedNotification) == 1; }));
  auto names = observer->notifications();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0].name, NetworkWillConnectNotification);
}

TEST_F(Loopback, PeerCloseAfterLoginIsReason7) {
  startRecorder();
  connect();
  ASSERT_TRUE(recorder->waitForLogins(1));
  ASSERT_TRUE(waitForLogin());
  recorder->lastSession()->close();
  ASSERT_TRUE(waitForDisconnects(1));
  EXPECT_EQ(observer->lastDisconnect()->reason, NetworkDisconnectionReasonRemoteClosed);
}

TEST_F(Loopback, ReconnectsOnTheSameClient) {
  startRecorder();
  connect();
  ASSERT_TRUE(waitForLogin());
  client->disconnect();
  ASSERT_TRUE(waitForDisconnects(1));
  connect();
  ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkLoginSucceedNotification) == 2; }));
  EXPECT_EQ(recorder->connectionCount(), 2);
  // Connecting a connected client disconnects it first, with reason 0.
  connect();
  ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkLoginSucceedNotification) == 3; }));
  EXPECT_EQ(observer->count(NetworkDisconnectedNotification), 2u);
  EXPECT_EQ(observer->lastDisconnect()->reason, NetworkDisconnectionReasonLocal);
  EXPECT_EQ(recorder->connectionCount(), 3);
}

TEST_F(Loopback, KeepAlivesAreAnsweredAloneCoalescedAndLast) {
  startRecorder();
  connect();
  ASSERT_TRUE(recorder->waitForLogins(1));
  ASSERT_TRUE(waitForLogin());
  const Bytes alive = emulator::framePacket(MessageTypeAlive, {});
  ASSERT_TRUE(recorder->send(MessageTypeAlive, {}));
  Bytes coalesced = emulator::framePacket(UnknownType, {1, 2});
  coalesced.insert(coalesced.end(), alive.begin(), alive.end());
  Bytes third = alive;
  Bytes tail = emulator::framePacket(MessageTypeLiveError, {0, 0, 0, 1});
  third.insert(third.end(), tail.begin(), tail.end());
  ASSERT_TRUE(recorder->lastSession()->sendRaw(coalesced));
  ASSERT_TRUE(recorder->lastSession()->sendRaw(third));
  for (int i = 0; i < 3; ++i) {
    auto answer = recorder->waitForPacket(MessageTypeAlive);
    ASSERT_TRUE(answer) << i;
    EXPECT_TRUE(answer->payload.empty());
  }
  ASSERT_TRUE(waitUntil([&] { return client->analyzed() == 5; }));
  EXPECT_EQ(client->analyzedTypes(), (std::vector<uint16_t>{MessageTypeAlive, UnknownType, MessageTypeAlive, MessageTypeAlive, MessageTypeLiveError}));
  EXPECT_TRUE(client->isConnected());
}

TEST_F(Loopback, ThePayloadCapHoldsOverTheSocket) {
  startRecorder();
  connect();
  ASSERT_TRUE(recorder->waitForLogins(1));
  ASSERT_TRUE(waitForLogin());
  Bytes largest = emulator::framePacket(UnknownType, Bytes(Packet::MaxPayloadSize, 0x33));
  ASSERT_TRUE(recorder->lastSession()->sendRaw(largest));
  ASSERT_TRUE(waitUntil([&] { return client->analyzed() == 1; }));
  EXPECT_EQ(client->analyzedPackets()[0].payload.size(), static_cast<size_t>(Packet::MaxPayloadSize));
  ASSERT_TRUE(recorder->lastSession()->sendRaw(emulator::frameHeader(MessageTypeLiveMediaFrame, Packet::MaxPayloadSize + 1)));
  ASSERT_TRUE(waitForDisconnects(1));
  auto last = observer->lastDisconnect();
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonStreamError);
  ASSERT_TRUE(last->error);
  EXPECT_EQ(last->error->code, NetworkClientErrorPacketTooLarge);
}

// The recorder's handlers refer to objects that go away with the test: removing
// one must wait for a call of it already under way on the connection's thread.
TEST_F(Loopback, RemovingAnEmulatorHandlerWaitsForTheCallUnderWay) {
  startRecorder();
  connect();
  ASSERT_TRUE(waitForLogin());
  auto owner = std::make_unique<std::vector<int>>(64, 7);
  const std::vector<int>* state = owner.get();
  Semaphore started, removing;
  std::atomic<int> seen{0};
  recorder->setHandler(MessageTypeAlive, [&, state](emulator::Session&, const emulator::ReceivedPacket&) {
    started.signal();
    removing.wait();
    seen = std::accumulate(state->begin(), state->end(), 0);
  });
  ASSERT_TRUE(recorder->send(MessageTypeAlive, {}));  // answered with the client's own keep-alive
  ASSERT_TRUE(waitUntil([&] { return started.count() > 0; }));
  std::thread remover([&] {
    removing.signal();
    recorder->setHandler(MessageTypeAlive, nullptr);
    owner.reset();  // what the handler's owner does next
  });
  remover.join();
  EXPECT_EQ(seen.load(), 64 * 7);
}

TEST_F(Loopback, ASilentRecorderEndsInAHandshakeTimeOut) {
  RecorderConfig config;
  config.fault = Fault::Silent;
  startRecorder(config);
  makeClient();
  client->setHandshakeTimeout(std::chrono::milliseconds(200));
  connect();
  ASSERT_TRUE(waitForDisconnects(1));
  auto last = observer->lastDisconnect();
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonStreamError);
  ASSERT_TRUE(last->error);
  EXPECT_EQ(last->error->code, NetworkClientErrorHandshakeTimedOut);
  EXPECT_TRUE(recorder->waitForClosed(0));
}

TEST_F(Loopback, TheNetworkThreadWaitsWhileObserversRun) {
  startRecorder();
  makeClient();
  std::atomic<TcpByteStream*> stream{nullptr};
  client->setStreamFactory([&](const std::string& host, uint16_t port) {
    auto made = std::make_shared<TcpByteStream>(QString::fromStdString(host), port);
    stream = made.get();
    return made;
  });
  // The recorder's keep-alives reach the dispatch too: only the sent packets count.
  auto unknownAnalyzed = [&] {
    const auto types = client->analyzedTypes();
    return std::count(types.begin(), types.end(), UnknownType);
  };
  long analyzedDuringObserver = -1;
  bool sent = true;
  bool arrived = false;
  auto blocking = client->addObserver(NetworkLoginSucceedNotification, [&](const Notification&) {
    // To the connection itself: the recorder may not count it as logged in yet.
    for (int i = 0; i < 3; ++i) sent = recorder->lastSession()->send(UnknownType, {}) && sent;
    // The packets reach the client's socket while this observer runs (the network
    // thread waits for it, so the socket is not touched there meanwhile); none may
    // be handled before it returns. No events are served here: the wait only polls.
    const int fd = static_cast<int>(stream.load()->socketDescriptor());
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int buffered = 0;
    while (!arrived && std::chrono::steady_clock::now() < limit) {
      std::this_thread::yield();
      arrived = ioctl(fd, FIONREAD, &buffered) == 0 && buffered >= 3 * int(Packet::HeaderSize);
    }
    analyzedDuringObserver = unknownAnalyzed();
  });
  connect();
  ASSERT_TRUE(waitUntil([&] { return unknownAnalyzed() == 3; }));
  EXPECT_TRUE(sent);
  EXPECT_TRUE(arrived);
  EXPECT_EQ(analyzedDuringObserver, 0);
}

TEST_F(Loopback, AfterQuitHasBegunPostsAreDroppedAndNothingHangs) {
  startRecorder();
  connect();
  ASSERT_TRUE(waitForLogin());
  closeMainThreadHops();
  recorder->lastSession()->close();
  const bool disconnected = waitUntil([&] { return client->isDisconnected(); });
  std::atomic<bool> ran{false};
  thread->post([&] { ran = true; });  // the thread is not stuck in the dropped hop
  const bool threadRuns = waitUntil([&] { return ran.load(); });
  reopenMainThreadHopsForTesting();
  EXPECT_TRUE(disconnected);
  EXPECT_TRUE(threadRuns);
  EXPECT_EQ(observer->count(NetworkDisconnectedNotification), 0u);
}

TEST(LoopbackSharedThread, AClientOnTheSharedThreadLogsIn) {
  RecorderEmulator recorder;
  ASSERT_TRUE(recorder.start());
  auto client = test::TestClient::create(nullptr);
  EXPECT_EQ(client->thread(), NetworkThread::sharedThread());
  ClientObserver observer(*client);
  client->connectToHost("127.0.0.1", recorder.port(), "admin", "admin");
  ASSERT_TRUE(waitUntil([&] { return observer.count(NetworkLoginSucceedNotification) == 1; }));
  client->disconnect();
  ASSERT_TRUE(waitUntil([&] { return observer.count(NetworkDisconnectedNotification) == 1; }));
}

}  // namespace
}  // namespace zelvo
