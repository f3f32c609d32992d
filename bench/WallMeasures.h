#pragma once
// What the wall bench measures of a running wall, shared by the application's wall and
// the plain loop beside it: picture age from a frame's arrival to the end of the first
// render that shows it (or a newer picture of its camera), thread CPU by role, resident
// memory, the machine's load, the main thread's busy share (its time in event delivery)
// and the lateness of a 10 ms timer on it, and busy threads that take cores away.

#include <QEvent>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <dirent.h>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <pthread.h>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zelvo::wallbench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point origin, Clock::time_point t) {
  return std::chrono::duration<double>(t - origin).count();
}

inline double percentile(std::vector<double> values, double p) {
  if (values.empty()) return std::nan("");
  std::sort(values.begin(), values.end());
  size_t index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

inline double maximum(const std::vector<double>& values) {
  return values.empty() ? std::nan("") : *std::max_element(values.begin(), values.end());
}

// ---- Picture age

// Every frame of every stream from its arrival to the render that shows it or a newer
// picture of the same stream. A picture counts as shown by a render when the render
// took it: either the renderer says so (shown), or the picture was ready (in its
// texture or slot) before the render began (renderStarted). Thread-safe.
class AgeLog {
 public:
  struct Shown {
    int stream;
    double arrival;   // seconds on the bench's clock
    double stampSec;  // the sender's stamp (seconds since its own start), NaN without one
    double shownAt;   // the end of the render
  };

  // A stream of one sender (a recorder's connection: one clock for all its stamps).
  int stream(const void* sender, int64_t camera) {
    std::lock_guard lock(mutex_);
    auto [it, added] = streamIds_.try_emplace({sender, camera}, static_cast<int>(streams_.size()));
    if (added) {
      auto [senderIt, senderAdded] = senderIds_.try_emplace(sender, static_cast<int>(senderIds_.size()));
      (void)senderAdded;
      streams_.push_back({senderIt->second, 0, {}});
    }
    return it->second;
  }

  // The frame's sequence number in its stream.
  uint64_t arrived(int stream, Clock::time_point at, double stampSec = std::nan("")) {
    std::lock_guard lock(mutex_);
    Stream& s = streams_[static_cast<size_t>(stream)];
    const uint64_t seq = s.next++;
    s.pending.push_back({seq, secondsSince(origin_, at), stampSec});
    if (!std::isnan(stampSec)) {
      const double offset = std::min(senderOffsetOrInf(s.sender), secondsSince(origin_, at) - stampSec);
      senderOffset_[s.sender] = offset;
    }
    return seq;
  }

  // The picture of that frame is where the next render takes it from.
  void pictureReady(int stream, uint64_t seq, Clock::time_point at) {
    std::lock_guard lock(mutex_);
    ready_.push_back({stream, seq, at});
  }

  void renderStarted(Clock::time_point at) {
    std::lock_guard lock(mutex_);
    auto keep = ready_.begin();
    for (auto it = ready_.begin(); it != ready_.end(); ++it) {
      if (it->at <= at)
        takeLocked(it->stream, it->seq);
      else
        *keep++ = *it;
    }
    ready_.erase(keep, ready_.end());
  }

  // The render that is running took this picture.
  void shown(int stream, uint64_t seq) {
    std::lock_guard lock(mutex_);
    takeLocked(stream, seq);
  }

  void renderEnded(Clock::time_point at) {
    std::lock_guard lock(mutex_);
    const double end = secondsSince(origin_, at);
    for (auto [stream, seq] : taking_) {
      Stream& s = streams_[static_cast<size_t>(stream)];
      while (!s.pending.empty() && s.pending.front().seq <= seq) {
        const Pending& p = s.pending.front();
        shown_.push_back({stream, p.arrival, p.stampSec, end});
        s.pending.pop_front();
      }
    }
    taking_.clear();
    renderEnds_.push_back(end);
  }

  Clock::time_point origin() const { return origin_; }

  struct Ages {
    std::vector<double> all, first, last;  // milliseconds
    size_t renders = 0;
  };
  // Ages of the frames whose render ended within [from, to) (seconds on origin()),
  // first and last: those within the first and the last `edge` seconds of it. With
  // stamps, from the sender's stamp placed on this clock by the sender's least delay
  // (a frame of the run that came at once), so that time in sockets counts too;
  // otherwise from the arrival.
  Ages ages(double from, double to, double edge, bool fromStamp) {
    std::lock_guard lock(mutex_);
    Ages a;
    for (const Shown& s : shown_) {
      if (s.shownAt < from || s.shownAt >= to) continue;
      double start = s.arrival;
      if (fromStamp && !std::isnan(s.stampSec)) start = senderOffsetOrInf(streams_[static_cast<size_t>(s.stream)].sender) + s.stampSec;
      const double ms = (s.shownAt - start) * 1000.0;
      a.all.push_back(ms);
      if (s.shownAt < from + edge) a.first.push_back(ms);
      if (s.shownAt >= to - edge) a.last.push_back(ms);
    }
    for (double end : renderEnds_)
      if (end >= from && end < to) ++a.renders;
    return a;
  }

  // Frames that arrived before `before` (seconds on origin()) and are not shown yet.
  size_t unshownBefore(double before) {
    std::lock_guard lock(mutex_);
    size_t count = 0;
    for (const Stream& s : streams_)
      for (const Pending& p : s.pending)
        if (p.arrival < before) ++count;
    return count;
  }

 private:
  struct Pending {
    uint64_t seq;
    double arrival;
    double stampSec;
  };
  struct Stream {
    int sender;
    uint64_t next;
    std::deque<Pending> pending;
  };
  struct Ready {
    int stream;
    uint64_t seq;
    Clock::time_point at;
  };

  double senderOffsetOrInf(int sender) const {
    auto it = senderOffset_.find(sender);
    return it == senderOffset_.end() ? std::numeric_limits<double>::infinity() : it->second;
  }
  void takeLocked(int stream, uint64_t seq) {
    for (auto& [s, q] : taking_)
      if (s == stream) {
        q = std::max(q, seq);
        return;
      }
    taking_.push_back({stream, seq});
  }

  const Clock::time_point origin_ = Clock::now();
  std::mutex mutex_;
  std::map<std::pair<const void*, int64_t>, int> streamIds_;
  std::map<const void*, int> senderIds_;
  std::map<int, double> senderOffset_;
  std::vector<Stream> streams_;
  std::vector<Ready> ready_;
  std::vector<std::pair<int, uint64_t>> taking_;
  std::vector<Shown> shown_;
  std::vector<double> renderEnds_;
};

// ---- Threads and their CPU

struct ThreadTime {
  std::string name;
  double seconds = 0;
};

inline std::map<int, ThreadTime> threadTimes() {
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

enum Group { Network, Decoding, Main, Render, Llvmpipe, Other, Busy, GroupCount };
inline const char* const GroupNames[GroupCount] = {"network", "decoding", "main", "render", "llvmpipe", "other", "busy"};

// By the names the threads give themselves (the kernel keeps 15 bytes of them).
inline Group groupOf(int tid, const std::string& name) {
  if (tid == getpid()) return Main;
  if (name == "NetworkThread" || name == "plain-feed") return Network;
  if (name == "ecurity.decoder" || name == "plain-decode") return Decoding;  // the queue label's last 15 bytes
  if (name.rfind("llvmpipe", 0) == 0) return Llvmpipe;
  if (name == "busy") return Busy;
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower.find("render") != std::string::npos || lower.find("display") != std::string::npos) return Render;
  return Other;
}

struct CpuShares {
  std::array<double, GroupCount> seconds{};
  std::map<std::string, double> others;  // names in "other", for a new thread to be placed
};

inline CpuShares cpuBetween(const std::map<int, ThreadTime>& before, const std::map<int, ThreadTime>& after) {
  CpuShares cpu;
  for (const auto& [tid, t] : after) {
    auto it = before.find(tid);
    double used = t.seconds - (it != before.end() ? it->second.seconds : 0.0);
    Group g = groupOf(tid, t.name);
    cpu.seconds[g] += used;
    if (g == Other && used > 0) cpu.others[t.name] += used;
  }
  return cpu;
}

inline double residentMegabytes() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

// The one-minute load average of the machine.
inline double loadAverage() {
  std::ifstream in("/proc/loadavg");
  double load = 0;
  in >> load;
  return load;
}

inline void nameThisThread(const char* name) { pthread_setname_np(pthread_self(), name); }

// Threads that spin, each on a core of its own as far as the scheduler gives one.
class BusyThreads {
 public:
  explicit BusyThreads(int count) {
    for (int i = 0; i < count; ++i)
      threads_.emplace_back([this] {
        nameThisThread("busy");
        volatile uint64_t sink = 0;
        while (!stop_.load(std::memory_order_relaxed))
          for (int k = 0; k < 100000; ++k) sink = sink + static_cast<uint64_t>(k);
      });
  }
  ~BusyThreads() {
    stop_ = true;
    for (auto& t : threads_) t.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

// ---- The main thread

// The time the main thread spends delivering events (its whole share of work: every
// paint, hop, timer and socket event is one), summed by the application object.
inline std::atomic<int64_t>& mainThreadBusyNanoseconds() {
  static std::atomic<int64_t> busy{0};
  return busy;
}

template <typename Application>
class MeasuredApplication : public Application {
 public:
  using Application::Application;
  bool notify(QObject* receiver, QEvent* event) override {
    if (QThread::currentThread() != this->thread()) return Application::notify(receiver, event);
    if (depth_++ > 0) {
      bool handled = Application::notify(receiver, event);
      --depth_;
      return handled;
    }
    const auto start = Clock::now();
    bool handled = Application::notify(receiver, event);
    --depth_;
    mainThreadBusyNanoseconds().fetch_add(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count(),
                                          std::memory_order_relaxed);
    return handled;
  }

 private:
  int depth_ = 0;  // main thread only
};

// The main thread's busy share over a period, and how late a 10 ms timer on it fires.
class MainThreadProbe : public QObject {
 public:
  MainThreadProbe() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
      const auto now = Clock::now();
      if (measuring_) lateness_.push_back(std::chrono::duration<double, std::milli>(now - due_).count());
      arm();
    });
    arm();
  }
  void start() {
    measuring_ = true;
    lateness_.clear();
    busyStart_ = mainThreadBusyNanoseconds().load();
    start_ = Clock::now();
  }
  void stop() {
    measuring_ = false;
    busyStop_ = mainThreadBusyNanoseconds().load();
    stop_ = Clock::now();
  }
  double busyShare() const {
    const double total = std::chrono::duration<double>(stop_ - start_).count();
    return total > 0 ? static_cast<double>(busyStop_ - busyStart_) / 1e9 / total : std::nan("");
  }
  double latenessP95() const { return percentile(lateness_, 0.95); }
  double latenessMax() const { return maximum(lateness_); }

 private:
  void arm() {
    due_ = Clock::now() + std::chrono::milliseconds(10);
    timer_.start(10);
  }

  QTimer timer_;
  Clock::time_point due_;
  Clock::time_point start_, stop_;
  int64_t busyStart_ = 0, busyStop_ = 0;
  bool measuring_ = false;
  std::vector<double> lateness_;
};

