// The connection's state machine over a scripted stream: sync, login, refusals,
// disconnects and what may be sent when.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "Network/FakeClientFixture.h"

namespace zelvo::test {
namespace {

using emulator::RecorderConfig;
using Handshake = FakeClient;

bool contains(const std::vector<int>& values, int value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// ---- Texts

TEST(DisconnectionReason, Descriptions) {
  const std::vector<std::pair<int, std::string>> rows = {
      {0, "Disconnected by remote site."},
      {1, "All remote site channels are being used."},
      {2, "Unsupported protocol."},
      {3, "Unknown user."},
      {4, "Invalid password"},
      {5, "Permission denied."},
      {6, "Login failed."},
      {7, "Disconnected by remote site."},
      {8, "Disconnected"},
      {9, "Disconnected"},
      {-1, "Disconnected"},
  };
  for (const auto& [reason, text] : rows) EXPECT_EQ(NetworkDisconnectionReasonDescription(reason), text) << reason;
}

TEST(DisconnectionReason, FromLoginResponseCode) {
  const std::vector<std::pair<int, int>> rows = {{0, 6}, {1, 6}, {2, 6}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 6}};
  for (const auto& [code, reason] : rows) EXPECT_EQ(LoginResponseCodeToDisconnectionReason(code), reason) << code;
}

// ---- The sync reply

struct SyncRow {
  const char* name;
  std::function<void(RecorderConfig&)> change;
  int profile;
  bool accepted;
};

class SyncReplies : public FakeClient, public ::testing::WithParamInterface<SyncRow> {};

TEST_P(SyncReplies, AcceptOrRefuseWithReason2) {
  const SyncRow& row = GetParam();
  makeClient(row.profile);
  RecorderConfig config;
  row.change(config);
  connectAndOpen();
  ASSERT_EQ(client->loginStatus(), NetworkLoginStatusSyncWritten);
  stream->receive(framePacket(MessageTypeSync, emulator::syncReplyPayload(config)));
  if (row.accepted) {
    EXPECT_EQ(client->loginStatus(), NetworkLoginStatusLoginWritten);
    EXPECT_TRUE(client->peerInfo());
    EXPECT_EQ(observer->count(NetworkDisconnectedNotification), 0u);
    return;
  }
  auto last = observer->lastDisconnect();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonUnsupportedProtocol);
  EXPECT_FALSE(last->error);
  EXPECT_TRUE(last->disconnectedWhenSeen);
  EXPECT_FALSE(last->peerInfoWhenSeen);
  EXPECT_EQ(statuses, (std::vector<int>{0, 1, 2, 6, 7}));
  EXPECT_TRUE(stream->isClosed());
  EXPECT_EQ(observer->delegateReasons(), (std::vector<int>{2}));
}

const SyncRow syncRows[] = {
    {"Default", [](RecorderConfig&) {}, 1, true},
    {"PayloadOfEightBytes", [](RecorderConfig& c) { c.syncReplyPayload = Bytes{'Q', 'R', 'Z', 'T', 1, 0, 1, 1}; }, 1,
     false},
    {"PayloadOfSevenBytes", [](RecorderConfig& c) { c.syncReplyPayload = Bytes{'Q', 'R', 'Z', 'T', 1, 0, 1}; }, 1,
     false},
    {"EmptyPayload", [](RecorderConfig& c) { c.syncReplyPayload = Bytes{}; }, 1, false},
    {"WrongSignature", [](RecorderConfig& c) { c.signature = "QRZX"; }, 1, false},
    {"VersionZero", [](RecorderConfig& c) { c.protocolVersion = 0; }, 1, false},
    {"VersionZeroBackwardCompatible",
     [](RecorderConfig& c) {
       c.protocolVersion = 0;
       c.backwardCompatible = 2;
     },
     1, true},
    {"NoProfileList", [](RecorderConfig& c) { c.sendProfileList = false; }, 1, false},
    {"ProfileNotListed", [](RecorderConfig& c) { c.profiles = {{2, 1, 0}, {3, 1, 0}}; }, 1, false},
    {"ProfilesTwoAndOneAcceptLive", [](RecorderConfig& c) { c.profiles = {{2, 1, 0}, {1, 1, 0}}; }, 1, true},
    {"ProfilesTwoAndOneAcceptPlayback", [](RecorderConfig& c) { c.profiles = {{2, 1, 0}, {1, 1, 0}}; }, 2, true},
    {"ProfilesTwoAndOneRefuseSetup", [](RecorderConfig& c) { c.profiles = {{2, 1, 0}, {1, 1, 0}}; }, 3, false},
    {"StrayFinalZeroByte", [](RecorderConfig& c) { c.extraOptions = {0}; }, 1, true},
    {"StrayFinalByteAbove14", [](RecorderConfig& c) { c.extraOptions = {15}; }, 1, true},
    {"StrayFinalByteOfAKnownType", [](RecorderConfig& c) { c.extraOptions = {5}; }, 1, false},
    {"TruncatedOption", [](RecorderConfig& c) { c.extraOptions = {5, 0, 18, 0, 1, 2}; }, 1, false},
    {"UnknownOptionPastTheEnd", [](RecorderConfig& c) { c.extraOptions = {9, 0, 10, 1, 2}; }, 1, false},
    {"UnknownOptionsSkipped", [](RecorderConfig& c) { c.extraOptions = {6, 0, 2, 1, 2, 13, 0, 0, 0, 0, 1, 7}; }, 1,
     true},
};

INSTANTIATE_TEST_SUITE_P(Rows, SyncReplies, ::testing::ValuesIn(syncRows),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Other messages in place of the replies

struct OutOfOrderRow {
  const char* name;
  bool afterSync;  // in place of the login response, else of the sync reply
  uint16_t type;
  int reason;
};

class OutOfOrder : public FakeClient, public ::testing::WithParamInterface<OutOfOrderRow> {};

TEST_P(OutOfOrder, Disconnects) {
  const OutOfOrderRow& row = GetParam();
  if (row.afterSync)
    syncAccepted();
  else
    connectAndOpen();
  stream->receive(framePacket(row.type, {}));
  auto last = observer->lastDisconnect();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->reason, row.reason);
  EXPECT_TRUE(last->disconnectedWhenSeen);
  EXPECT_EQ(contains(statuses, NetworkLoginStatusMismatched), row.reason == NetworkDisconnectionReasonUnsupportedProtocol);
  EXPECT_EQ(client->analyzed(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, OutOfOrder,
                         ::testing::Values(OutOfOrderRow{"BusyForSync", false, MessageTypeBusy, 1},
                                           OutOfOrderRow{"LoginResponseForSync", false, MessageTypeLoginResponse, 2},
                                           OutOfOrderRow{"KeepAliveForSync", false, MessageTypeAlive, 2},
                                           OutOfOrderRow{"LiveMessageForSync", false, MessageTypeCameraInfo, 2},
                                           OutOfOrderRow{"SyncForLogin", true, MessageTypeSync, 2},
                                           OutOfOrderRow{"KeepAliveForLogin", true, MessageTypeAlive, 2},
                                           OutOfOrderRow{"BusyForLogin", true, MessageTypeBusy, 2},
                                           OutOfOrderRow{"LiveMessageForLogin", true, MessageTypeLiveMediaFrame, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The login response

struct LoginRow {
  const char* name;
  Bytes payload;
  int reason;  // -1: logged in
};

class LoginResponses : public FakeClient, public ::testing::WithParamInterface<LoginRow> {};

TEST_P(LoginResponses, LogInOrRefuse) {
  const LoginRow& row = GetParam();
  syncAccepted();
  stream->receive(framePacket(MessageTypeLoginResponse, row.payload));
  if (row.reason < 0) {
    EXPECT_TRUE(client->isConnected());
    EXPECT_EQ(observer->count(NetworkLoginSucceedNotification), 1u);
    EXPECT_EQ(observer->delegateLogins(), 1);
    ASSERT_TRUE(client->loginResponse());
    EXPECT_EQ(client->loginResponse()->responseCode(), 1);
    return;
  }
  auto last = observer->lastDisconnect();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->reason, row.reason);
  EXPECT_EQ(NetworkDisconnectionReasonDescription(last->reason),
            NetworkDisconnectionReasonDescription(row.reason));
  EXPECT_TRUE(last->disconnectedWhenSeen);
  EXPECT_FALSE(last->peerInfoWhenSeen);
  EXPECT_EQ(observer->count(NetworkLoginSucceedNotification), 0u);
  EXPECT_FALSE(client->loginResponse());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LoginResponses,
    ::testing::Values(LoginRow{"Code1", {1, 0, 0, 0, 2}, -1}, LoginRow{"Code1WithExtraBytes", {1, 0, 0, 0, 2, 9}, -1},
                      LoginRow{"Code2", {2, 0, 0, 0, 0}, 6}, LoginRow{"Code3UnknownUser", {3, 0, 0, 0, 0}, 3},
                      LoginRow{"Code4InvalidPassword", {4, 0, 0, 0, 0}, 4},
                      LoginRow{"Code5PermissionDenied", {5, 0, 0, 0, 0}, 5}, LoginRow{"Code0", {0, 0, 0, 0, 0}, 6},
                      LoginRow{"Code7OutOfRange", {7, 0, 0, 0, 0}, 6}, LoginRow{"Code255", {255, 0, 0, 0, 0}, 6},
                      LoginRow{"ShortReply", {1, 0, 0, 0}, 2}, LoginRow{"EmptyReply", {}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The login request

TEST_F(Handshake, WritesTheSyncAndLoginRequestsByteForByte) {
  syncAccepted();
  const Bytes login = {0x06, 0x17, 0x00, 0x02, 0x00, 0x00, 0x00, 0x1f, 0x00, 0x05, 0x61, 0x64, 0x6d,
                       0x69, 0x6e, 0x00, 0x10, 0x79, 0x20, 0xe5, 0x17, 0x24, 0x72, 0xbf, 0x77, 0xdf,
                       0x5e, 0x34, 0x7e, 0x06, 0x28, 0xbd, 0xca, 0x00, 0x03, 0x6d, 0x64, 0x35, 0x00};
  EXPECT_EQ(stream->written(), concat({syncRequestBytes(), login}));
  EXPECT_EQ(statuses, (std::vector<int>{0, 1, 2, 3, 4}));
}

struct DigestRow {
  const char* name;
  std::string password;
  bool sendKey;
  const char* digestHex;
};

class LoginDigests : public FakeClient, public ::testing::WithParamInterface<DigestRow> {};

std::string hex(const uint8_t* bytes, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < n; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

TEST_P(LoginDigests, SaltTheCutPasswordWithTheKeyInArrivalOrder) {
  const DigestRow& row = GetParam();
  RecorderConfig config;
  config.sendKey = row.sendKey;
  client->connectToHost("recorder.test", 9000, "admin", row.password);
  ASSERT_TRUE(waitUntil([&] { return streams.last() != nullptr; }));
  stream = streams.last();
  stream->completeOpen();
  stream->receive(framePacket(MessageTypeSync, emulator::syncReplyPayload(config)));
  // sync request (16), login header (8), "admin" as a string (8), the length byte.
  const size_t at = 16 + 8 + 8 + 1;
  ASSERT_GE(stream->written().size(), at + 16);
  EXPECT_EQ(hex(stream->written().data() + at, 16), row.digestHex);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LoginDigests,
    ::testing::Values(DigestRow{"Admin", "admin", true, "7920e5172472bf77df5e347e0628bdca"},
                      DigestRow{"Empty", "", true, "7e7c77cff5705d1f7574a25ef6662117"},
                      DigestRow{"TwentyCharactersCutAt16", "abcdefghijklmnopqrst", true,
                                "bc5c6c2da1b87ab17d61717725a5026a"},
                      DigestRow{"NoKeyOption", "admin", false, "4e9bac7e28b82c63d94e157e4b4d25fa"},
                      DigestRow{"CutInsideACharacter", "aaaaaaaaaaaaaaa\xc3\xa9", true,
                                "fd010d6b358bb674feb3173223ee7438"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Statuses and what moves them

TEST_F(Handshake, StatusThreeLastsUntilTheLoginRequestIsWrittenAndDropsWhatArrives) {
  connectAndOpen();
  stream->planWrites({5});  // the login request goes out in two parts
  stream->receive(framePacket(MessageTypeSync, emulator::syncReplyPayload({})));
  ASSERT_EQ(client->loginStatus(), NetworkLoginStatusSyncAccepted);
  LogCapture log;
  stream->receive(keepAliveBytes());
  EXPECT_TRUE(log.contains("Invalid login status in packetReceived 3"));
  EXPECT_EQ(client->loginStatus(), NetworkLoginStatusSyncAccepted);
  stream->signalSpaceAvailable();
  EXPECT_EQ(client->loginStatus(), NetworkLoginStatusLoginWritten);
  stream->receive(framePacket(MessageTypeLoginResponse, {1, 0, 0, 0, 0}));
  EXPECT_TRUE(client->isConnected());
}

TEST_F(Handshake, TheSyncRequestWrittenInPartsMovesToStatusTwoWhenComplete) {
  connect();
  stream->planWrites({6, 0, 10});
  stream->completeOpen();
  EXPECT_EQ(client->loginStatus(), NetworkLoginStatusSyncQueued);
  stream->signalSpaceAvailable();  // nothing more taken: still queued
  EXPECT_EQ(client->loginStatus(), NetworkLoginStatusSyncQueued);
  stream->signalSpaceAvailable();
  EXPECT_EQ(client->loginStatus(), NetworkLoginStatusSyncWritten);
  EXPECT_EQ(stream->written(), syncRequestBytes());
}

TEST_F(Handshake, PacketsSentBeforeLoginAreDroppedAndDoNotMoveTheStatus) {
  LogCapture log;
  client->sendPacket(packet(MessageTypeVideoChannelMask, {0, 0, 0, 1, 0, 0, 0, 0}));  // never connected
  EXPECT_TRUE(log.contains("Intend to send a packet to disconnected"));
  connect();
  client->sendPacket(packet(MessageTypeVideoChannelMask, {1}));  // status 0
  stream->completeOpen();
  client->sendPacket(packet(MessageTypeVideoChannelMask, {2}));  // status 2
  EXPECT_TRUE(log.contains("sent before login (status 2)"));
  EXPECT_EQ(stream->written(), syncRequestBytes());
  EXPECT_EQ(client->loginStatus(), NetworkLoginStatusSyncWritten);
  stream->receive(framePacket(MessageTypeSync, emulator::syncReplyPayload({})));
  stream->receive(framePacket(MessageTypeLoginResponse, {1, 0, 0, 0, 0}));
  ASSERT_TRUE(client->isConnected());
  stream->clearWritten();
  client->sendPacket(packet(MessageTypeVideoChannelMask, {3}));
  EXPECT_EQ(stream->written(), framePacket(MessageTypeVideoChannelMask, {3}));
}

TEST_F(Handshake, NoLogLineCarriesThePassword) {
  LogCapture log;
  client->sendPacket(packet(MessageTypeVideoChannelMask, {1}));
  connect(9000, "s3cret-Pw");
  client->sendPacket(packet(MessageTypeVideoChannelMask, {1}));
  stream->completeOpen();
  stream->planWrites({0});
  client->sendPacket(packet(MessageTypeVideoChannelMask, {1}));
  stream->receive(framePacket(MessageTypeSync, emulator::syncReplyPayload({})));
  stream->receive(framePacket(MessageTypeLoginResponse, {4, 0, 0, 0, 0}));
  ASSERT_FALSE(log.lines().empty());
  for (const std::string& line : log.lines()) EXPECT_EQ(line.find("s3cret-Pw"), std::string::npos) << line;
  EXPECT_TRUE(log.contains("recorder.test:9000"));
}

// ---- Disconnecting

TEST_F(Handshake, DisconnectWithoutAConnectionPostsNothing) {
  client->disconnect();
  QCoreApplication::processEvents();
  client->disconnect();
  ASSERT_TRUE(waitUntil([&] {
    QCoreApplication::processEvents();
    return true;
  }));
  EXPECT_TRUE(observer->notifications().empty());
  EXPECT_TRUE(observer->delegateReasons().empty());
  EXPECT_EQ(client->loginStatus(), NetworkLoginStatusDisconnected);
}

TEST_F(Handshake, DisconnectOfALoggedInClientPostsReasonZeroOnce) {
  logIn();
  client->disconnect();
  ASSERT_TRUE(waitUntil([&] { return client->isDisconnected(); }));
  client->disconnect();
  QCoreApplication::processEvents();
  EXPECT_EQ(observer->count(NetworkDisconnectedNotification), 1u);
  auto last = observer->lastDisconnect();
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonLocal);
  EXPECT_FALSE(last->error);
  EXPECT_TRUE(last->disconnectedWhenSeen);
  EXPECT_TRUE(stream->isClosed());
}

struct StreamErrorRow {
  const char* name;
  int step;  // 0 opening, 1 sync written, 2 logged in
};

class StreamErrors : public FakeClient, public ::testing::WithParamInterface<StreamErrorRow> {};

TEST_P(StreamErrors, AlwaysPostReason8WithTheError) {
  connect();
  if (GetParam().step >= 1) stream->completeOpen();
  if (GetParam().step >= 2) {
    stream->receive(framePacket(MessageTypeSync, emulator::syncReplyPayload({})));
    stream->receive(framePacket(MessageTypeLoginResponse, {1, 0, 0, 0, 0}));
  }
  stream->fail({61, "Connection refused"});
  auto last = observer->lastDisconnect();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonStreamError);
  ASSERT_TRUE(last->error);
  EXPECT_EQ(last->error->code, 61);
  EXPECT_EQ(last->error->description, "Connection refused");
  EXPECT_TRUE(last->disconnectedWhenSeen);
  EXPECT_EQ(observer->delegateReasons(), (std::vector<int>{8}));
}

INSTANTIATE_TEST_SUITE_P(Steps, StreamErrors,
                         ::testing::Values(StreamErrorRow{"WhileOpening", 0}, StreamErrorRow{"AfterTheSync", 1},
                                           StreamErrorRow{"LoggedIn", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Handshake, EventsOfAStreamLetGoOfAreIgnored) {
  logIn();
  auto old = stream;
  client->disconnect();
  ASSERT_TRUE(waitUntil([&] { return client->isDisconnected(); }));
  old->fail({1, "late"});
  old->receive(keepAliveBytes());
  EXPECT_EQ(observer->count(NetworkDisconnectedNotification), 1u);
}

TEST_F(Handshake, PortsOutsideTheRangeFailWithoutTruncation) {
  for (unsigned port : {0u, 65536u, 65538u, 4294967295u}) {
    SCOPED_TRACE(port);
    size_t before = observer->count(NetworkDisconnectedNotification);
    connect(port);
    ASSERT_EQ(observer->count(NetworkDisconnectedNotification), before + 1);
    auto last = observer->lastDisconnect();
    EXPECT_EQ(last->reason, NetworkDisconnectionReasonStreamError);
    ASSERT_TRUE(last->error);
    EXPECT_EQ(last->error->code, NetworkClientErrorPortOutOfRange);
    EXPECT_NE(last->error->description.find(std::to_string(port)), std::string::npos);
  }
  EXPECT_TRUE(streams.streams().empty());
  connect(65535);
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->port(), 65535);
}

TEST_F(Handshake, AUserNameTooLongForTheLoginRequestIsRefusedBeforeConnecting) {
  const std::string longest(65535, 'u');
  for (const std::string& name : {std::string(65536, 'u'), std::string(70000, 'u')}) {
    SCOPED_TRACE(name.size());
    size_t before = observer->count(NetworkDisconnectedNotification);
    client->connectToHost("recorder.test", 9000, name, "admin");
    ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkDisconnectedNotification) > before; }));
    auto last = observer->lastDisconnect();
    EXPECT_EQ(last->reason, NetworkDisconnectionReasonStreamError);
    ASSERT_TRUE(last->error);
    EXPECT_EQ(last->error->code, NetworkClientErrorUserNameTooLong);
  }
  EXPECT_TRUE(streams.streams().empty());
  client->connectToHost("recorder.test", 9000, longest, "admin");
  ASSERT_TRUE(waitUntil([&] { return !streams.streams().empty(); }));
}

TEST_F(Handshake, ConnectingAConnectedClientDisconnectsItFirst) {
  client->setAttachments({std::string("first")});
  logIn();
  auto first = stream;
  client->connectToHost("recorder.test", 9001, "admin", "admin", std::string("second"));
  ASSERT_TRUE(waitUntil([&] { return streams.streams().size() == 2; }));
  auto names = observer->notifications();
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[2].name, NetworkDisconnectedNotification);
  EXPECT_EQ(names[2].reason, NetworkDisconnectionReasonLocal);
  EXPECT_EQ(names[3].name, NetworkWillConnectNotification);
  EXPECT_TRUE(first->isClosed());
  EXPECT_EQ(client->loginStatus(), NetworkLoginStatusConnecting);
  auto attachments = client->attachments();
  ASSERT_EQ(attachments.size(), 2u);
  EXPECT_EQ(std::any_cast<std::string>(attachments[1]), "second");
  auto address = client->address();
  EXPECT_EQ(std::any_cast<unsigned>(address[NetworkConnectPortKey]), 9001u);
  EXPECT_EQ(std::any_cast<std::string>(address[NetworkConnectHostKey]), "recorder.test");
  EXPECT_EQ(std::any_cast<std::string>(address[NetworkConnectUserNameKey]), "admin");
  EXPECT_EQ(std::any_cast<std::string>(address[NetworkConnectPasswordKey]), "admin");
}

TEST_F(Handshake, AHandshakeThatDoesNotFinishInTimeEndsWithATimeOut) {
  client->setHandshakeTimeout(std::chrono::milliseconds(20));
  connectAndOpen();
  ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkDisconnectedNotification) == 1; }));
  auto last = observer->lastDisconnect();
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonStreamError);
  ASSERT_TRUE(last->error);
  EXPECT_EQ(last->error->code, NetworkClientErrorHandshakeTimedOut);
  EXPECT_NE(last->error->description.find("Timed out"), std::string::npos);
  EXPECT_TRUE(stream->isClosed());
}

TEST_F(Handshake, ANewClientIsDisconnectedWithNothingAttached) {
  EXPECT_EQ(client->loginStatus(), NetworkLoginStatusDisconnected);
  EXPECT_TRUE(client->isDisconnected());
  EXPECT_FALSE(client->isConnecting());
  EXPECT_TRUE(client->attachments().empty());
  EXPECT_FALSE(client->peerInfo());
  EXPECT_FALSE(client->isMobileConnection());
}

TEST_F(Handshake, StatusesFromConnectToLogin) {
  logIn();
  EXPECT_EQ(statuses, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_TRUE(client->isConnected());
  EXPECT_FALSE(client->isConnecting());
}

using HandshakeDeathTest = FakeClient;

TEST_F(HandshakeDeathTest, AnUnknownStreamEventIsAProgrammingError) {
  connect();
  EXPECT_DEATH(stream->signalEvent(static_cast<ByteStream::Event>(3)), "Unknown stream event");
}

TEST_F(Handshake, UnknownMessagesAfterLoginAreLoggedAndTheConnectionStays) {
  logIn();
  LogCapture log;
  stream->receive(concat({framePacket(UnknownType, {}), framePacket(MessageTypeBusy, {})}));
  EXPECT_TRUE(log.contains("Unknown Message Type: 2457"));
  EXPECT_TRUE(log.contains("Unknown Message Type: 8"));
  EXPECT_TRUE(client->isConnected());
}

// A subclass whose destructor waits for a thread that still talks to the client,
// as a playback client draining its serial queues does.
class ClientCalledWhileGoing : public NetworkClient {
 public:
  using NetworkClient::NetworkClient;
  ~ClientCalledWhileGoing() override {
    std::thread([this] {
      auto packet = Packet::createWithMessageType(MessageTypeVideoChannelMask);
      packet->pack();
      sendPacket(packet);
      disconnect();
      connectToHost("recorder.test", 9000, "admin", "admin");
    }).join();
  }
};

TEST(NetworkClientGoingAway, CallsFromAnotherThreadDuringDestructionAreDropped) {
  LogCapture log;
  auto thread = NetworkThread::createOnCurrentThread();
  std::make_shared<ClientCalledWhileGoing>(thread).reset();
  QCoreApplication::processEvents();
  EXPECT_TRUE(log.contains("Dropped a packet of type 259 sent to a client that is going away"));
  EXPECT_TRUE(log.contains("Connect to recorder.test:9000 asked of a client that is going away: ignored"));
}

}  // namespace
}  // namespace zelvo::test
