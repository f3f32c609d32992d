// The whole live wall in steady state, beside a plain loop over the same streams. The
// wall: two emulated recorders of 32 cameras each on loopback (in this process) at 25
// frames a second, planes bound to them, the real view (on the X server, Mesa llvmpipe
// under Xvfb: CPU rendering), the controller with real clients and decoders. The plain
// loop (WallPlainLoop.h): the same streams decoded with libavcodec into a newest-picture
// slot per stream and drawn with the kit's planes by one render thread. Each case runs
// the wall, then the plain loop, each with a warm-up and then a steady period
// (ZELVO_WALL_SECONDS, default 20 s), and reports per second: frames sent (by the
// recorders; by the plain loop's feeder), arrived (handed to the decoders), decoded,
// pictures skipped (a newer one replaced one not yet drawn) and frames dropped (by a
// decoding queue), renders; picture age in ms (a frame's arrival to the end of the
// first render that shows it or a newer picture of its camera; the wall's arrival is
// the recorder's stamp placed on the bench's clock by its fastest frame, so that time
// in the sockets counts, and age_handover_p95 is from the hand-over to the decoders)
// p50, p95, max, and p95 over the first and the last ten seconds; the longest decoding
// queue (earlier frames waiting or decoding as a frame arrives); the main thread's
// busy share (its time delivering events, paints included) and CPU share, the lateness of a 10 ms timer
// on it (p95, max); CPU per stream by thread (network, decoding, main, render,
// llvmpipe, other); resident memory after the warm-up and at the end; the machine's
// load average at the start and the end. At the end of the run it prints the tables of
// every case and of the promise's goals, to paste as they are.
// Counts the code does not keep print as n/a (-1 in the counters).
// Run it under the test services' X server (scripts/test-services, 2560 x 1600):
//   scripts/test-services env ZELVO_WALL_SECONDS=60 build/default/bench/wall_bench
// ZELVO_WALL_SHORT=1 is the quick run CI makes: two cases of few cameras, a second of
// warm-up and ZELVO_WALL_SECONDS (default 3 s there) each; the run fails when a case
// could not run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Decoder/VideoDecoder.h"
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

#include "WallMeasures.h"
#include "WallPlainLoop.h"

