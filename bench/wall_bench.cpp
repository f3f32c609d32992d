// LIBS: ViewControllers zelvo_emulator
// The whole live wall in steady state: two emulated recorders of 32 cameras each on
// loopback (in this process), 64 planes bound, the real view (QOpenGLWidget on the X
// server, Mesa llvmpipe under Xvfb: CPU rendering, so the GL figures are software
// drawing and compare only with each other), the controller with real clients and
// decoders. Each configuration runs a warm-up, then a steady period (ZELVO_WALL_SECONDS,
// default 20 s) over which it reports:
//   cpu_<group>_per_stream  share of one core per shown stream, by thread group: network
//                           ("NetworkThread"), decoding (the decoders' queues), main (the
//                           GUI thread: events, uploads, GL calls), gl (llvmpipe's own
//                           threads), other (the emulator, Qt's helpers)
//   cpu_<group>_cores       the same group's total, in cores
//   latency_p50/p95/max_ms  a frame handed to the camera's decoder (as the live client's
//                           notification arrives) to its picture uploaded to every plane
//   backlog_max             the most earlier frames of one camera waiting or decoding at an
//                           arrival; arrivals_over_one counts arrivals that found more than 1
//   renders_per_s           the view's renders; rss_mb the process's resident memory
// Run under an X server big enough for the view:
//   xvfb-run -a -s "-screen 0 2560x1600x24" build/<dir>/bench/wall_bench
// ZELVO_WALL_SHORT=1 is the quick run CI makes: two cases of few cameras, a second of
// warm-up and ZELVO_WALL_SECONDS (default 3 s there) each; the run fails when a case
// could not run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "Decoder/VideoDecoderGroup.h"
#include "Foundation/MainThread.h"
#include "Network/NetworkClient.h"
#include "ViewControllers/Wall/LiveClientPort.h"
#include "ViewControllers/Controls/TimerFactory.h"
#include "ViewControllers/VideoView.h"
#include "ViewControllers/VideoViewController.h"
#include "ViewControllers/WallDecoderProbe.h"
#include "emulator/LiveRecorder.h"
#include "emulator/RecorderEmulator.h"

namespace zelvo {
namespace {

using Clock = std::chrono::steady_clock;

bool shortRun() {
  const char* text = std::getenv("ZELVO_WALL_SHORT");
  return text && std::string(text) == "1";
}

double steadySeconds() {
  const char* text = std::getenv("ZELVO_WALL_SECONDS");
  double seconds = text ? std::atof(text) : 0.0;
  return seconds > 0.0 ? seconds : shortRun() ? 3.0 : 20.0;
}

// Cases that could not run; the short run fails on any.
int failedCases = 0;

void fail(benchmark::State& state, const char* why) {
  ++failedCases;
  state.SkipWithError(why);
}

// Spins the event loop until the condition holds or the limit passes.
bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > std::chrono::duration_cast<std::chrono::milliseconds>(limit).count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

void serveEventsFor(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

// CPU time (seconds) of every thread of the process, by thread id, with its name.
struct ThreadTime {
  std::string name;
  double seconds = 0;
};

std::map<int, ThreadTime> threadTimes() {
  std::map<int, ThreadTime> times;
  const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  DIR* dir = opendir("/proc/self/task");
  if (!dir) return times;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream in(std::string("/proc/self/task/") + entry->d_name + "/stat");
    std::string line;
    if (!std::getline(in, line)) continue;
    // "tid (name) state ..." with the name possibly holding spaces and parentheses.
    size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    std::vector<std::string> fields;
    while (rest >> field) fields.push_back(field);
    if (fields.size() < 13) continue;  // utime and stime are fields 14 and 15 of the line
    ThreadTime t;
    t.name = line.substr(open + 1, close - open - 1);
    t.seconds = (std::stod(fields[11]) + std::stod(fields[12])) / tick;
    times[std::atoi(entry->d_name)] = t;
  }
  closedir(dir);
  return times;
}

enum Group { Network, Decoding, Main, GL, Other, GroupCount };
const char* const GroupNames[GroupCount] = {"network", "decoding", "main", "gl", "other"};

Group groupOf(int tid, const std::string& name) {
  if (tid == getpid()) return Main;
  if (name == "NetworkThread") return Network;
  if (name == "ecurity.decoder") return Decoding;  // the queue label's last 15 bytes
  if (name.rfind("llvmpipe", 0) == 0) return GL;
  return Other;
}

std::array<double, GroupCount> cpuBetween(const std::map<int, ThreadTime>& before,
                                          const std::map<int, ThreadTime>& after) {
  std::array<double, GroupCount> cpu{};
  for (const auto& [tid, t] : after) {
    auto it = before.find(tid);
    double start = it != before.end() ? it->second.seconds : 0.0;
    cpu[groupOf(tid, t.name)] += t.seconds - start;
  }
  return cpu;
}

double residentMegabytes() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

// The shared decoders, timing each frame from its hand-over to the end of its
// handler (the hop that uploads it), and looking at the camera's queue count as
// every frame arrives.
class MeasuredDecoders : public test::WallDecoderProbe {
 public:
  // Main thread.
  uint64_t fewestArrivals(size_t cameras) const {
    if (arrivals_.size() < cameras) return 0;
    uint64_t fewest = UINT64_MAX;
    for (const auto& [camera, count] : arrivals_) fewest = std::min(fewest, count);
    return fewest;
  }
  size_t cameraCount() const { return arrivals_.size(); }
  uint64_t totalArrivals() const {
    uint64_t total = 0;
    for (const auto& [camera, count] : arrivals_) total += count;
    return total;
  }
  void startMeasuring() {
    measuring_ = true;
    std::lock_guard lock(mutex_);
    measuringLatency_ = true;
    latencies_.clear();
  }
  void stopMeasuring() {
    measuring_ = false;
    std::lock_guard lock(mutex_);
    measuringLatency_ = false;
  }
  size_t backlogMax() const { return backlogMax_; }
  uint64_t overOne() const { return overOne_; }
  std::vector<double> latencies() {
    std::lock_guard lock(mutex_);
    return latencies_;
  }

