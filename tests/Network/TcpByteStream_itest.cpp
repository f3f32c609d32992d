// The socket stream over loopback, and the emulator program a person runs.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <QRegularExpression>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

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

// A peer that sends as fast as the kernel takes it: numbered 32-bit words until
// its socket is full, then again as soon as there is room, then closes.
class FloodSender {
 public:
  explicit FloodSender(size_t words) : words_(words) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 1);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
  }
  ~FloodSender() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  uint16_t port() const { return port_; }

  // True once the sender has filled every buffer up to the reader's, or is done.
  bool waitUntilFullOrDone() {
    std::unique_lock lock(mutex_);
    return condition_.wait_for(lock, std::chrono::seconds(20), [&] { return full_ || done_; });
  }

 private:
  void run() {
    pollfd accepting{listener_, POLLIN, 0};
    while (!stop_ && poll(&accepting, 1, 50) == 0) {
    }
    if (stop_) return;
    const int fd = accept(listener_, nullptr, nullptr);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::vector<uint32_t> chunk(4096);
    size_t next = 0;          // the next word to send
    size_t offsetInChunk = 0; // bytes of the current chunk already sent
    while (!stop_ && next < words_) {
      const size_t count = std::min(chunk.size(), words_ - next);
      for (size_t i = 0; i < count; ++i) chunk[i] = static_cast<uint32_t>(next + i);
      const auto* bytes = reinterpret_cast<const uint8_t*>(chunk.data());
      const size_t total = count * 4;
      while (!stop_ && offsetInChunk < total) {
        ssize_t n = send(fd, bytes + offsetInChunk, total - offsetInChunk, MSG_NOSIGNAL);
        if (n > 0) {
          offsetInChunk += static_cast<size_t>(n);
          continue;
        }
        if (n < 0 && errno != EAGAIN) break;
        setFull(true);
        pollfd writable{fd, POLLOUT, 0};
        while (!stop_ && poll(&writable, 1, 50) == 0) {
        }
        setFull(false);
      }
      next += count;
      offsetInChunk = 0;
    }
    close(fd);
    std::lock_guard lock(mutex_);
    done_ = true;
    condition_.notify_all();
  }
  void setFull(bool full) {
    std::lock_guard lock(mutex_);
    full_ = full;
    condition_.notify_all();
  }

  const size_t words_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable condition_;
  bool full_ = false;
  bool done_ = false;
  std::thread thread_;
};

// A reader slower than its peer: before each read it lets the peer fill the
// kernel's buffers. What the socket holds stays within its bound, and every byte
// arrives once and in order before the end is read.
TEST(TcpByteStream, ReadBufferStaysWithinItsLimitWhileTheReaderIsSlow) {
  constexpr size_t kWords = 2 * 1024 * 1024;  // 8 MiB
  FloodSender sender(kWords);
  TcpByteStream stream("127.0.0.1", sender.port());
  int64_t mostBuffered = 0;
  size_t words = 0;  // whole words checked so far
  size_t misplaced = 0;
  std::vector<uint8_t> partial;  // the bytes of a word cut by a read
  bool ended = false, failed = false;
  stream.setEventHandler([&](ByteStream::Event event) {
    if (event == ByteStream::ErrorOccurred) failed = true;
    if (event != ByteStream::BytesAvailable) return;
    if (!sender.waitUntilFullOrDone()) failed = true;
    mostBuffered = std::max(mostBuffered, stream.bufferedBytes());
    uint8_t buffer[16384];
    const int64_t n = stream.read(buffer, sizeof buffer);
    if (n == 0) ended = true;
    if (n < 0) failed = true;
    for (int64_t i = 0; i < n; ++i) {
      partial.push_back(buffer[i]);
      if (partial.size() < 4) continue;
      uint32_t word;
      std::memcpy(&word, partial.data(), 4);
      if (word != words) ++misplaced;
      ++words;
      partial.clear();
    }
  });
  stream.open();
  ASSERT_TRUE(waitUntil([&] { return ended || failed; }, std::chrono::seconds(60)));
  EXPECT_FALSE(failed);
  EXPECT_EQ(words, kWords);
  EXPECT_TRUE(partial.empty());
  EXPECT_EQ(misplaced, 0u);
  EXPECT_LE(mostBuffered, TcpByteStream::ReadBufferLimit);
  EXPECT_GT(mostBuffered, TcpByteStream::ReadBufferLimit / 2);  // the bound was reached, not merely unused
  stream.close();
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
