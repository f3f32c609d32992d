// The wall's view when drawing is slower than its cameras: a screen that takes 100 ms to
// draw, sixteen planes fed at 25 pictures a second from threads of their own, as the
// decoding queues feed them. Each render draws every plane's newest picture, the ones
// in between are counted as skipped, no feeder waits, and the main thread stays free.
#include <gtest/gtest.h>

#include <QGuiApplication>

extern "C" {
#include <libavutil/frame.h>
}

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Foundation/MainThread.h"
#include "Foundation/QueuedHandOff.h"
#include "ViewControllers/VideoView.h"
#include "VideoViewFakes.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int Cameras = 16;

uint32_t numberIn(const uint8_t* y) {
  uint32_t number;
  std::memcpy(&number, y, sizeof number);
  return number;
}

// What the feeders have put so far, per plane: the number of the newest picture.
using Latest = std::array<std::atomic<uint32_t>, Cameras>;

// A screen whose every render takes 100 ms, as software drawing of a large wall can.
// It notes the pictures each render uploads, and whether each was at least as new as
// the newest one put before the previous render ended (which must have been taken).
class SlowScreen final : public VideoViewScreen {
 public:
  explicit SlowScreen(const Latest& latest) : latest_(latest) {}

  struct Render {
    std::vector<std::pair<int, uint32_t>> uploads;  // plane, picture number
  };

  bool init(float width, float height) override {
    width_ = width;
    height_ = height;
    return true;
  }
  void renderIfNeeded(float) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the drawing's cost
    std::lock_guard lock(mutex_);
    renders_.push_back(std::move(current_));
    current_ = {};
    for (int plane = 0; plane < Cameras; ++plane) seenAtEnd_[static_cast<size_t>(plane)] = latest_[plane].load();
  }
  void setVideoFrame(int plane, int, int, int, const uint8_t* y, float, float, const uint8_t*, const uint8_t*) override {
    std::lock_guard lock(mutex_);
    const uint32_t number = numberIn(y);
    if (plane < 0 || plane >= Cameras || number < seenAtEnd_[static_cast<size_t>(plane)]) ++stale_;
    current_.uploads.emplace_back(plane, number);
  }
  void reshape(float width, float height) override {
    width_ = width;
    height_ = height;
  }
  float viewWidth() const override { return width_; }
  float viewHeight() const override { return height_; }
  int planeCount() const override { return 64; }
  void setLayout(int, int) override {}
  void setKeepAspectRatio(bool) override {}
  void setSelectionGradient(const Gradient&) override {}
  void clearPlane(int) override {}
  void clearPlaneWithGradient(int, const Gradient&) override {}
  void clearAllPlanes() override {}
  void setTitle(int, std::optional<std::string>) override {}
  void showPtzIcon(int) override {}
  void hidePtzIcon(int) override {}
  bool showHighlight(int) override { return true; }
  bool hideHighlight() override { return true; }
  void setCameraConfiguration(int, const CameraConfiguration&) override {}
  CameraConfiguration getCameraConfiguration(int) const override { return {}; }
  std::optional<RgbaImage> imageOfPlane(int, bool) override { return std::nullopt; }
  std::optional<RgbaImage> dragImageOfPlane(int) override { return std::nullopt; }

  std::vector<Render> renders() const {
    std::lock_guard lock(mutex_);
    return renders_;
  }
  int stale() const {
    std::lock_guard lock(mutex_);
    return stale_;
  }

 private:
  const Latest& latest_;
  float width_ = 0, height_ = 0;
  mutable std::mutex mutex_;
  Render current_;
  std::vector<Render> renders_;
  std::array<uint32_t, Cameras> seenAtEnd_{};
  int stale_ = 0;
};

// A camera's decoding queue: a picture every 40 ms, numbered, handed to the view.
class Feeder {
 public:
  Feeder(VideoView& view, int plane, std::atomic<uint32_t>& latest)
      : thread_([this, &view, plane, &latest] { run(view, plane, latest); }) {}
  ~Feeder() {
    stop_ = true;
    thread_.join();
  }
  // The longest a hand-over to the view took.
  std::chrono::microseconds longestPut() const { return std::chrono::microseconds(longestPutUs_.load()); }

 private:
  void run(VideoView& view, int plane, std::atomic<uint32_t>& latest) {
    AVFrame* frame = av_frame_alloc();
    frame->format = 0;  // AV_PIX_FMT_YUV420P
    frame->width = 32;
    frame->height = 16;
    Clock::time_point next = Clock::now();
    for (uint32_t number = 1; !stop_; ++number) {
      // A fresh picture each time, as a decoder's pool gives one while the view holds
      // the last.
      av_frame_unref(frame);
      frame->format = 0;
      frame->width = 32;
      frame->height = 16;
      if (av_frame_get_buffer(frame, 0) != 0) break;
      std::memcpy(frame->data[0], &number, sizeof number);
      DecodedVideoFrame decoded;
      decoded.width = 32;
      decoded.height = 16;
      decoded.picture = frame;
      decoded.gotPicture = true;
      const Clock::time_point start = Clock::now();
      view.setVideoFrame(decoded, plane, 1.0f);
      const auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
      if (took > longestPutUs_.load()) longestPutUs_ = took;
      latest = number;
      next += std::chrono::milliseconds(40);  // the camera's frame rate, not a wait for anything
      std::this_thread::sleep_until(next);
    }
    av_frame_free(&frame);
  }