 private:
  void arrived(const NetworkClient& client, int64_t camera, size_t earlier) override {
    ++arrivals_[{&client, camera}];
    if (measuring_) {
      backlogMax_ = std::max(backlogMax_, earlier);
      if (earlier > 1) ++overOne_;
    }
  }
  CompletionHandler completion(CompletionHandler handler) override {
    return [this, handler = std::move(handler), start = Clock::now()](DecodedVideoFrame picture) {
      handler(picture);
      if (!picture.gotPicture) return;
      double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      std::lock_guard lock(mutex_);
      if (measuringLatency_) latencies_.push_back(ms);
    };
  }

  // Main thread only.
  std::map<std::pair<const NetworkClient*, int64_t>, uint64_t> arrivals_;
  bool measuring_ = false;
  size_t backlogMax_ = 0;
  uint64_t overOne_ = 0;
  // From the decoding queues.
  std::mutex mutex_;
  bool measuringLatency_ = false;
  std::vector<double> latencies_;
};

class NoSound : public WallAudioPort {
 public:
  void initialize() override {}
  void play(const uint8_t*, int, const CodecInfo&) override {}
  void stop() override {}
  void discardDelayedData() override {}
};

struct Recorder {
  Recorder(int cameras, int width) : live(liveConfig(cameras, width)), emulator(emulatorConfig(cameras)) {
    live.install(emulator);
    started = emulator.start();
  }
  static emulator::LiveRecorderConfig liveConfig(int cameras, int width) {
    emulator::LiveRecorderConfig c;
    c.cameras.clear();
    for (int n = 0; n < cameras; ++n) c.cameras.push_back({"Camera " + std::to_string(n + 1), 1, 1, 1, 1, {0, 0, 0, 0}});
    if (width == 704) {  // one D1 stream for every camera; 352 x 240 is each camera's own
      c.videoFixture = "d1_baseline.264";
      c.width = 704;
      c.height = 480;
    }
    return c;
  }
  static emulator::RecorderConfig emulatorConfig(int cameras) {
    emulator::RecorderConfig c;
    c.videoInCount = static_cast<uint8_t>(cameras);
    return c;
  }
  std::shared_ptr<SiteInfo> site(qint64 cameras) const {
    auto s = SiteInfo::create();
    s->setAddress(QStringLiteral("127.0.0.1"));
    s->setPort(emulator.port());
    s->setUser(QStringLiteral("admin"));
    s->setPassword(QStringLiteral("admin"));
    s->setCameraCount(cameras);
    s->setIndex(0);
    return s;
  }

