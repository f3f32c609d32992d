// Framing throughput of the receive path: packets of 64 B, 4 KiB and 64 KiB, fed in
// 16 KiB reads to a logged-in client, against memcpy of the same bytes in the same
// run. The "x_memcpy" counter is the ratio (goal for 64 KiB packets: at most 3).
//   Framed:   the bytes as a read hands them to the framing.
//   Streamed: the same, through the stream's read into the client's read buffer
//             (one more copy, as a socket read makes).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <chrono>
#include <cstring>
#include <vector>

#include "Network/NetworkClient.h"
#include "support/FakeByteStream.h"

namespace {

class BenchClient : public zelvo::NetworkClient {
 public:
  using NetworkClient::NetworkClient;
  int64_t packets = 0;

 protected:
  int supportingProfile() const override { return 1; }
  void analyzePacket(const std::shared_ptr<zelvo::Packet>& packet) override {
    ++packets;
    benchmark::DoNotOptimize(packet->data());
  }
};

std::vector<uint8_t> frame(uint16_t type, size_t payloadSize) {
  std::vector<uint8_t> bytes = {0x06, 0x17, static_cast<uint8_t>(type >> 8), static_cast<uint8_t>(type),
                                static_cast<uint8_t>(payloadSize >> 24), static_cast<uint8_t>(payloadSize >> 16),
                                static_cast<uint8_t>(payloadSize >> 8), static_cast<uint8_t>(payloadSize)};
  bytes.resize(8 + payloadSize, 0x5A);
  return bytes;
}

struct LoggedInClient {
  std::shared_ptr<zelvo::NetworkThread> thread = zelvo::NetworkThread::createOnCurrentThread();
  std::shared_ptr<BenchClient> client = std::make_shared<BenchClient>(thread);
  zelvo::test::FakeStreamFactory streams;
  std::shared_ptr<zelvo::test::FakeByteStream> stream;

  LoggedInClient() {
    client->setStreamFactory(streams);
    client->setHandshakeTimeout(std::chrono::milliseconds(0));
    client->connectToHost("bench", 9000, "admin", "admin");
    QCoreApplication::processEvents();
    stream = streams.last();
    stream->completeOpen();
    std::vector<uint8_t> reply = frame(1, 0);
    const uint8_t sync[] = {'Q', 'R', 'Z', 'T', 1, 0, 1, 1, 1, 0, 4, 1, 1, 1, 0};
    reply.insert(reply.end(), sync, sync + sizeof sync);
    reply[7] = sizeof sync;
    stream->receive(reply);
    std::vector<uint8_t> login = frame(3, 5);
    login[8] = 1;
    stream->receive(login);
  }
  ~LoggedInClient() {
    client->disconnect();
    QCoreApplication::processEvents();
  }
};

void run(benchmark::State& state, bool throughStream) {
  const size_t payload = static_cast<size_t>(state.range(0));
  LoggedInClient connection;
  if (!connection.client->isConnected()) {
    state.SkipWithError("not logged in");
    return;
  }
  // About 1 MiB of packets per iteration.
  std::vector<uint8_t> bytes;
  const std::vector<uint8_t> one = frame(0x0101, payload);
  while (bytes.size() < (1u << 20)) bytes.insert(bytes.end(), one.begin(), one.end());
  std::vector<uint8_t> copy(bytes.size());
  const int64_t chunk = zelvo::NetworkClient::ReadChunkSize;

  double framingSeconds = 0, memcpySeconds = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (throughStream) {
      connection.stream->receive(bytes);
    } else {
      for (size_t offset = 0; offset < bytes.size(); offset += static_cast<size_t>(chunk))
        connection.client->receiveBytes(bytes.data() + offset,
                                        std::min<int64_t>(chunk, static_cast<int64_t>(bytes.size() - offset)));
    }
    auto middle = std::chrono::steady_clock::now();
    std::memcpy(copy.data(), bytes.data(), bytes.size());
    benchmark::ClobberMemory();
    auto end = std::chrono::steady_clock::now();
    framingSeconds += std::chrono::duration<double>(middle - start).count();
    memcpySeconds += std::chrono::duration<double>(end - middle).count();
    state.SetIterationTime(std::chrono::duration<double>(middle - start).count());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  state.counters["x_memcpy"] = memcpySeconds > 0 ? framingSeconds / memcpySeconds : 0;
  state.counters["packets"] = static_cast<double>(connection.client->packets);
}

void BM_Framed(benchmark::State& state) { run(state, false); }
void BM_Streamed(benchmark::State& state) { run(state, true); }

}  // namespace

BENCHMARK(BM_Framed)->Arg(64)->Arg(4096)->Arg(65536)->UseManualTime();
BENCHMARK(BM_Streamed)->Arg(64)->Arg(4096)->Arg(65536)->UseManualTime();

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