  std::atomic<bool> stop_{false};
  std::atomic<int64_t> longestPutUs_{0};
  std::thread thread_;
};

// Posts a call to the main thread every 5 ms and keeps the longest it took to run.
class MainThreadProbe {
 public:
  MainThreadProbe()
      : thread_([this] {
          while (!stop_) {
            const Clock::time_point posted = Clock::now();
            runOnMain([this, posted] {
              const auto late = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - posted).count();
              if (late > longestUs_) longestUs_ = late;
              ++answered_;
            });
            ++posted_;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
        }) {}
  ~MainThreadProbe() { stop(); }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // Main thread.
  double longestMs() const { return static_cast<double>(longestUs_) / 1000.0; }
  int answered() const { return answered_; }
  // After stop.
  int posted() const { return posted_; }

 private:
  std::atomic<bool> stop_{false};
  int64_t longestUs_ = 0;
  int answered_ = 0;
  int posted_ = 0;
  std::thread thread_;
};

TEST(VideoViewSlowDrawing, EachRenderDrawsEveryPlanesNewestPictureAndTheMainThreadStaysFree) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server (Xvfb)";
  Latest latest{};
  SlowScreen* screen = nullptr;
  VideoView view;
  view.setScreenFactory([&](int, ScreenDelegate*) {
    auto made = std::make_unique<SlowScreen>(latest);
    screen = made.get();
    return made;
  });
  test::FakeQueries queries;
  test::FakePreferences preferences;
  view.setControllerQueries(&queries);
  view.setPreferences(&preferences);
  view.resize(400, 300);
  view.show();
  ASSERT_TRUE(test::waitUntil([&] { return view.renderCount() > 0; }));
  ASSERT_TRUE(view.rendersOnItsOwnThread());

  const size_t before = screen->renders().size();
  MainThreadProbe probe;
  {
    std::vector<std::unique_ptr<Feeder>> feeders;
    for (int plane = 0; plane < Cameras; ++plane)
      feeders.push_back(std::make_unique<Feeder>(view, plane, latest[static_cast<size_t>(plane)]));
    // Two seconds of pictures: about twenty slow renders.
    ASSERT_TRUE(test::waitUntil([&] { return screen->renders().size() >= before + 20; }));
    for (const auto& feeder : feeders) EXPECT_LT(feeder->longestPut(), std::chrono::milliseconds(20));
    // Measured while the pictures flow (stopping the feeders below holds the main
    // thread up itself).
    probe.stop();
    ASSERT_TRUE(test::waitUntil([&] { return probe.answered() == probe.posted(); }));
  }
  // The feeders have stopped: one more render takes whatever was still waiting.
  const size_t stopped = screen->renders().size();
  ASSERT_TRUE(test::waitUntil([&] { return screen->renders().size() >= stopped + 2; }));

  EXPECT_EQ(screen->stale(), 0) << "a render drew a picture older than one put before the previous render ended";
  uint64_t uploads = 0;
  std::array<uint32_t, Cameras> last{};
  const std::vector<SlowScreen::Render> renders = screen->renders();
  for (size_t r = before; r < renders.size(); ++r) {
    std::array<int, Cameras> perPlane{};
    for (const auto& [plane, number] : renders[r].uploads) {
      ++uploads;
      ASSERT_TRUE(0 <= plane && plane < Cameras) << plane;
      EXPECT_EQ(++perPlane[static_cast<size_t>(plane)], 1) << "render " << r << " uploaded plane " << plane << " twice";
      EXPECT_GT(number, last[static_cast<size_t>(plane)]) << "plane " << plane << " went back in render " << r;
      last[static_cast<size_t>(plane)] = number;
    }
  }
  // Every picture put was either drawn or counted as skipped; at 25 a second against ten
  // renders a second, most are skipped.
  uint64_t put = 0;
  for (const auto& number : latest) put += number.load();
  EXPECT_EQ(uploads + view.skippedPictures(), put);
  EXPECT_GT(view.skippedPictures(), put / 3);
  for (int plane = 0; plane < Cameras; ++plane)
    EXPECT_EQ(last[static_cast<size_t>(plane)], latest[static_cast<size_t>(plane)].load()) << plane;

  EXPECT_GT(probe.answered(), 100);
#ifndef ZELVO_THREAD_SANITIZER
  // ThreadSanitizer slows every thread several times over: there the order is checked,
  // not the time.
  EXPECT_LT(probe.longestMs(), 20.0) << "the main thread was held up by drawing";
#endif
}

}  // namespace
}  // namespace zelvo
