// Live H.264 decoding of N cameras through the decoder group (pacing on, time
// stamps in the past so nothing waits; the feeder holds back while a camera's
// queue holds 8 frames, so nothing is dropped) against a plain libavcodec send/
// receive loop over the same access units on the same number of threads.
// Counters: frames per second (items_per_second), CPU time of all threads per
// frame (less sensitive to other load on the machine than the rate), heap in use
// per camera while the decoders live and hold their pictures (the frames waiting
// to be fed are left out: the benchmark makes them, a recorder would send them),
// copies of compressed data per decoded frame, and context switches per frame of
// all threads (voluntary: a thread blocked, e.g. a decoding queue ran dry;
// involuntary: the scheduler took the processor away).
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <malloc.h>
#include <sys/resource.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstring>
#include <thread>
#include <vector>

#include "Decoder/H264Fixture.h"
#include "Decoder/VideoDecoderGroup.h"
#include "Network/MediaFrameFixtures.h"

namespace {

using namespace zelvo;

constexpr int kRepeats = 4;  // each stream is fed this many times per iteration

const char* streamName(int64_t stream) { return stream == 0 ? "d1_baseline.264" : "hd_baseline.264"; }

// CPU seconds of the whole process (every thread), user and system.
double processCpuSeconds() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Context switches of the whole process (every thread, also ended ones):
// voluntary ones (a thread blocked: a queue ran empty, a lock was taken) and
// involuntary ones (the scheduler took the processor away).
struct Switches {
  double voluntary = 0, involuntary = 0;
};
Switches processSwitches() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return {static_cast<double>(usage.ru_nvcsw), static_cast<double>(usage.ru_nivcsw)};
}

// Sets the counters of context switches per frame since `before`.
void countSwitches(benchmark::State& state, const Switches& before, int64_t frames) {
  const Switches after = processSwitches();
  state.counters["vol_switches_per_frame"] = (after.voluntary - before.voluntary) / static_cast<double>(frames);
  state.counters["invol_switches_per_frame"] = (after.involuntary - before.involuntary) / static_cast<double>(frames);
}