namespace zelvo {
namespace {

using namespace wallbench;

constexpr int ViewWidth = 1920, ViewHeight = 1080;

bool shortRun() {
  const char* text = std::getenv("ZELVO_WALL_SHORT");
  return text && std::string(text) == "1";
}

double steadySeconds() {
  const char* text = std::getenv("ZELVO_WALL_SECONDS");
  double seconds = text ? std::atof(text) : 0.0;
  return seconds > 0.0 ? seconds : shortRun() ? 3.0 : 20.0;
}

double warmUpSeconds() { return shortRun() ? 1.0 : 3.0; }

// Cases that could not run; the short run fails on any.
int failedCases = 0;

void fail(benchmark::State& state, const std::string& why) {
  ++failedCases;
  std::fprintf(stderr, "wall_bench: %s\n", why.c_str());
  state.SkipWithError(why.c_str());
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

// The display's refresh period, as the view paces itself.
double refreshPeriodMs() {
  const QScreen* display = QGuiApplication::primaryScreen();
  const double rate = display ? display->refreshRate() : 0.0;
  return 1000.0 / (rate >= 1.0 ? rate : 60.0);
}

// ---- What the application counts of itself (-1: nothing counts it)

// Pictures that a newer one replaced before they were drawn, over every plane.
int64_t skippedPictures(const VideoView& view) { return static_cast<int64_t>(view.skippedPictures()); }
// Frames the decoding queues dropped (with the pictures that depend on them).
int64_t droppedFrames() { return static_cast<int64_t>(VideoDecoder::totalDroppedFrames()); }

// ---- The wall under measure

// The shared decoders: each frame is logged as it is handed over (its stamp and the
// camera's queue at that moment), and its picture as ready once the camera's handler
// has given it to the view.
class MeasuredDecoders : public test::WallDecoderProbe {
 public:
  explicit MeasuredDecoders(AgeLog& log) : log_(log) {}
  // A decoding queue may still finish a picture after the case has ended and its log
  // is gone: the gate, which the handlers hold, is closed first.
  ~MeasuredDecoders() override {
    std::lock_guard lock(gate_->mutex);
    gate_->open = false;
  }

  // Main thread.
  uint64_t fewestArrivals(size_t cameras) const {
    std::lock_guard lock(arrivalsMutex_);
    if (arrivals_.size() < cameras) return 0;
    uint64_t fewest = UINT64_MAX;
    for (const auto& [camera, count] : arrivals_) fewest = std::min(fewest, count);
    return fewest;
  }
  size_t cameraCount() const {
    std::lock_guard lock(arrivalsMutex_);
    return arrivals_.size();
  }
  uint64_t totalArrivals() const {
    std::lock_guard lock(arrivalsMutex_);
    return totalArrivals_;
  }
  uint64_t decoded() const { return decoded_.load(); }
  void resetBacklog() {
    std::lock_guard lock(arrivalsMutex_);
    backlogMax_ = 0;
  }
  size_t backlogMax() const {
    std::lock_guard lock(arrivalsMutex_);
    return backlogMax_;
  }

 private:
  void arrived(const NetworkClient&, int64_t, size_t) override {}
  // The clients' network threads, each frame's arrival followed by its completion.
  void arrivedFrame(const NetworkClient& client, int64_t camera, size_t earlier, const MediaFrame& frame) override {
    {
      std::lock_guard lock(arrivalsMutex_);
      ++arrivals_[{&client, camera}];
      ++totalArrivals_;
      backlogMax_ = std::max(backlogMax_, earlier);
    }
    stream_ = log_.stream(&client, camera);
    const double scale = frame.timeStampScale() ? static_cast<double>(frame.timeStampScale()) : 1e6;
    seq_ = log_.arrived(stream_, Clock::now(), static_cast<double>(frame.timeStamp()) / scale);
  }
  CompletionHandler completion(CompletionHandler handler) override {
    return [this, gate = gate_, handler = std::move(handler), stream = stream_, seq = seq_](DecodedVideoFrame picture) {
      handler(picture);
      if (!picture.gotPicture) return;
      std::lock_guard lock(gate->mutex);
      if (!gate->open) return;
      decoded_.fetch_add(1);
      log_.pictureReady(stream, seq, Clock::now());
    };
  }

  AgeLog& log_;
  // Counted on the network threads, read on the main thread.
  mutable std::mutex arrivalsMutex_;
  std::map<std::pair<const NetworkClient*, int64_t>, uint64_t> arrivals_;
  uint64_t totalArrivals_ = 0;
  size_t backlogMax_ = 0;
  // From a frame's arrival to its completion handler, on the thread that hands it over.
  static thread_local int stream_;
  static thread_local uint64_t seq_;
  // From the decoding queues.
  std::atomic<uint64_t> decoded_{0};
  struct Gate {
    std::mutex mutex;
    bool open = true;
  };
  const std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
};

// The view, telling the log when each of its render thread's turns took the planes'
// pictures (once that turn's frame is finished: a picture counts as shown only by a
// frame that reaches the window) and when the GUI has swapped a frame to the window.
class MeasuredView : public VideoView {
 public:
  explicit MeasuredView(AgeLog& log) : log_(log) {
    connect(this, &VideoView::frameShown, this, [this] { log_.renderEnded(Clock::now()); });
  }

 protected:
  void renderWillTakePictures() override { taking_ = Clock::now(); }
  void renderDidFinish() override { log_.renderStarted(taking_); }

 private:
  AgeLog& log_;
  // The render thread's.
  Clock::time_point taking_{};
};

thread_local int MeasuredDecoders::stream_ = 0;
thread_local uint64_t MeasuredDecoders::seq_ = 0;

class NoSound : public WallAudioPort {
 public:
  void initialize() override {}
  void play(const uint8_t*, int, const CodecInfo&) override {}
  void stop() override {}
  void discardDelayedData() override {}
};

emulator::LiveRecorderConfig liveConfig(int cameras, int width) {
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

struct Recorder {
  Recorder(int cameras, int width) : live(liveConfig(cameras, width)), emulator(emulatorConfig(cameras)) {
    live.install(emulator);
    started = emulator.start();
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
  uint64_t sent(int cameras) const {
    uint64_t total = 0;
    for (int c = 0; c < cameras; ++c) total += live.videoFramesSent(c);
    return total;
  }

  emulator::LiveRecorder live;  // outlives its emulator
  emulator::RecorderEmulator emulator;
  bool started = false;
};

// ---- Cases

// Arguments: picture width (352 or 704), layout (7: 64 planes a page; 3: 16), cameras
// per recorder (two recorders, bound to planes 0.. and 32..), busy threads the bench
// starts beside the wall.
struct Case {
  int width, layout, cameras, busy;

  int divisions() const { return layout + 1; }
  // The planes bound and on the first page.
  std::vector<int> shownPlanes() const {
    std::vector<int> planes;
    const int onPage = divisions() * divisions();
    for (int p = 0; p < std::min(onPage, 64); ++p)
      if (p < cameras || (p >= 32 && p < 32 + cameras)) planes.push_back(p);
    return planes;
  }
  std::string name() const {
    std::string n = std::to_string(shownPlanes().size()) + " x " + (width == 704 ? "704x480" : "352x240") +
                    ", layout " + std::to_string(layout);
    if (busy) n += ", " + std::to_string(busy) + " busy threads";
    return n;
  }
};

Case caseOf(const benchmark::State& state) {
  return {static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), static_cast<int>(state.range(2)),
          static_cast<int>(state.range(3))};
}

// The figures common to both runners, and the counters of Google Benchmark.
void finish(benchmark::State& state, CaseFigures& f, AgeLog& log, double from, double to, const CpuShares& cpu,
            const MainThreadProbe& main) {
  f.seconds = to - from;
  const double edge = std::min(10.0, f.seconds / 2);
  AgeLog::Ages ages = log.ages(from, to, edge, true);
  f.ageP50 = percentile(ages.all, 0.50);
  f.ageP95 = percentile(ages.all, 0.95);
  f.ageMax = maximum(ages.all);
  f.ageFirstP95 = percentile(ages.first, 0.95);
  f.ageLastP95 = percentile(ages.last, 0.95);
  f.renders = static_cast<double>(ages.renders) / f.seconds;
  f.unshown = static_cast<double>(log.unshownBefore(to - 1.0));
  if (f.runner == "wall") f.handoverAgeP95 = percentile(log.ages(from, to, edge, false).all, 0.95);
  for (int g = 0; g < GroupCount; ++g) f.cpuPerStream[g] = cpu.seconds[g] / f.seconds / f.streams;
  f.mainCpu = cpu.seconds[Main] / f.seconds;
  f.mainBusy = main.busyShare();
  f.timerLateP95 = main.latenessP95();
  f.timerLateMax = main.latenessMax();
  f.loadEnd = loadAverage();
  f.rssEnd = residentMegabytes();
  for (const auto& [name, seconds] : cpu.others)
    if (seconds / f.seconds > 0.02)
      std::fprintf(stderr, "  %s/%s: thread \"%s\" %.0f %% of a core (other)\n", f.name.c_str(), f.runner.c_str(),
                   name.c_str(), seconds / f.seconds * 100);

  auto& c = state.counters;
  c["streams"] = f.streams;
  c["sent_per_s"] = f.sent;
  c["arrived_per_s"] = f.arrived;
  c["decoded_per_s"] = f.decoded;
  c["skipped_per_s"] = f.skipped;
  c["dropped_per_s"] = f.dropped;
  c["renders_per_s"] = f.renders;
  c["age_p50_ms"] = f.ageP50;
  c["age_p95_ms"] = f.ageP95;
  c["age_max_ms"] = f.ageMax;
  c["age_first10_p95_ms"] = f.ageFirstP95;
  c["age_last10_p95_ms"] = f.ageLastP95;
  if (f.runner == "wall") c["age_handover_p95_ms"] = f.handoverAgeP95;
  c["unshown"] = f.unshown;
  c["queue_max"] = f.queueMax;
  c["main_busy"] = f.mainBusy;
  c["main_cpu"] = f.mainCpu;
  c["timer_late_p95_ms"] = f.timerLateP95;
  c["timer_late_max_ms"] = f.timerLateMax;
  for (int g = 0; g < Busy; ++g) c[std::string("cpu_") + GroupNames[g] + "_per_stream"] = f.cpuPerStream[g];
  c["rss_warm_mb"] = f.rssWarm;
  c["rss_end_mb"] = f.rssEnd;
  c["load_start"] = f.loadStart;
  c["load_end"] = f.loadEnd;
  allFigures().push_back(f);
}

void BM_Wall(benchmark::State& state) {
  const Case k = caseOf(state);
  const double seconds = steadySeconds();
  CaseFigures f;
  f.name = k.name();
  f.runner = "wall";
  f.loadStart = loadAverage();
  f.streams = static_cast<double>(k.shownPlanes().size());

  BusyThreads busy(k.busy);
  AgeLog log;
  Recorder first(k.cameras, k.width), second(k.cameras, k.width);
  if (!first.started || !second.started) {
    fail(state, "emulator did not start");
    return;
  }
  MeasuredDecoders decoders(log);
  NoSound sound;
  auto view = std::make_unique<MeasuredView>(log);
  auto controller = std::make_unique<VideoViewController>(
      *view, VideoViewController::Collaborators{&sharedLiveClientFactory(), &decoders, &sound,
                                                &mainThreadTimerFactory()});
  view->setControllerQueries(controller.get());
  controller->awake();
  view->resize(ViewWidth, ViewHeight);
  view->move(0, 0);
  view->show();
  if (!waitUntil([&] { return view->renderCount() > 0; }, std::chrono::seconds(30)) ||
      !view->hasScreen()) {
    fail(state, "no GL view");
    return;
  }
  view->setLayout(static_cast<VideoViewLayout>(k.layout));
  view->setSelectedPlane(0);
  controller->connectToSite(first.site(k.cameras), 0);
  controller->connectToSite(second.site(k.cameras), 32);

  // Warm-up: every shown camera has streamed, then a few seconds more.
  const size_t shown = k.shownPlanes().size();
  if (!waitUntil([&] { return decoders.fewestArrivals(shown) >= 1; }, std::chrono::seconds(90))) {
    std::fprintf(stderr, "cameras streaming: %zu of %zu, fewest frames %llu, renders %d\n", decoders.cameraCount(),
                 shown, static_cast<unsigned long long>(decoders.fewestArrivals(0)), view->renderCount());
    fail(state, "cameras did not all stream");
    return;
  }
  MainThreadProbe mainProbe;
  serveEventsFor(warmUpSeconds());
  f.rssWarm = residentMegabytes();

  CpuShares cpu;
  double from = 0, to = 0;
  for (auto _ : state) {
    decoders.resetBacklog();
    auto before = threadTimes();
    const uint64_t sentBefore = first.sent(k.cameras) + second.sent(k.cameras);
    const uint64_t arrivedBefore = decoders.totalArrivals(), decodedBefore = decoders.decoded();
    const int64_t skippedBefore = skippedPictures(*view), droppedBefore = droppedFrames();
    mainProbe.start();
    const auto start = Clock::now();
    serveEventsFor(seconds);
    const auto end = Clock::now();
    mainProbe.stop();
    cpu = cpuBetween(before, threadTimes());
    from = secondsSince(log.origin(), start);
    to = secondsSince(log.origin(), end);
    const double elapsed = to - from;
    f.sent = static_cast<double>(first.sent(k.cameras) + second.sent(k.cameras) - sentBefore) / elapsed;
    f.arrived = static_cast<double>(decoders.totalArrivals() - arrivedBefore) / elapsed;
    f.decoded = static_cast<double>(decoders.decoded() - decodedBefore) / elapsed;
    if (skippedBefore >= 0) f.skipped = static_cast<double>(skippedPictures(*view) - skippedBefore) / elapsed;
    if (droppedBefore >= 0) f.dropped = static_cast<double>(droppedFrames() - droppedBefore) / elapsed;
    f.queueMax = static_cast<double>(decoders.backlogMax());
  }
  finish(state, f, log, from, to, cpu, mainProbe);

  controller->unbindAllPlanes();
  waitUntil([&] { return controller->observedClientCount() == 0; }, std::chrono::seconds(30));
  controller.reset();
  view.reset();
}

void BM_PlainLoop(benchmark::State& state) {
  const Case k = caseOf(state);
  const double seconds = steadySeconds();
  CaseFigures f;
  f.name = k.name();
  f.runner = "plain";
  f.loadStart = loadAverage();
  f.streams = static_cast<double>(k.shownPlanes().size());

  BusyThreads busy(k.busy);
  AgeLog log;
  // The recorders' own media, camera by camera (the plane's camera is plane % 32).
  emulator::LiveRecorderConfig config = liveConfig(k.cameras, k.width);
  emulator::LiveRecorder media(config);
  std::vector<PlainStream> streams;
  for (int plane : k.shownPlanes()) streams.push_back({plane, &media.videoFrames(plane % 32)});
  PlainLoop loop(streams, k.divisions(), ViewWidth, ViewHeight, refreshPeriodMs(), config.framePause, log);
  std::string error;
  if (!loop.start(error)) {
    fail(state, error);
    return;
  }
  MainThreadProbe mainProbe;
  if (!waitUntil([&] { return loop.everyStreamShown(); }, std::chrono::seconds(90))) {
    fail(state, "the plain loop did not show every stream");
    return;
  }
  serveEventsFor(warmUpSeconds());
  f.rssWarm = residentMegabytes();

  CpuShares cpu;
  double from = 0, to = 0;
  for (auto _ : state) {
    loop.resetQueueMax();
    auto before = threadTimes();
    const uint64_t sentBefore = loop.sent(), decodedBefore = loop.decoded(), skippedBefore = loop.skipped();
    mainProbe.start();
    const auto start = Clock::now();
    serveEventsFor(seconds);
    const auto end = Clock::now();
    mainProbe.stop();
    cpu = cpuBetween(before, threadTimes());
    from = secondsSince(log.origin(), start);
    to = secondsSince(log.origin(), end);
    const double elapsed = to - from;
    f.sent = static_cast<double>(loop.sent() - sentBefore) / elapsed;
    f.arrived = f.sent;
    f.decoded = static_cast<double>(loop.decoded() - decodedBefore) / elapsed;
    f.skipped = static_cast<double>(loop.skipped() - skippedBefore) / elapsed;
    f.dropped = 0;
    f.queueMax = static_cast<double>(loop.queueMax());
  }
  finish(state, f, log, from, to, cpu, mainProbe);
}

// The promise's cases; each runs the wall and then the plain loop, so that a change in
// the machine's load touches both sides of a ratio alike.
void registerCases() {
  const std::vector<Case> full = {{704, 7, 32, 0}, {352, 7, 32, 0}, {352, 3, 32, 0},
                                  {352, 7, 8, 0},  {352, 7, 2, 0},  {704, 7, 32, 4}};
  // Both layouts and both picture sizes on few streams.
  const std::vector<Case> brief = {{352, 7, 4, 0}, {704, 3, 2, 0}};
  for (const Case& c : shortRun() ? brief : full)
    for (auto [name, function] : {std::pair{"BM_Wall", &BM_Wall}, std::pair{"BM_PlainLoop", &BM_PlainLoop}})
      benchmark::RegisterBenchmark(name, function)
          ->ArgNames({"width", "layout", "cameras_per_recorder", "busy"})
          ->Args({c.width, c.layout, c.cameras, c.busy})
          ->Iterations(1)
          ->Unit(benchmark::kSecond)
          ->UseRealTime();
}

}  // namespace
}  // namespace zelvo

int main(int argc, char** argv) {
  zelvo::wallbench::MeasuredApplication<QApplication> app(argc, argv);
  zelvo::installMainThreadHops();
  zelvo::registerCases();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zelvo::wallbench::printTables(stdout);
  zelvo::closeMainThreadHops();
  if (zelvo::shortRun() && zelvo::failedCases > 0) {
    std::fprintf(stderr, "wall_bench: %d case(s) could not run\n", zelvo::failedCases);
    return 1;
  }
  return 0;
}