// ---- One case's figures, and the tables of all

struct CaseFigures {
  std::string name;    // "64 x 704x480, layout 7"
  std::string runner;  // "wall" or "plain"
  double seconds = 0;
  double streams = 0;
  double sent = 0, arrived = 0, decoded = 0;  // per second
  double skipped = -1, dropped = -1;          // per second; -1 where nothing counts them
  double renders = 0;                         // per second
  double ageP50 = 0, ageP95 = 0, ageMax = 0, ageFirstP95 = 0, ageLastP95 = 0;
  double handoverAgeP95 = std::nan("");  // from the hand-over to the decoders (the wall only)
  double unshown = 0;                    // frames more than a second old never shown at the end
  double queueMax = 0;
  double mainBusy = 0, mainCpu = 0, timerLateP95 = 0, timerLateMax = 0;
  std::array<double, GroupCount> cpuPerStream{};  // cores per stream
  double rssWarm = 0, rssEnd = 0;
  double loadStart = 0, loadEnd = 0;
};

inline std::vector<CaseFigures>& allFigures() {
  static std::vector<CaseFigures> figures;
  return figures;
}

inline std::string cell(double value, int decimals = 1) {
  if (std::isnan(value)) return "n/a";
  if (value < 0) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

inline const CaseFigures* plainOf(const CaseFigures& wall) {
  for (const CaseFigures& f : allFigures())
    if (f.runner == "plain" && f.name == wall.name) return &f;
  return nullptr;
}

inline void printTables(FILE* out) {
  const auto& figures = allFigures();
  if (figures.empty()) return;
  std::fprintf(out,
               "\nWall bench: %.0f s steady per case; per second unless named; ages in ms from arrival (the wall: the "
               "recorder's stamp; from hand-over: to the decoders); load: 1-minute load average at start-end\n",
               figures.front().seconds);
  std::fprintf(out,
               "| case | runner | load | sent | arrived | decoded | skipped | dropped | renders | age p50 | age p95 | "
               "age max | p95 first 10 s | p95 last 10 s | p95 from hand-over | queue max | main busy %% | main CPU %% | "
               "timer late p95 ms | RSS warm MB | RSS end MB |\n");
  std::fprintf(out, "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const CaseFigures& f : figures)
    std::fprintf(out,
                 "| %s | %s | %s-%s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | "
                 "%s | %s |\n",
                 f.name.c_str(), f.runner.c_str(), cell(f.loadStart).c_str(), cell(f.loadEnd).c_str(),
                 cell(f.sent).c_str(), cell(f.arrived).c_str(), cell(f.decoded).c_str(), cell(f.skipped).c_str(),
                 cell(f.dropped).c_str(), cell(f.renders).c_str(), cell(f.ageP50, 0).c_str(), cell(f.ageP95, 0).c_str(),
                 cell(f.ageMax, 0).c_str(), cell(f.ageFirstP95, 0).c_str(), cell(f.ageLastP95, 0).c_str(),
                 cell(f.handoverAgeP95, 0).c_str(), cell(f.queueMax, 0).c_str(), cell(f.mainBusy * 100, 0).c_str(),
                 cell(f.mainCpu * 100, 0).c_str(), cell(f.timerLateP95).c_str(),
                 cell(f.rssWarm, 0).c_str(), cell(f.rssEnd, 0).c_str());

  std::fprintf(out, "\nCPU per stream, %% of one core, by thread (plain loop: its feeder under network)\n");
  std::fprintf(out, "| case | runner | network | decoding | main | render | llvmpipe | other | all |\n");
  std::fprintf(out, "|---|---|---|---|---|---|---|---|---|\n");
  for (const CaseFigures& f : figures) {
    double all = 0;
    for (int g = 0; g < Busy; ++g) all += f.cpuPerStream[g];
    std::fprintf(out, "| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", f.name.c_str(), f.runner.c_str(),
                 cell(f.cpuPerStream[Network] * 100).c_str(), cell(f.cpuPerStream[Decoding] * 100).c_str(),
                 cell(f.cpuPerStream[Main] * 100).c_str(), cell(f.cpuPerStream[Render] * 100).c_str(),
                 cell(f.cpuPerStream[Llvmpipe] * 100).c_str(), cell(f.cpuPerStream[Other] * 100).c_str(),
                 cell(all * 100).c_str());
  }

  // The promise, case by case (the wall's figures; the last two against the plain loop's).
  std::fprintf(out,
               "\nGoals (wall): arrived = sent within 1 %%; age p95 <= 2 render periods + 50 ms; age max < 500 ms; "
               "last 10 s p95 <= first 10 s p95 + 1 render period; RSS end within 5 %% of warm; timer late p95 < 10 ms; "
               "renders >= 0.9 x plain; age p95 <= 1.2 x plain\n");
  std::fprintf(out, "| case | arrived=sent | p95 | max | no growth | RSS | timer | renders vs plain | p95 vs plain |\n");
  std::fprintf(out, "|---|---|---|---|---|---|---|---|---|\n");
  auto yes = [](bool ok) { return ok ? "yes" : "NO"; };
  for (const CaseFigures& f : figures) {
    if (f.runner != "wall") continue;
    const double period = f.renders > 0 ? 1000.0 / f.renders : std::nan("");
    const CaseFigures* plain = plainOf(f);
    char rendersVs[48] = "n/a", p95Vs[48] = "n/a";
    if (plain && plain->renders > 0)
      std::snprintf(rendersVs, sizeof rendersVs, "%s (%.2f)", yes(f.renders >= 0.9 * plain->renders),
                    f.renders / plain->renders);
    if (plain && plain->ageP95 > 0)
      std::snprintf(p95Vs, sizeof p95Vs, "%s (%.2f)", yes(f.ageP95 <= 1.2 * plain->ageP95), f.ageP95 / plain->ageP95);
    std::fprintf(out, "| %s | %s (%.3f) | %s | %s | %s | %s (%+.1f %%) | %s | %s | %s |\n", f.name.c_str(),
                 yes(f.sent > 0 && std::fabs(f.arrived - f.sent) <= 0.01 * f.sent), f.sent > 0 ? f.arrived / f.sent : 0,
                 yes(f.ageP95 <= 2 * period + 50), yes(f.ageMax < 500), yes(f.ageLastP95 <= f.ageFirstP95 + period),
                 yes(std::fabs(f.rssEnd - f.rssWarm) <= 0.05 * f.rssWarm),
                 f.rssWarm > 0 ? (f.rssEnd - f.rssWarm) / f.rssWarm * 100 : 0, yes(f.timerLateP95 < 10), rendersVs,
                 p95Vs);
  }
  std::fflush(out);
}

}  // namespace zelvo::wallbench
