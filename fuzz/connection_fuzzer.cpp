// The recorder's side of a connection, from the input: a client is brought to a
// login status (the first byte picks it), then the rest arrives as chunks of
// input-chosen sizes, with write results and space events mixed in. Nothing may
// crash, hang or allocate without bound, in any status.
#include <QCoreApplication>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Network/NetworkClient.h"
#include "support/FakeByteStream.h"

namespace {

class FuzzClient : public zelvo::NetworkClient {
 public:
  using NetworkClient::NetworkClient;

 protected:
  int supportingProfile() const override { return 1; }
};

std::vector<uint8_t> frame(uint16_t type, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> bytes = {0x06, 0x17, static_cast<uint8_t>(type >> 8), static_cast<uint8_t>(type),
                                static_cast<uint8_t>(payload.size() >> 24), static_cast<uint8_t>(payload.size() >> 16),
                                static_cast<uint8_t>(payload.size() >> 8), static_cast<uint8_t>(payload.size())};
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  return bytes;
}

const std::vector<uint8_t> syncReply = frame(1, {'Q', 'R', 'Z', 'T', 1, 0, 1, 1, 1, 0, 4, 1, 1, 1, 0, 4, 0, 4, 1, 2, 3, 4});
const std::vector<uint8_t> loginAccepted = frame(3, {1, 0, 0, 0, 2});

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  auto thread = zelvo::NetworkThread::createOnCurrentThread();
  auto client = std::make_shared<FuzzClient>(thread);
  zelvo::test::FakeStreamFactory streams;
  client->setStreamFactory(streams);
  client->setHandshakeTimeout(std::chrono::milliseconds(0));
  client->connectToHost("fuzz", 9000, "admin", "admin");
  QCoreApplication::processEvents();
  auto stream = streams.last();
  if (!stream) return 0;

  const int status = data[0] % 6;  // 0: opening ... 4: logged in; 5: the login write left partial
  if (status >= 1) {
    if (status == 5) stream->planWrites({zelvo::test::FakeByteStream::WriteAll, 3});
    stream->completeOpen();
  }
  if (status >= 2 && status != 5) stream->receive(syncReply);
  if (status == 5) stream->receive(syncReply);
  if (status == 4) stream->receive(loginAccepted);

  size_t offset = 2;
  uint8_t seed = data[1];
  while (offset < size && !stream->isClosed()) {
    seed = static_cast<uint8_t>(seed * 33 + 7);
    // Chunks of 1 to 256 bytes, now and then a write result or a space event.
    size_t length = std::min<size_t>(size - offset, 1 + seed);
    if ((seed & 0x0F) == 0) stream->planWrites({static_cast<int64_t>(seed >> 4) - 2});
    if ((seed & 0x1F) == 1) stream->signalSpaceAvailable();
    stream->receive(std::vector<uint8_t>(data + offset, data + offset + length));
    offset += length;
  }
  if ((seed & 3) == 0) stream->receiveEnd();
  client->disconnect();
  QCoreApplication::processEvents();
  client.reset();
  QCoreApplication::processEvents();
  return 0;
}
