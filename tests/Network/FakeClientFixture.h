#pragma once
// A client on the test's own thread over scripted fake streams: every step of the
// handshake and of the framing happens exactly when the test says so.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "Network/ClientObserver.h"
#include "emulator/RecorderEmulator.h"
#include "emulator/WireWriter.h"
#include "support/FakeByteStream.h"
#include "support/Wait.h"

namespace zelvo::test {

using emulator::Bytes;
using emulator::framePacket;
using emulator::frameHeader;

// Types that no message has: the base client hands them to its dispatch unread.
constexpr uint16_t UnknownType = 0x0999;
constexpr uint16_t OtherUnknownType = 0x0998;
constexpr uint16_t ThirdUnknownType = 0x0997;

inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline const Bytes& syncRequestBytes() {
  static const Bytes bytes = {0x06, 0x17, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08,
                              'Q',  'R',  'Z',  'T',  0x01, 0x00, 0x01, 0x01};
  return bytes;
}
inline const Bytes& keepAliveBytes() {
  static const Bytes bytes = framePacket(MessageTypeAlive, {});
  return bytes;
}

class FakeClient : public ::testing::Test {
 protected:
  void SetUp() override { makeClient(1); }

  void TearDown() override {
    observer.reset();
    client.reset();
    // Streams let go of are released by a task on the thread.
    QCoreApplication::processEvents();
  }

  void makeClient(int profile) {
    observer.reset();
    client.reset();
    thread = NetworkThread::createOnCurrentThread();
    client = TestClient::create(thread, profile);
    client->setStreamFactory(streams);
    client->setLoginStatusObserver([this](int status) { statuses.push_back(status); });
    observer = std::make_unique<ClientObserver>(*client);
  }

  // Connects and waits for the stream to be made (the connect is a posted task).
  void connect(unsigned port = 9000, const std::string& password = "admin") {
    size_t before = observer->count(NetworkWillConnectNotification);
    client->connectToHost("recorder.test", port, "admin", password);
    ASSERT_TRUE(waitUntil([&] { return observer->count(NetworkWillConnectNotification) > before; }));
    stream = streams.last();
  }
  void connectAndOpen() {
    connect();
    stream->completeOpen();
  }
  // Up to the login request written (status 4).
  void syncAccepted(const emulator::RecorderConfig& config = {}) {
    connectAndOpen();
    stream->receive(framePacket(MessageTypeSync, emulator::syncReplyPayload(config)));
    ASSERT_EQ(client->loginStatus(), NetworkLoginStatusLoginWritten);
  }
  void logIn() {
    syncAccepted();
    stream->receive(framePacket(MessageTypeLoginResponse, {1, 0, 0, 0, 2}));
    ASSERT_TRUE(client->isConnected());
    stream->clearWritten();
  }
  std::shared_ptr<Packet> packet(uint16_t type, const Bytes& payload) {
    auto p = Packet::createWithMessageType(type);
    p->pushBytes(payload.data(), static_cast<int64_t>(payload.size()));
    p->pack();
    return p;
  }

  std::shared_ptr<NetworkThread> thread;
  FakeStreamFactory streams;
  std::shared_ptr<FakeByteStream> stream;
  std::shared_ptr<TestClient> client;
  std::unique_ptr<ClientObserver> observer;
  std::vector<int> statuses;
};

}  // namespace zelvo::test
