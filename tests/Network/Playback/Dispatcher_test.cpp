// MediaDispatcher in virtual time: pacing order, back-pressure, stopping and the
// reported pause.

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Dispatcher_GatedClock.h"
#include "Dispatcher_Frames.h"
#include "Network/Playback/MediaDispatcher.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::playback::GatedPacingClock;
using test::playback::makeFrame;

// Records what the dispatcher posts and tells its context, in order.
class Recorder : public MediaDispatcherContext {
 public:
  void allMediaDispatched() override { add("allMediaDispatched"); }

  MediaDispatcher::Poster poster() {
    return [this](const std::string& name, UserInfo info) {
      Notification n{name, nullptr, std::move(info)};
      if (name == PlaybackMediaFrameReceivedNotification) {
        const auto* frame = n.get<std::shared_ptr<const MediaFrame>>(PlaybackMediaFrameKey);
        const auto* visible = n.get<bool>(PlaybackVisibleKey);
        ASSERT_TRUE(frame && visible && n.has(PlaybackMediaPositionKey));
        add("frame " + std::to_string((*frame)->mediaID()) + (*visible ? "" : " hidden"));
      } else if (name == PlaybackPausedWithReasonNotification) {
        const auto* reason = n.get<int>(PlaybackPauseReasonKey);
        ASSERT_TRUE(reason && n.has(PlaybackPlayRequestKey));
        add("paused " + std::to_string(*reason));
      } else {
        add("unexpected " + name);
      }
    };
  }

