// Typed writes and bounded reads of a packet, against memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "Network/Packet.h"

static void BM_PacketWriteRead(benchmark::State& state) {
  const int64_t count = state.range(0);
  for (auto _ : state) {
    auto packet = zelvo::Packet::createWithMessageType(257);
    for (int64_t i = 0; i < count; ++i) packet->pushUint32(static_cast<uint32_t>(i));
    packet->pack();
    packet->seekToPayload();
    uint64_t sum = 0;
    for (int64_t i = 0; i < count; ++i) sum += packet->popUint32();
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * count * 4);
}
BENCHMARK(BM_PacketWriteRead)->Arg(16)->Arg(1024)->Arg(16384);

static void BM_Memcpy(benchmark::State& state) {
  const int64_t count = state.range(0);
  std::vector<uint8_t> from(static_cast<size_t>(count) * 4, 1), to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(state.iterations() * count * 4);
}
BENCHMARK(BM_Memcpy)->Arg(16)->Arg(1024)->Arg(16384);

BENCHMARK_MAIN();