  emulator::LiveRecorder live;  // outlives its emulator
  emulator::RecorderEmulator emulator;
  bool started = false;
};

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

// Arguments: picture width (352 or 704), layout (7: 64 planes shown; 3: 16), cameras
// per recorder (two recorders, bound to planes 0.. and 32..).
void BM_WallSteady(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const auto layout = static_cast<VideoViewLayout>(state.range(1));
  const int cameras = static_cast<int>(state.range(2));
  const double seconds = steadySeconds();

  Recorder first(cameras, width), second(cameras, width);
  if (!first.started || !second.started) {
    fail(state, "emulator did not start");
    return;
  }
  MeasuredDecoders decoders;
  NoSound sound;
  auto view = std::make_unique<VideoView>();
  auto controller = std::make_unique<VideoViewController>(
      *view, VideoViewController::Collaborators{&sharedLiveClientFactory(), &decoders, &sound,
                                                &mainThreadTimerFactory()});
  view->setControllerQueries(controller.get());
  controller->awake();
  view->resize(1920, 1080);
  view->move(0, 0);
  view->show();
  if (!waitUntil([&] { return view->isValid() && view->renderCount() > 0; }, std::chrono::seconds(30)) ||
      !view->hasScreen()) {
    fail(state, "no GL view");
    return;
  }
  view->setLayout(layout);
  view->setSelectedPlane(0);
  controller->connectToSite(first.site(cameras), 0);
  controller->connectToSite(second.site(cameras), 32);

  // Warm-up: every shown camera has streamed, then three seconds more.
  const size_t shown = std::min<size_t>(static_cast<size_t>(view->planeCountInCurrentLayout()),
                                        layout == 7 ? static_cast<size_t>(2 * cameras) : static_cast<size_t>(cameras));
  if (!waitUntil([&] { return decoders.fewestArrivals(shown) >= 1; }, std::chrono::seconds(90))) {
    std::fprintf(stderr, "cameras streaming: %zu of %zu, fewest frames %llu, renders %d\n", decoders.cameraCount(),
                 shown, static_cast<unsigned long long>(decoders.fewestArrivals(0)), view->renderCount());
    fail(state, "cameras did not all stream");
    return;
  }

  serveEventsFor(shortRun() ? 1 : 3);

  std::array<double, GroupCount> cpu{};
  double elapsed = 0;
  int renders = 0;
  uint64_t arrivals = 0;
  for (auto _ : state) {
    decoders.startMeasuring();
    auto before = threadTimes();
    int rendersBefore = view->renderCount();
    uint64_t arrivalsBefore = decoders.totalArrivals();
    auto start = Clock::now();
    serveEventsFor(seconds);
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    cpu = cpuBetween(before, threadTimes());
    renders = view->renderCount() - rendersBefore;
    arrivals = decoders.totalArrivals() - arrivalsBefore;
    decoders.stopMeasuring();
  }

  const double streams = static_cast<double>(shown);
  for (int g = 0; g < GroupCount; ++g) {
    state.counters[std::string("cpu_") + GroupNames[g] + "_per_stream"] = cpu[g] / elapsed / streams;
    state.counters[std::string("cpu_") + GroupNames[g] + "_cores"] = cpu[g] / elapsed;
  }
  std::vector<double> latencies = decoders.latencies();
  state.counters["latency_p50_ms"] = percentile(latencies, 0.50);
  state.counters["latency_p95_ms"] = percentile(latencies, 0.95);
  state.counters["latency_max_ms"] = latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
  state.counters["uploaded_per_s"] = static_cast<double>(latencies.size()) / elapsed;
  state.counters["arrivals_per_s"] = static_cast<double>(arrivals) / elapsed;
  state.counters["backlog_max"] = static_cast<double>(decoders.backlogMax());
  state.counters["arrivals_over_one"] = static_cast<double>(decoders.overOne());
  state.counters["renders_per_s"] = renders / elapsed;
  state.counters["rss_mb"] = residentMegabytes();
  state.counters["streams"] = streams;
  state.counters["steady_s"] = elapsed;

  controller->unbindAllPlanes();
  waitUntil([&] { return controller->observedClientCount() == 0; }, std::chrono::seconds(30));
  controller.reset();
  view.reset();
}

// 352 x 240 (each camera's own picture) and 704 x 480 (one D1 stream for all), 64
// planes in layout 7 and the first page of layout 3; then fewer planes bound in
// layout 7, for where the one-frame bound holds if 64 break it.
void registerCases() {
  struct Case {
    int width, layout, cameras;
  };
  const std::vector<Case> full = {{352, 7, 32}, {352, 3, 32}, {704, 7, 32}, {704, 3, 32},
                                  {352, 7, 24}, {352, 7, 16}, {352, 7, 8},  {352, 7, 4}, {352, 7, 2}};
  // Both layouts and both paths (decoding, upload, drawing) on few streams.
  const std::vector<Case> brief = {{352, 7, 4}, {704, 3, 2}};
  for (const Case& c : shortRun() ? brief : full)
    benchmark::RegisterBenchmark("BM_WallSteady", BM_WallSteady)
        ->ArgNames({"width", "layout", "cameras_per_recorder"})
        ->Args({c.width, c.layout, c.cameras})
        ->Iterations(1)
        ->Unit(benchmark::kSecond)
        ->UseRealTime();
}

}  // namespace
}  // namespace zelvo

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  zelvo::installMainThreadHops();
  zelvo::registerCases();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zelvo::closeMainThreadHops();
  if (zelvo::shortRun() && zelvo::failedCases > 0) {
    std::fprintf(stderr, "wall_bench: %d case(s) could not run\n", zelvo::failedCases);
    return 1;
  }
  return 0;
}
