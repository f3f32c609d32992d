#pragma once
// The plain loop beside the wall: the same streams at the same beat, decoded with
// libavcodec (one thread and one decoder per stream, as the wall's serial queues) into
// a newest-picture slot per stream, and drawn with the kit's own planes and shaders
// (MultiDivisionPlane) by one render thread at the display's refresh, into an EGL
// pbuffer of the view's size. No widgets, no controller, no network: what the wall's
// structure costs shows as the difference between the two.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "WallMeasures.h"
#include "openglkit/GLTestContext.h"
#include "openglkit/MultiDivisionPlane.h"

namespace zelvo::wallbench {

struct PlainStream {
  int plane;
  const std::vector<std::vector<uint8_t>>* units;  // the camera's access units, in sending order
};

class PlainLoop {
 public:
  PlainLoop(const std::vector<PlainStream>& streams, int divisions, int viewWidth, int viewHeight, double periodMs,
            std::chrono::milliseconds framePause, AgeLog& log)
      : divisions_(divisions),
        viewWidth_(viewWidth),
        viewHeight_(viewHeight),
        period_(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(periodMs))),
        framePause_(framePause),
        log_(log) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    for (const PlainStream& s : streams) {
      auto w = std::make_unique<Worker>();
      w->plane = s.plane;
      w->stream = log_.stream(this, s.plane);
      for (const auto& unit : *s.units) {
        AVPacket* packet = av_packet_alloc();
        av_new_packet(packet, static_cast<int>(unit.size()));  // padded, zeroed, reference-counted
        std::memcpy(packet->data, unit.data(), unit.size());
        w->packets.push_back(packet);
      }
      w->context = avcodec_alloc_context3(codec);
      w->context->thread_count = 1;
      avcodec_open2(w->context, codec, nullptr);
      w->slot = av_frame_alloc();
      workers_.push_back(std::move(w));
    }
  }

  ~PlainLoop() {
    stop_ = true;
    if (feeder_.joinable()) feeder_.join();
    for (auto& w : workers_) {
      {
        std::lock_guard lock(w->mutex);
        w->stopping = true;
      }
      w->wake.notify_all();
      if (w->thread.joinable()) w->thread.join();
    }
    if (renderer_.joinable()) renderer_.join();
    for (auto& w : workers_) {
      for (auto& item : w->queue) av_packet_free(&item.packet);
      for (AVPacket*& p : w->packets) av_packet_free(&p);
      avcodec_free_context(&w->context);
      av_frame_free(&w->slot);
    }
  }

  // Starts the render thread (and waits for its context), then the decoders and the
  // feeder. False, with the reason, when there is no GL.
  bool start(std::string& error) {
    renderer_ = std::thread([this] { render(); });
    {
      std::unique_lock lock(readyMutex_);
      readyChanged_.wait(lock, [this] { return glState_ != 0; });
    }
    if (glState_ < 0) {
      error = glError_;
      return false;
    }
    for (auto& w : workers_) w->thread = std::thread([this, w = w.get()] { decode(*w); });
    feeder_ = std::thread([this] { feed(); });
    return true;
  }

  bool everyStreamShown() const {
    for (const auto& w : workers_)
      if (!w->everShown.load()) return false;
    return true;
  }
  uint64_t sent() const { return sent_.load(); }
  uint64_t decoded() const { return decoded_.load(); }
  uint64_t skipped() const { return skipped_.load(); }
  uint64_t renders() const { return renders_.load(); }
  void resetQueueMax() { queueMax_ = 0; }
  size_t queueMax() const { return queueMax_.load(); }

 private:
  struct Item {
    AVPacket* packet;
    uint64_t seq;
  };
  struct Worker {
    int plane = 0;
    int stream = 0;
    std::vector<AVPacket*> packets;
    AVCodecContext* context = nullptr;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Item> queue;
    bool stopping = false;
    std::atomic<size_t> inFlight{0};
    // The newest picture, not yet drawn while fresh.
    std::mutex slotMutex;
    AVFrame* slot = nullptr;
    bool fresh = false;
    uint64_t slotSeq = 0;
    std::atomic<bool> everShown{false};
  };

  // At the recorder's beat: every stream's next frame, as one round.
  void feed() {
    nameThisThread("plain-feed");
    auto next = Clock::now();
    uint64_t index = 0;
    while (!stop_.load()) {
      for (auto& w : workers_) {
        AVPacket* packet = av_packet_clone(w->packets[index % w->packets.size()]);
        const size_t earlier = w->inFlight.fetch_add(1);
        size_t seen = queueMax_.load();
        while (earlier > seen && !queueMax_.compare_exchange_weak(seen, earlier)) {
        }
        const uint64_t seq = log_.arrived(w->stream, Clock::now());
        {
          std::lock_guard lock(w->mutex);
          w->queue.push_back({packet, seq});
        }
        w->wake.notify_one();
        sent_.fetch_add(1);
      }
      ++index;
      next += framePause_;
      const auto now = Clock::now();
      if (now > next + framePause_) next = now;
      std::this_thread::sleep_until(next);
    }
  }

  void decode(Worker& w) {
    nameThisThread("plain-decode");
    AVFrame* picture = av_frame_alloc();
    for (;;) {
      Item item{};
      {
        std::unique_lock lock(w.mutex);
        w.wake.wait(lock, [&] { return w.stopping || !w.queue.empty(); });
        if (w.stopping) break;
        item = w.queue.front();
        w.queue.pop_front();
      }
      if (avcodec_send_packet(w.context, item.packet) == 0)
        while (avcodec_receive_frame(w.context, picture) == 0) {
          std::lock_guard lock(w.slotMutex);
          if (w.fresh) skipped_.fetch_add(1);
          av_frame_unref(w.slot);
          av_frame_move_ref(w.slot, picture);
          w.fresh = true;
          w.slotSeq = item.seq;
          decoded_.fetch_add(1);
        }
      av_packet_free(&item.packet);
      w.inFlight.fetch_sub(1);
    }
    av_frame_free(&picture);
  }

  void render() {
    nameThisThread("plain-render");
    test::GLTestContext gl(viewWidth_, viewHeight_);
    auto wall = std::make_unique<MultiDivisionPlane>(64);
    auto ready = [this](int state, std::string why) {
      std::lock_guard lock(readyMutex_);
      glError_ = std::move(why);
      glState_ = state;
      readyChanged_.notify_all();
    };
    if (!gl.isValid()) {
      ready(-1, "no GL context for the plain loop: " + gl.error());
      return;
    }
    if (!wall->init(GL_TEXTURE0, GL_TEXTURE1, GL_TEXTURE2, GL_TEXTURE3, static_cast<float>(viewWidth_),
                    static_cast<float>(viewHeight_))) {
      ready(-1, "the plain loop's video program did not build");
      return;
    }
    wall->setLayout(0, divisions_);
    glViewport(0, 0, viewWidth_, viewHeight_);
    glClearColor(0, 0, 0, 1);
    ready(1, {});
    AVFrame* picture = av_frame_alloc();
    const auto origin = Clock::now();
    auto next = origin;
    while (!stop_.load()) {
      const auto start = Clock::now();
      for (auto& w : workers_) {
        uint64_t seq = 0;
        {
          std::lock_guard lock(w->slotMutex);
          if (!w->fresh) continue;
          av_frame_unref(picture);
          av_frame_move_ref(picture, w->slot);
          w->fresh = false;
          seq = w->slotSeq;
        }
        wall->updateVideoTexture(w->plane, picture->width, picture->height, picture->linesize[0], picture->data[0],
                                 1.0f, 1.0f, picture->data[1], picture->data[2]);
        log_.shown(w->stream, seq);
        w->everShown = true;
      }
      glClear(GL_COLOR_BUFFER_BIT);
      wall->update(static_cast<float>(secondsSince(origin, start)));
      wall->render();
      glFinish();
      log_.renderEnded(Clock::now());
      renders_.fetch_add(1);
      next = start + period_;
      const auto now = Clock::now();
      if (now < next) std::this_thread::sleep_until(next);
    }
    av_frame_free(&picture);
    wall.reset();
  }

  const int divisions_, viewWidth_, viewHeight_;
  const Clock::duration period_;
  const std::chrono::milliseconds framePause_;
  AgeLog& log_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::thread feeder_, renderer_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> sent_{0}, decoded_{0}, skipped_{0}, renders_{0};
  std::atomic<size_t> queueMax_{0};
  std::mutex readyMutex_;
  std::condition_variable readyChanged_;
  int glState_ = 0;  // 1 ready, -1 failed
  std::string glError_;
};

}  // namespace zelvo::wallbench