  void add(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
  }
  std::vector<std::string> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  size_t indexOf(const std::string& event) const {
    auto all = events();
    return static_cast<size_t>(std::find(all.begin(), all.end(), event) - all.begin());
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

constexpr uint32_t Scale = 1000;  // time stamps in milliseconds

class DispatcherTest : public ::testing::Test {
 protected:
  explicit DispatcherTest(bool gated = false) : clock(std::make_shared<GatedPacingClock>(gated)) {}
  void dispatchVideo(uint64_t mediaID, uint64_t timeStamp, int speed = 1, int direction = 1, bool visible = true) {
    dispatcher.requestDispatch(makeFrame(0, mediaID, timeStamp, Scale), MediaPosition(1, 2, uint32_t(mediaID)),
                               visible, speed, direction);
  }

  std::shared_ptr<GatedPacingClock> clock;
  Recorder recorder;
  MediaDispatcher dispatcher{recorder, recorder.poster(), clock};
};

class GatedDispatcherTest : public DispatcherTest {
 protected:
  GatedDispatcherTest() : DispatcherTest(true) {}
};

TEST_F(DispatcherTest, PostsNothingUntilStarted) {
  EXPECT_FALSE(dispatcher.dispatching());
  dispatchVideo(1, 100);
  dispatcher.clear();
  EXPECT_TRUE(recorder.events().empty());
  EXPECT_FALSE(dispatcher.hasPoppedMedia());
}

// Steady 25 frames per second: the waits between frames follow speed and
// direction, and frames go out in arrival order.
struct PacingCase {
  const char* name;
  int speed;
  int direction;
  int stampStep;  // ms between consecutive frames, signed
  double expectedWait;
};

class DispatcherPacing : public DispatcherTest, public ::testing::WithParamInterface<PacingCase> {};

TEST_P(DispatcherPacing, WaitsFollowSpeedAndDirection) {
  const PacingCase& c = GetParam();
  dispatcher.start();
  const int frames = 6;
  for (int i = 0; i < frames; ++i)
    dispatchVideo(uint64_t(i + 1), uint64_t(100000 + int64_t(c.stampStep) * i), c.speed, c.direction);
  dispatcher.clear();

  std::vector<std::string> expectedEvents;
  for (int i = 0; i < frames; ++i) expectedEvents.push_back("frame " + std::to_string(i + 1));
  EXPECT_EQ(recorder.events(), expectedEvents);

  const auto waits = clock->waits();
  if (c.expectedWait == 0.0) {
    EXPECT_TRUE(waits.empty());
  } else {
    // The first frame anchors the clock; each later one waits one step (to within
    // the one tick that the elapsed time is truncated to).
    ASSERT_EQ(waits.size(), size_t(frames - 1));
    for (double w : waits) EXPECT_NEAR(w, c.expectedWait, 1.01 / Scale);
  }
  EXPECT_EQ(dispatcher.lastPoppedMediaInfo().mediaID(), uint64_t(frames));
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, DispatcherPacing,
    ::testing::Values(PacingCase{"Forward1x", 1, 1, 40, 0.040}, PacingCase{"Forward2x", 2, 1, 40, 0.020},
                      PacingCase{"Forward4x", 4, 1, 40, 0.010}, PacingCase{"Backward2x", 2, 0, -40, 0.020},
                      PacingCase{"StepsAndJumpsUnpaced", 0, 1, 40, 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

// Frames that are not shown video are posted as they come, without pacing, and
// leave the last shown frame alone.
struct UnpacedCase {
  const char* name;
  int type;
  bool visible;
};

class DispatcherUnpaced : public DispatcherTest, public ::testing::WithParamInterface<UnpacedCase> {};

TEST_P(DispatcherUnpaced, PostedWithoutPacingAndNotRemembered) {
  const UnpacedCase& c = GetParam();
  dispatcher.start();
  dispatchVideo(1, 100000);
  dispatcher.requestDispatch(makeFrame(c.type, 2, 105000, Scale), MediaPosition(9, 9, 9), c.visible, 1, 1);
  dispatcher.clear();
  EXPECT_TRUE(clock->waits().empty());
  EXPECT_EQ(recorder.events(), (std::vector<std::string>{"frame 1", c.visible ? "frame 2" : "frame 2 hidden"}));
  EXPECT_EQ(dispatcher.lastPoppedMediaInfo().mediaID(), 1u);
  EXPECT_EQ(dispatcher.lastPoppedMediaInfo().position(), MediaPosition(1, 2, 1));
}

INSTANTIATE_TEST_SUITE_P(Frames, DispatcherUnpaced,
                         ::testing::Values(UnpacedCase{"Audio", 1, true}, UnpacedCase{"HiddenVideo", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DispatcherTest, LastShownFrameCarriesItsChannelTimeAndPosition) {
  dispatcher.start();
  auto frame = makeFrame(0, 77, 100000, Scale, /*channelMask=*/0b1000);
  dispatcher.requestDispatch(frame, MediaPosition(4, 5, 6), true, 1, 1);
  dispatcher.clear();
  const LastPoppedMediaInfo info = dispatcher.lastPoppedMediaInfo();
  EXPECT_TRUE(dispatcher.hasPoppedMedia());
  EXPECT_EQ(info.mediaID(), 77u);
  EXPECT_EQ(info.channel(), 3);
  EXPECT_EQ(info.position(), MediaPosition(4, 5, 6));
  ASSERT_TRUE(info.dateTime().has_value());
  EXPECT_EQ(*info.dateTime(), frame->dateTime());
}

TEST_F(DispatcherTest, FrameWithoutChannelIsRememberedAsChannelMinusOne) {
  dispatcher.start();
  dispatcher.requestDispatch(makeFrame(0, 5, 100000, Scale, /*channelMask=*/0), MediaPosition(), true, 1, 1);
  dispatcher.clear();
  EXPECT_EQ(dispatcher.lastPoppedMediaInfo().channel(), -1);
}

TEST_F(DispatcherTest, StartAfterClearShowsTheNextFrameWithoutDelay) {
  dispatcher.start();
  dispatchVideo(1, 100000);
  dispatcher.clear();
  dispatcher.start();
  // 1.5 s of stream later but no time passed: against the old anchor this would
  // wait the full second.
  dispatchVideo(2, 101500);
  dispatcher.clear();
  EXPECT_TRUE(clock->waits().empty());
  EXPECT_EQ(recorder.events(), (std::vector<std::string>{"frame 1", "frame 2"}));
}

TEST_F(GatedDispatcherTest, SixthFrameWaitsUntilTheFirstWasPosted) {
  dispatcher.start();
  dispatchVideo(1, 100000);  // anchors, goes out at once
  // Five in flight: frame 2 waits on the clock, 3..6 queued behind it, so the
  // next one (the sixth in flight) must wait for frame 2.
  for (uint64_t id = 2; id <= 6; ++id) dispatchVideo(id, 100000 + 40 * (id - 1));
  clock->waitUntilSomeoneWaits();
  std::thread sixth([&] {
    dispatchVideo(7, 100000 + 40 * 6);
    recorder.add("seventh queued");
  });
  clock->release();  // frame 2's wait runs out
  ASSERT_TRUE(test::waitUntil([&] { return recorder.indexOf("seventh queued") < recorder.events().size(); }));
  sixth.join();
  EXPECT_LT(recorder.indexOf("frame 2"), recorder.indexOf("seventh queued"));
  clock->openGate();
  dispatcher.clear();
  EXPECT_EQ(recorder.events().back(), "frame 7");
}

TEST_F(GatedDispatcherTest, WakeupToStopPostsTheWaitingFrameAndDropsTheRest) {
  dispatcher.start();
  dispatchVideo(1, 100000);
  dispatchVideo(2, 100700);  // waits 0.7 s
  dispatchVideo(3, 100740);
  dispatchVideo(4, 100780);
  clock->waitUntilSomeoneWaits();
  EXPECT_NEAR(clock->waits().at(0), 0.7, 1e-6);
  dispatcher.wakeupToStop();
  dispatcher.clear();
  EXPECT_EQ(recorder.events(), (std::vector<std::string>{"frame 1", "frame 2"}));
  EXPECT_EQ(dispatcher.lastPoppedMediaInfo().mediaID(), 2u);
  EXPECT_EQ(clock->waits().size(), 1u);
}

TEST_F(GatedDispatcherTest, ReportedPauseAndAllDispatchedComeAfterTheQueuedFrames) {
  dispatcher.start();
  dispatchVideo(1, 100000);
  dispatchVideo(2, 100040);
  dispatchVideo(3, 100080);
  dispatcher.notifyPlaybackPausedWithReason(10, std::make_shared<PlayRequest>(), true);
  clock->waitUntilSomeoneWaits();
  EXPECT_EQ(recorder.events(), (std::vector<std::string>{"frame 1"}));
  clock->openGate();
  ASSERT_TRUE(test::waitUntil([&] { return recorder.events().size() == 5; }));
  EXPECT_EQ(recorder.events(),
            (std::vector<std::string>{"frame 1", "frame 2", "frame 3", "paused 10", "allMediaDispatched"}));
}

TEST_F(DispatcherTest, PauseWithoutTheFlagDoesNotReportAllDispatched) {
  dispatcher.notifyPlaybackPausedWithReason(1, std::make_shared<PlayRequest>(), false);
  dispatcher.clear();
  EXPECT_EQ(recorder.events(), (std::vector<std::string>{"paused 1"}));
}

TEST_F(GatedDispatcherTest, CloseReleasesACallerBlockedOnBackPressure) {
  dispatcher.start();
  for (uint64_t id = 1; id <= 6; ++id) dispatchVideo(id, 100000 + 40 * (id - 1));
  clock->waitUntilSomeoneWaits();
  std::thread blocked([&] {
    dispatchVideo(7, 100240);
    recorder.add("released");
  });
  dispatcher.close();
  blocked.join();
  // The waiting frame goes out, the queued ones drain unshown and later frames
  // are refused: no hang.
  dispatcher.clear();
  dispatchVideo(8, 100280);
  dispatcher.clear();
  auto events = recorder.events();
  std::sort(events.begin(), events.end());
  EXPECT_EQ(events, (std::vector<std::string>{"frame 1", "frame 2", "released"}));
}

}  // namespace
}  // namespace zelvo
