// The socket stream over loopback, and the emulator program a person runs.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <QProcess>
#include <algorithm>
#include <QRegularExpression>

#include "Network/ClientObserver.h"
#include "Network/TcpByteStream.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::waitUntil;

int intOption(int fd, int level, int name) {
  int value = -1;
  socklen_t length = sizeof value;
  getsockopt(fd, level, name, &value, &length);
  return value;
}

TEST(TcpByteStream, EveryConnectionHasTcpKeepAlive) {
  emulator::RecorderEmulator recorder;
  ASSERT_TRUE(recorder.start());
  TcpByteStream stream("127.0.0.1", recorder.port());
  bool open = false;
  stream.setEventHandler([&](ByteStream::Event event) { open = open || event == ByteStream::OpenCompleted; });
  stream.open();
  ASSERT_TRUE(waitUntil([&] { return open; }));
  const int fd = static_cast<int>(stream.socketDescriptor());
  EXPECT_EQ(intOption(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
  EXPECT_EQ(intOption(fd, IPPROTO_TCP, TCP_KEEPIDLE), 30);
  EXPECT_EQ(intOption(fd, IPPROTO_TCP, TCP_KEEPINTVL), 10);
  EXPECT_EQ(intOption(fd, IPPROTO_TCP, TCP_KEEPCNT), 3);
  stream.close();
}

TEST(TcpByteStream, BufferedBytesAreReadBeforeThePeersClose) {
  emulator::RecorderEmulator recorder;
  ASSERT_TRUE(recorder.start());
  TcpByteStream stream("127.0.0.1", recorder.port());
  std::vector<uint8_t> bytes;
  bool ended = false;
  stream.setEventHandler([&](ByteStream::Event event) {
    if (event == ByteStream::OpenCompleted) {
      const uint8_t sync[] = {0x06, 0x17, 0, 1, 0, 0, 0, 8, 'Q', 'R', 'Z', 'T', 1, 0, 1, 1};
      stream.write(sync, sizeof sync);
    }
    if (event != ByteStream::BytesAvailable) return;
    uint8_t buffer[7];  // small reads: the rest must be offered again
    int64_t n = stream.read(buffer, sizeof buffer);
    if (n == 0) ended = true;
    if (n > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  });
  stream.open();
  ASSERT_TRUE(recorder.waitForPacket(MessageTypeSync));
  // The emulator answers the sync on its own thread: let the answer arrive before
  // the close, so that what is counted below is only the bytes behind it.
  const size_t reply = 8 + emulator::syncReplyPayload({}).size();
  ASSERT_TRUE(waitUntil([&] { return bytes.size() >= reply; }));
  auto session = recorder.lastSession();
  ASSERT_TRUE(session->sendRaw(emulator::Bytes(100, 0x42)));
  session->close();
  ASSERT_TRUE(waitUntil([&] { return ended; }));
  EXPECT_EQ(bytes.size(), reply + 100u);
}

TEST(RecorderEmulatorProgram, AClientLogsInToIt) {
  QProcess program;
  program.start(ZELVO_RECORDER_EMULATOR_PATH, {"--port", "0", "--user", "operator:pass:2", "--video-in", "8", "--keep-alive", "1"});
  ASSERT_TRUE(program.waitForStarted());
  QByteArray output;
  QRegularExpressionMatch match;
  ASSERT_TRUE(waitUntil([&] {
    output += program.readAllStandardOutput();
    match = QRegularExpression("listening on 127\\.0\\.0\\.1:(\\d+)").match(QString::fromUtf8(output));
    return match.hasMatch();
  }));
  const unsigned port = match.captured(1).toUInt();

  auto thread = std::make_shared<NetworkThread>();
  auto client = test::TestClient::create(thread);
  test::ClientObserver observer(*client);
  client->connectToHost("127.0.0.1", port, "operator", "pass");
  ASSERT_TRUE(waitUntil([&] { return observer.count(NetworkLoginSucceedNotification) == 1; }));
  EXPECT_EQ(client->loginResponse()->permissionMask(), 2u);
  EXPECT_TRUE(waitUntil([&] {
    output += program.readAllStandardOutput();
    return output.contains("logged in as operator");
  }));
  // The program's own keep-alive arrives and is answered.
  EXPECT_TRUE(waitUntil([&] {
    auto types = client->analyzedTypes();
    return std::find(types.begin(), types.end(), MessageTypeAlive) != types.end();
  }));
  EXPECT_TRUE(client->isConnected());
  client->disconnect();
  ASSERT_TRUE(waitUntil([&] { return observer.count(NetworkDisconnectedNotification) == 1; }));
  program.terminate();
  EXPECT_TRUE(program.waitForFinished(10000));
  EXPECT_EQ(program.exitCode(), 0);
}

}  // namespace
}  // namespace zelvo
