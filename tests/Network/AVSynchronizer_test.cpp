#include "Network/Playback/AVSynchronizer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Network/FakePacingClock.h"
#include "Network/Playback/SystemPacingClock.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

constexpr double T0 = 1000.0;

// The state of one clock: base pair and last pair.
struct Clock {
  double baseTime = 0.0;
  uint64_t baseStamp = 0;
  double lastTime = 0.0;
  uint64_t lastStamp = 0;
};

// Puts a synchroniser's clocks into a given state through its own feedback
// operations, so that the test does not reach into it.
void prime(AVSynchronizer& sync, const Clock& video, const Clock& audio) {
  sync.reset(AVSynchronizer::VideoClock | AVSynchronizer::AudioClock);
  if (audio.baseTime != 0.0) sync.updateAudioSync(audio.baseTime, audio.baseStamp, 1000, false, 1e9);
  if (audio.lastTime != 0.0) sync.updateAudioSync(audio.lastTime, audio.lastStamp, 1'000'000'000, false, 1e9);
  if (video.baseTime != 0.0) {
    sync.intraSyncVideoDelay(video.baseTime, video.baseStamp, 1000, 1, 1);  // anchors the reset base
  }
  if (video.lastTime != 0.0) sync.updateVideoSync(video.lastTime, video.lastStamp, 1000, false, 1e9);
}

TEST(ReferenceTime, UpdatesResetsAndTellsResetPairs) {
  ReferenceTime ref;
  EXPECT_TRUE(ref.isReset(ReferenceTime::Base));
  EXPECT_TRUE(ref.isReset(ReferenceTime::Last));
  EXPECT_TRUE(ref.isReset(ReferenceTime::Both));
  ref.update(ReferenceTime::Base, 5.0, 7);
  EXPECT_FALSE(ref.isReset(ReferenceTime::Base));
  EXPECT_TRUE(ref.isReset(ReferenceTime::Last));
  EXPECT_FALSE(ref.isReset(ReferenceTime::Both));  // both pairs must be reset
  ref.update(ReferenceTime::Both, 6.0, 0);          // a zero stamp counts as reset
  EXPECT_TRUE(ref.isReset(ReferenceTime::Base));
  EXPECT_EQ(ref.baseTime(), 6.0);
  ref.update(ReferenceTime::Both, 6.0, 9);
  ref.reset(ReferenceTime::Base);
  EXPECT_TRUE(ref.isReset(ReferenceTime::Base));
  EXPECT_EQ(ref.lastTimeStamp(), 9u);
  ref.setLastTime(0.0);
  EXPECT_TRUE(ref.isReset(ReferenceTime::Last));
}

TEST(AVSynchronizer, StampDifferences) {
  EXPECT_EQ(AVSynchronizer::timeStampDiff(5, 7), -2);
  EXPECT_EQ(AVSynchronizer::timeStampDiff(0, UINT64_MAX), 1);  // wraps
  EXPECT_EQ(AVSynchronizer::timeStampAbsDiff(5, 7), 2u);
  EXPECT_EQ(AVSynchronizer::timeStampAbsDiff(UINT64_MAX, 0), UINT64_MAX);
}

TEST(AVSynchronizer, ThresholdFollowsRealtime) {
  AVSynchronizer sync(std::make_shared<test::FakePacingClock>());
  EXPECT_FALSE(sync.realtime());
  EXPECT_EQ(sync.videoSyncThreshold(), 2.0);
  sync.setRealtime(true);
  EXPECT_EQ(sync.videoSyncThreshold(), 180.0);
}

// One call of delayFromCurrent from a given state (scale 1000: a stamp unit is 1 ms).
struct DelayCase {
  const char* name;
  bool realtime;
  Clock video, audio;
  double now;
  uint64_t stamp;
  uint32_t scale;
  int speed, direction;
  double delay;         // clamped result
  bool videoCleared;    // the video clock is whole-reset afterwards
  bool audioCleared;
  Clock videoAfterBase;  // expected base pair afterwards when not cleared (time 0: not checked)
  const char* log;       // a reset line expected, or nullptr for none
};

class Delay : public ::testing::TestWithParam<DelayCase> {};

TEST_P(Delay, FromState) {
  const DelayCase& c = GetParam();
  auto clock = std::make_shared<test::FakePacingClock>(c.now);
  AVSynchronizer sync(clock);
  sync.setRealtime(c.realtime);
  prime(sync, c.video, c.audio);
  test::LogCapture log;
  EXPECT_DOUBLE_EQ(sync.delayFromCurrent(c.stamp, c.scale, c.speed, c.direction), c.delay);
  ReferenceTime v = sync.videoRefTime(), a = sync.audioRefTime();
  if (c.videoCleared) {
    EXPECT_TRUE(v.isReset(ReferenceTime::Both));
  } else if (c.videoAfterBase.baseTime != 0.0) {
    EXPECT_EQ(v.baseTime(), c.videoAfterBase.baseTime);
    EXPECT_EQ(v.baseTimeStamp(), c.videoAfterBase.baseStamp);
  }
  EXPECT_EQ(a.isReset(ReferenceTime::Both), c.audioCleared);
  if (c.log)
    EXPECT_TRUE(log.contains(c.log));
  else
    EXPECT_FALSE(log.contains("AVSYNCHER RESET"));
}

const Clock kNone{};
const Clock kVideo{T0, 10000, T0, 10000};          // anchored at T0 on stamp 10 s
const Clock kVideoLast11{T0, 10000, T0, 11000};    // last frame fed back: stamp 11 s
const Clock kAudio{T0, 50000, T0 + 0.8, 50800};    // audio fed back 0.2 s before now = T0 + 1
const Clock kStaleAudio{T0, 50000, T0 + 0.4, 50400};  // last audio 0.6 s before T0 + 1

INSTANTIATE_TEST_SUITE_P(
    AVSynchronizer, Delay,
    ::testing::Values(
        DelayCase{"SpeedZeroClearsBothClocks", false, kVideo, kAudio, T0 + 1, 12000, 1000, 0, 1, 0.0, true, true, {},
                  "AVSYNCHER RESET : 3"},
        DelayCase{"FirstFrameAfterResetAnchors", false, kNone, kNone, T0, 5000, 1000, 1, 1, 0.0, false, true,
                  {T0, 5000}, nullptr},
        DelayCase{"StampZeroAnchorsButStaysReset", false, kNone, kNone, T0, 0, 1000, 1, 1, 0.0, false, true,
                  {T0, 0}, nullptr},
        DelayCase{"ScaleZeroIsNotPaced", false, kVideo, kNone, T0 + 1, 999999, 0, 1, 1, 0.0, false, true,
                  {T0, 10000}, nullptr},
        DelayCase{"OnTimeFrameWaitsItsDistance", false, kVideo, kNone, T0 + 0.25, 10290, 1000, 1, 1, 0.04, false,
                  true, {T0, 10000}, nullptr},
        DelayCase{"Realtime100sLateGoesAtOnceWithoutReset", true, kVideo, kNone, T0 + 100, 10000, 1000, 1, 1, 0.0,
                  false, true, {T0, 10000}, nullptr},
        DelayCase{"Realtime181sLateResetsVideo", true, kVideo, kNone, T0 + 181, 10000, 1000, 1, 1, 0.0, true, true,
                  {}, "AVSYNCHER RESET : 1"},
        DelayCase{"DueFiveSecondsLaterIsClampedToOne", true, kVideo, kNone, T0, 15000, 1000, 1, 1, 1.0, false, true,
                  {T0, 10000}, nullptr},
        DelayCase{"NonRealtimeFarAheadResetsVideo", false, kVideo, kNone, T0, 15000, 1000, 1, 1, 1.0, true, true, {},
                  "AVSYNCHER RESET : 1"},
        DelayCase{"NonRealtimeThreeSecondJumpReanchors", false, kVideoLast11, kNone, T0 + 1, 8000, 1000, 1, 1, 0.0,
                  false, true, {T0 + 1, 8000}, nullptr},
        DelayCase{"NonRealtimeOneAndAHalfSecondJumpKeepsBase", false, kVideoLast11, kNone, T0 + 1, 9500, 1000, 1, 1,
                  0.0, false, true, {T0, 10000}, nullptr},
        DelayCase{"BackwardAtSpeedTwo", false, kVideo, kNone, T0 + 0.5, 8000, 1000, 2, -1, 0.5, false, true,
                  {T0, 10000}, nullptr},
        DelayCase{"ForwardAtSpeedTwo", false, kVideo, kNone, T0 + 0.5, 11400, 1000, 2, 1, 0.2, false, true,
                  {T0, 10000}, nullptr},
        DelayCase{"RecentAudioPacesVideo", false, kVideo, kAudio, T0 + 1, 51200, 1000, 1, 1, 0.2, false, false,
                  {}, nullptr},
        DelayCase{"VideoFarBehindAudioClearsBoth", false, kVideo, kAudio, T0 + 1, 48500, 1000, 1, 1, 0.0, true, true,
                  {}, "AVSYNCHER RESET : 3"},
        DelayCase{"VideoFarAheadOfAudioDoesNotReset", false, kVideo, kAudio, T0 + 1, 56000, 1000, 1, 1, 1.0, false,
                  false, {}, nullptr},
        DelayCase{"StaleAudioLeavesVideoOnItsOwnClock", false, kVideo, kStaleAudio, T0 + 1, 11100, 1000, 1, 1, 0.1,
                  false, false, {T0, 10000}, nullptr},
        DelayCase{"AudioAtOtherSpeedsIsIgnored", false, kVideo, kAudio, T0 + 1, 12400, 1000, 2, 1, 0.2, false, false,
                  {T0, 10000}, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AVSynchronizer, InterSyncClearsTheVideoBaseOnEveryCall) {
  auto clock = std::make_shared<test::FakePacingClock>(T0 + 1);
  AVSynchronizer sync(clock);
  prime(sync, kVideo, kAudio);
  EXPECT_DOUBLE_EQ(sync.interSyncVideoDelay(T0 + 1, 51200, 1000, 1, 1), 0.2);
  EXPECT_TRUE(sync.videoRefTime().isReset(ReferenceTime::Base));
  EXPECT_FALSE(sync.videoRefTime().isReset(ReferenceTime::Last));
  // Unclamped, in either direction.
  EXPECT_DOUBLE_EQ(sync.interSyncVideoDelay(T0 + 1, 54000, 1000, 1, 0), 3.0);
  EXPECT_DOUBLE_EQ(sync.interSyncVideoDelay(T0 + 1, 50000, 1000, 1, 1), -1.0);
}

TEST(AVSynchronizerDeathTest, InterSyncAtAnotherSpeedIsAnAssertion) {
  AVSynchronizer sync(std::make_shared<test::FakePacingClock>());
  EXPECT_DEATH(sync.interSyncVideoDelay(T0, 1, 1000, 2, 1), "speed == Speedx1");
}

TEST(AVSynchronizerDeathTest, NegativeSpeedIsAPrecondition) {
  AVSynchronizer sync(std::make_shared<test::FakePacingClock>());
  EXPECT_DEATH(sync.delayFromCurrent(1, 1000, -1, 1), "Invalid parameter not satisfying: speed >= 0");
}

TEST(AVSynchronizer, StampZeroLeavesTheClockToBeAnchoredAgain) {
  auto clock = std::make_shared<test::FakePacingClock>(T0);
  AVSynchronizer sync(clock);
  EXPECT_EQ(sync.delayFromCurrent(0, 1000, 1, 1), 0.0);
  clock->advance(0.5);
  EXPECT_EQ(sync.delayFromCurrent(700, 1000, 1, 1), 0.0);  // anchors again: (T0 + 0.5, 700)
  EXPECT_EQ(sync.videoRefTime().baseTime(), T0 + 0.5);
  EXPECT_EQ(sync.videoRefTime().baseTimeStamp(), 700u);
}

TEST(AVSynchronizer, TimeBeforeTheAnchorCountsAsNoneElapsed) {
  auto clock = std::make_shared<test::FakePacingClock>(T0);
  AVSynchronizer sync(clock);
  sync.setRealtime(true);
  sync.delayFromCurrent(10000, 1000, 1, 1);
  // A clock read earlier than the anchor: no wrap into a huge unsigned elapsed time.
  EXPECT_DOUBLE_EQ(sync.intraSyncVideoDelay(T0 - 5, 10500, 1000, 1, 1), 0.5);
}

// Feedback from a given state.
struct FeedbackCase {
  const char* name;
  int type;
  Clock before;   // the clock that the frame feeds (video for type 0, audio otherwise)
  double now;
  uint64_t stamp;
  uint32_t scale;
  double renew;
  Clock after;
  bool resetLogged;
};

class Feedback : public ::testing::TestWithParam<FeedbackCase> {};

TEST_P(Feedback, UpdatesTheClock) {
  const FeedbackCase& c = GetParam();
  auto clock = std::make_shared<test::FakePacingClock>(c.now);
  AVSynchronizer sync(clock);
  if (c.type == 0)
    prime(sync, c.before, kNone);
  else
    prime(sync, kNone, c.before);
  test::LogCapture log;
  sync.updateSync(c.type, c.stamp, c.scale, false, c.renew);
  ReferenceTime r = c.type == 0 ? sync.videoRefTime() : sync.audioRefTime();
  EXPECT_EQ(r.baseTime(), c.after.baseTime);
  EXPECT_EQ(r.baseTimeStamp(), c.after.baseStamp);
  EXPECT_EQ(r.lastTime(), c.after.lastTime);
  EXPECT_EQ(r.lastTimeStamp(), c.after.lastStamp);
  EXPECT_EQ(log.contains("AVSYNCHER RESET : 2"), c.resetLogged);
}

INSTANTIATE_TEST_SUITE_P(
    AVSynchronizer, Feedback,
    ::testing::Values(
        FeedbackCase{"VideoWithResetBaseOnlyRecordsLast", 0, kNone, T0 + 1, 11000, 1000, 43200,
                     {0.0, 0, T0 + 1, 11000}, false},
        FeedbackCase{"LiveBaseKeptForTwelveHours", 0, kVideo, T0 + 43199, 99000, 1000, 43200,
                     {T0, 10000, T0 + 43199, 99000}, false},
        FeedbackCase{"LiveBaseRenewedAfterTwelveHours", 0, kVideo, T0 + 43200.5, 99000, 1000, 43200,
                     {T0 + 43200.5, 99000, T0 + 43200.5, 99000}, false},
        FeedbackCase{"PlaybackBaseRenewedEveryMinute", 0, kVideo, T0 + 60.5, 70500, 1000, 60,
                     {T0 + 60.5, 70500, T0 + 60.5, 70500}, false},
        FeedbackCase{"PlaybackBaseKeptWithinTheMinute", 0, kVideo, T0 + 59, 69000, 1000, 60,
                     {T0, 10000, T0 + 59, 69000}, false},
        FeedbackCase{"FirstAudioAnchors", 1, kNone, T0, 3000, 1000, 43200, {T0, 3000, T0, 3000}, false},
        FeedbackCase{"AudioGapOverHalfASecondReanchors", 1, Clock{T0, 1000, T0, 1000}, T0 + 0.04, 1600, 1000, 43200,
                     {T0 + 0.04, 1600, T0 + 0.04, 1600}, true},
        FeedbackCase{"AudioStepOfLessKeepsBase", 1, Clock{T0, 1000, T0, 1000}, T0 + 0.04, 1400, 1000, 43200,
                     {T0, 1000, T0 + 0.04, 1400}, false},
        FeedbackCase{"AudioRenewedAfterInterval", 1, Clock{T0, 1000, T0, 1000}, T0 + 61, 1040, 1000, 60,
                     {T0 + 61, 1040, T0 + 61, 1040}, false},
        FeedbackCase{"ScaleZeroIsNotFedBack", 1, Clock{T0, 1000, T0, 1000}, T0 + 1, 999999, 0, 60,
                     {T0, 1000, T0, 1000}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The owner's loop: ask, wait, hand on (record the time), feed back.
std::vector<double> pace(AVSynchronizer& sync, test::FakePacingClock& clock, const std::vector<uint64_t>& stamps,
                         uint32_t scale, int speed, int direction, double renew) {
  std::vector<double> released;
  for (uint64_t stamp : stamps) {
    double delay = sync.delayFromCurrent(stamp, scale, speed, direction);
    if (delay > 0.0) sync.waitForInterval(delay);
    released.push_back(clock.now());
    sync.updateSync(0, stamp, scale, false, renew);
  }
  return released;
}

TEST(AVSynchronizerPacing, ReleasesFramesAtTheirTimeStamps) {
  auto clock = std::make_shared<test::FakePacingClock>(T0);
  AVSynchronizer sync(clock);
  sync.setRealtime(true);
  std::vector<uint64_t> stamps;
  for (int i = 0; i < 10; ++i) stamps.push_back(90000 + i * 3600);  // 25 per second at 90 kHz
  auto released = pace(sync, *clock, stamps, 90000, 1, 1, 43200.0);
  for (int i = 0; i < 10; ++i) EXPECT_NEAR(released[i], T0 + i * 0.04, 2.0 / 90000) << i;
}

TEST(AVSynchronizerPacing, SpeedChangesScaleTheGaps) {
  struct Row {
    int speed;
    double gap;
  };
  for (Row row : {Row{1, 0.04}, Row{2, 0.02}, Row{4, 0.01}}) {
    auto clock = std::make_shared<test::FakePacingClock>(T0);
    AVSynchronizer sync(clock);
    std::vector<uint64_t> stamps;
    for (int i = 0; i < 8; ++i) stamps.push_back(1000 + i * 40);
    auto released = pace(sync, *clock, stamps, 1000, row.speed, 1, 60.0);
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(released[i], T0 + i * row.gap, 2e-3) << row.speed << " " << i;
  }
  // Speed 0: everything at once.
  auto clock = std::make_shared<test::FakePacingClock>(T0);
  AVSynchronizer sync(clock);
  auto released = pace(sync, *clock, {1000, 2000, 3000}, 1000, 0, 1, 60.0);
  for (double t : released) EXPECT_EQ(t, T0);
}

TEST(AVSynchronizerPacing, BackwardPlaybackPacesFallingStamps) {
  auto clock = std::make_shared<test::FakePacingClock>(T0);
  AVSynchronizer sync(clock);
  auto released = pace(sync, *clock, {5000, 4960, 4920, 4880}, 1000, 1, 0, 60.0);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(released[i], T0 + i * 0.04, 2e-3);
}

TEST(AVSynchronizerPacing, LateFramesGoAtOnceAndEarlyOnesWaitAtMostOneSecondPerCall) {
  auto clock = std::make_shared<test::FakePacingClock>(T0);
  AVSynchronizer sync(clock);
  sync.setRealtime(true);
  pace(sync, *clock, {1000}, 1000, 1, 1, 43200.0);  // anchor
  clock->advance(10.0);
  // Ten seconds behind the wall clock: no wait.
  auto late = pace(sync, *clock, {1040}, 1000, 1, 1, 43200.0);
  EXPECT_EQ(late[0], T0 + 10.0);
  // A jump five seconds ahead of the wall clock: one clamped wait of 1 s.
  auto before = clock->waits().size();
  pace(sync, *clock, {1000 + 15000 + 5000}, 1000, 1, 1, 43200.0);
  ASSERT_EQ(clock->waits().size(), before + 1);
  EXPECT_EQ(clock->waits().back(), 1.0);
}

TEST(AVSynchronizerPacing, ResetReanchorsOnTheNextFrame) {
  auto clock = std::make_shared<test::FakePacingClock>(T0);
  AVSynchronizer sync(clock);
  sync.setRealtime(true);
  pace(sync, *clock, {1000, 1040, 1080}, 1000, 1, 1, 43200.0);
  sync.reset(AVSynchronizer::VideoClock);
  EXPECT_TRUE(sync.videoRefTime().isReset(ReferenceTime::Both));
  // The stream restarts from another stamp: the first frame goes at once and anchors.
  const double t = clock->now();
  auto released = pace(sync, *clock, {900000, 900040}, 1000, 1, 1, 43200.0);
  EXPECT_EQ(released[0], t);
  EXPECT_NEAR(released[1], t + 0.04, 2e-3);
}

TEST(AVSynchronizerPacing, ResetFromAnotherThreadNeverLeavesAHalfClearedClock) {
  auto clock = std::make_shared<test::FakePacingClock>(T0);
  AVSynchronizer sync(clock);
  sync.setRealtime(true);
  std::atomic<bool> stop{false};
  std::thread resetter([&] {
    while (!stop) sync.reset(AVSynchronizer::VideoClock);
  });
  for (int i = 0; i < 20000; ++i) {
    double d = sync.delayFromCurrent(1000 + i, 1000, 1, 1);
    EXPECT_GE(d, 0.0);
    EXPECT_LE(d, 1.0);
    sync.updateSync(0, 1000 + i, 1000, false, 43200.0);
    ReferenceTime v = sync.videoRefTime();
    EXPECT_EQ(v.baseTime() == 0.0, v.baseTimeStamp() == 0);
  }
  stop = true;
  resetter.join();
}

TEST(AVSynchronizerWaiting, WakeupEndsAWaitInProgress) {
  AVSynchronizer sync;
  std::atomic<int64_t> result{-1};
  std::thread waiter([&] { result = sync.waitForInterval(3600.0); });
  // A wake-up before the wait has begun is lost by design; repeat until it lands.
  EXPECT_TRUE(test::waitUntil([&] {
    sync.wakeup();
    return result.load() != -1;
  }));
  waiter.join();
  EXPECT_EQ(result.load(), 0);
}

TEST(AVSynchronizerWaiting, WakeupWithNobodyWaitingDoesNotShortenTheNextWait) {
  AVSynchronizer sync;
  sync.wakeup();
  sync.wakeup();
  EXPECT_NE(sync.waitForInterval(0.02), 0);
}

TEST(AVSynchronizerWaiting, WaitRunsOutWithNonzero) {
  SystemPacingClock clock;
  EXPECT_NE(clock.waitFor(0.001), 0);
  EXPECT_NE(clock.waitFor(-1.0), 0);  // nothing to wait for
  EXPECT_GT(clock.now(), 0.0);
}

}  // namespace
}  // namespace zelvo