// Heap in use (small blocks and mapped ones), in MiB: measured before the
// decoders are made and again while they still hold their pictures.
double heapInUseMiB() {
  struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

const NetworkClient* clientKey(int n) {
  static int anchors[8];
  return reinterpret_cast<const NetworkClient*>(&anchors[n]);
}

// Live frames of one camera: the stream's access units, all stamped with the
// same (past) time, "HiSi"/"3531" codec information (no prefix).
std::vector<MediaFrame> cameraFrames(const std::vector<std::vector<uint8_t>>& units, int camera) {
  test::Bytes codec(20, 0);
  std::memcpy(codec.data(), "HiSi", 4);
  std::memcpy(codec.data() + 4, "3531", 4);
  const test::Bytes options = test::optionList({{2, codec}});
  std::vector<MediaFrame> frames;
  for (size_t i = 0; i < units.size(); ++i) {
    test::FrameHeader h;
    h.type = 0;
    h.syncIndex = static_cast<uint16_t>(i);
    h.channelMask = 1u << (camera % 32);
    h.timeStamp = 90000;
    h.timeStampScale = 90000;
    auto packet = test::received(test::frameBytes(h, units[i], options));
    MediaFrame frame;
    packet->popObject(frame);
    frames.push_back(frame);
  }
  return frames;
}

void BM_ZelvoDecode(benchmark::State& state) {
  const int cameras = static_cast<int>(state.range(0));
  const auto units = test::accessUnits(streamName(state.range(1)));
  std::vector<std::vector<MediaFrame>> frames;
  for (int cam = 0; cam < cameras; ++cam) frames.push_back(cameraFrames(units, cam));
  const double before = heapInUseMiB();
  VideoDecoderGroup group;
  const int clients = (cameras + 31) / 32;
  for (int c = 0; c < clients; ++c) group.registerDecodersForNetworkClient(clientKey(c), 32);
  std::vector<std::shared_ptr<VideoDecoder>> decoders;
  for (int cam = 0; cam < cameras; ++cam) decoders.push_back(group.decoderForCamera(cam % 32, clientKey(cam / 32)));
  std::atomic<int64_t> done{0}, pictures{0};
  // The feeder tops every camera's queue up to 8 waiting frames, in each
  // camera's order, and sleeps only when every queue is full. While it sleeps,
  // the first handled frame whose queue is down to half wakes it (clearing the
  // flag, so the handlers behind it neither take the feeder's lock nor wake it
  // again); at the end of an iteration only the last frame wakes it. The
  // handlers run on the decoders' threads: any work of theirs counts against
  // the decoder group's CPU time, so they do as little as they can.
  std::mutex mutex;
  std::condition_variable progress;
  std::atomic<bool> feederWaiting{false};
  std::atomic<int64_t> lastFrame{-1};  // the frame count the feeder waits for at the end of an iteration
  constexpr size_t kRefill = VideoDecoder::PacingBacklog / 2;
  // The wake-ups are never lost (each side sets its flag or count before it
  // checks the other's under the lock); the time-out only keeps a mistake from
  // hanging the run. A short one would wake the feeder every few frames.
  constexpr auto kStallGuard = std::chrono::milliseconds(100);

  std::vector<VideoDecoder::CompletionHandler> handlers;
  for (int cam = 0; cam < cameras; ++cam)
    handlers.push_back([&, decoder = decoders[cam].get()](DecodedVideoFrame f) {
      if (f.gotPicture) pictures.fetch_add(1, std::memory_order_relaxed);
      const int64_t handled = done.fetch_add(1) + 1;
      const bool refill =
          feederWaiting.load() && decoder->pendingFrames() <= kRefill && feederWaiting.exchange(false);
      if (refill || handled == lastFrame.load()) {
        std::lock_guard lock(mutex);
        progress.notify_one();
      }
    });
  const uint64_t copiesBefore = VideoDecoder::compressedCopies();
  const size_t perCamera = kRepeats * units.size();
  int64_t fed = 0;
  const double cpuBefore = processCpuSeconds();
  const Switches switchesBefore = processSwitches();
  for (auto _ : state) {
    std::vector<size_t> next(cameras, 0);
    size_t finished = 0;
    while (finished < static_cast<size_t>(cameras)) {
      bool any = false;
      finished = 0;
      for (int cam = 0; cam < cameras; ++cam) {
        while (next[cam] < perCamera && decoders[cam]->pendingFrames() < VideoDecoder::PacingBacklog) {
          group.asyncDecodeMediaFrame(frames[cam][next[cam] % units.size()], clientKey(cam / 32), handlers[cam]);
          ++next[cam];
          ++fed;
          any = true;
        }
        if (next[cam] == perCamera) ++finished;
      }
      if (!any && finished < static_cast<size_t>(cameras)) {
        const auto refillDue = [&] {
          for (int cam = 0; cam < cameras; ++cam)
            if (next[cam] < perCamera && decoders[cam]->pendingFrames() <= kRefill) return true;
          return false;
        };
        std::unique_lock lock(mutex);
        // Armed again after every wake-up: the handler that woke the feeder
        // cleared it, maybe for a camera that is fed no more.
        for (feederWaiting = true; !refillDue(); feederWaiting = true) progress.wait_for(lock, kStallGuard);
        feederWaiting = false;
      }
    }
    std::unique_lock lock(mutex);
    lastFrame = fed;
    while (done.load() < fed) progress.wait_for(lock, kStallGuard);
    lastFrame = -1;
  }
  state.SetItemsProcessed(fed);
  state.counters["cpu_us_per_frame"] = (processCpuSeconds() - cpuBefore) * 1e6 / static_cast<double>(fed);
  countSwitches(state, switchesBefore, fed);
  state.counters["heap_per_camera_MiB"] = (heapInUseMiB() - before) / cameras;
  state.counters["copies_per_frame"] =
      static_cast<double>(VideoDecoder::compressedCopies() - copiesBefore) / static_cast<double>(fed);
  state.counters["pictures_per_frame"] = static_cast<double>(pictures.load()) / static_cast<double>(fed);
  group.unregisterAllDecoders();
}

// One thread per camera, each with its own context, decoding the same units.
void BM_PlainDecode(benchmark::State& state) {
  const int cameras = static_cast<int>(state.range(0));
  const auto units = test::accessUnits(streamName(state.range(1)));
  std::vector<AVPacket*> packets;
  for (const auto& unit : units) {
    AVPacket* packet = av_packet_alloc();
    av_new_packet(packet, static_cast<int>(unit.size()));  // padded, zeroed, reference-counted
    std::memcpy(packet->data, unit.data(), unit.size());
    packets.push_back(packet);
  }
  const double before = heapInUseMiB();
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  std::vector<AVCodecContext*> contexts;
  for (int cam = 0; cam < cameras; ++cam) {
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->thread_count = 1;
    avcodec_open2(context, codec, nullptr);
    contexts.push_back(context);
  }
  std::atomic<int64_t> pictures{0};
  int64_t fed = 0;
  const double cpuBefore = processCpuSeconds();
  const Switches switchesBefore = processSwitches();
  for (auto _ : state) {
    std::vector<std::thread> threads;
    for (int cam = 0; cam < cameras; ++cam)
      threads.emplace_back([&, context = contexts[cam]] {
        AVFrame* frame = av_frame_alloc();
        int64_t got = 0;
        for (int r = 0; r < kRepeats; ++r)
          for (AVPacket* packet : packets) {
            if (avcodec_send_packet(context, packet) < 0) continue;
            while (avcodec_receive_frame(context, frame) == 0) ++got;
          }
        av_frame_free(&frame);
        pictures.fetch_add(got);
      });
    for (auto& t : threads) t.join();
    fed += static_cast<int64_t>(cameras) * kRepeats * static_cast<int64_t>(packets.size());
  }
  state.SetItemsProcessed(fed);
  state.counters["cpu_us_per_frame"] = (processCpuSeconds() - cpuBefore) * 1e6 / static_cast<double>(fed);
  countSwitches(state, switchesBefore, fed);
  state.counters["heap_per_camera_MiB"] = (heapInUseMiB() - before) / cameras;
  state.counters["copies_per_frame"] = 0;
  state.counters["pictures_per_frame"] = static_cast<double>(pictures.load()) / static_cast<double>(fed);
  for (AVCodecContext*& context : contexts) avcodec_free_context(&context);
  for (AVPacket*& packet : packets) av_packet_free(&packet);
}

}  // namespace

// Each case runs the decoder group and then the plain loop right after it, so
// that a change in the load from other programs on the machine touches both
// sides of a ratio alike. Arguments: cameras, stream (0: 704x480, 1: 1920x1080).
int main(int argc, char** argv) {
  for (int64_t stream : {0, 1})
    for (int64_t cameras : {1, 4, 16, 64})
      for (auto [name, function] : {std::pair{"BM_ZelvoDecode", &BM_ZelvoDecode},
                                    std::pair{"BM_PlainDecode", &BM_PlainDecode}})
        benchmark::RegisterBenchmark(name, function)
            ->ArgNames({"cameras", "stream"})
            ->Args({cameras, stream})
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
