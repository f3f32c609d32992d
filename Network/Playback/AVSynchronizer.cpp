#include "Network/Playback/AVSynchronizer.h"

#include <cmath>
#include <limits>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Network/Playback/SystemPacingClock.h"

namespace zelvo {

namespace {

constexpr double kVideoSyncThreshold[2] = {2.0, 180.0};

// Elapsed seconds in stamp units, truncated. Time that runs backwards (a race
// with a reset, a clock read before the anchor) counts as none.
uint64_t elapsedStamps(double now, double base, uint32_t scale) {
  double units = (now - base) * static_cast<double>(scale);
  if (!(units > 0.0)) return 0;
  if (units >= 9.2e18) return static_cast<uint64_t>(9.2e18);
  return static_cast<uint64_t>(units);
}

}  // namespace

AVSynchronizer::AVSynchronizer(std::shared_ptr<PacingClock> clock)
    : clock_(clock ? std::move(clock) : std::make_shared<SystemPacingClock>()) {}

double AVSynchronizer::videoSyncThreshold() const { return kVideoSyncThreshold[realtime() ? 1 : 0]; }

int64_t AVSynchronizer::timeStampDiff(uint64_t a, uint64_t from) { return static_cast<int64_t>(a - from); }

uint64_t AVSynchronizer::timeStampAbsDiff(uint64_t a, uint64_t from) { return a > from ? a - from : from - a; }

double AVSynchronizer::delayFromCurrent(uint64_t timeStamp, uint32_t scale, int speed, int direction) {
  ZELVO_PRECONDITION(speed >= 0);
  if (speed == 0) {
    reset(VideoClock | AudioClock);
    return 0.0;
  }
  if (scale == 0) return 0.0;
  double delay;
  {
    std::lock_guard lock(clockMutex_);
    const double now = clock_->now();
    if (speed == Speedx1 && now - audioRefTime_.lastTime() < 0.5)
      delay = interSyncLocked(now, timeStamp, scale, speed);
    else
      delay = intraSyncLocked(now, timeStamp, scale, speed, direction);
  }
  if (!(delay > 0.0)) return 0.0;  // NaN included
  if (delay > 1.0) return 1.0;
  return delay;
}

double AVSynchronizer::interSyncVideoDelay(double now, uint64_t timeStamp, uint32_t scale, int speed, int) {
  if (scale == 0) return 0.0;
  std::lock_guard lock(clockMutex_);
  return interSyncLocked(now, timeStamp, scale, speed);
}

double AVSynchronizer::intraSyncVideoDelay(double now, uint64_t timeStamp, uint32_t scale, int speed,
                                           int direction) {
  ZELVO_PRECONDITION(speed > 0);
  if (scale == 0) return 0.0;
  std::lock_guard lock(clockMutex_);
  return intraSyncLocked(now, timeStamp, scale, speed, direction);
}

double AVSynchronizer::interSyncLocked(double now, uint64_t timeStamp, uint32_t scale, int speed) {
  ZELVO_ASSERT(speed == Speedx1);
  videoRefTime_.reset(ReferenceTime::Base);
  const uint64_t expected =
      audioRefTime_.baseTimeStamp() + elapsedStamps(now, audioRefTime_.baseTime(), scale);
  const double delay = static_cast<double>(timeStampDiff(timeStamp, expected)) / scale;
  if (delay < -videoSyncThreshold()) resetLocked(VideoClock | AudioClock);
  return delay;
}

double AVSynchronizer::intraSyncLocked(double now, uint64_t timeStamp, uint32_t scale, int speed, int direction) {
  if (videoRefTime_.isReset(ReferenceTime::Base)) videoRefTime_.update(ReferenceTime::Base, now, timeStamp);
  const uint64_t e = elapsedStamps(now, videoRefTime_.baseTime(), scale);
  const uint64_t base = videoRefTime_.baseTimeStamp();
  const int64_t distance = direction == 1 ? timeStampDiff(timeStamp, base) : timeStampDiff(base, timeStamp);
  const int64_t q = distance / speed;  // speed > 0: no overflow
  const double delay = (static_cast<double>(q) - static_cast<double>(e)) / scale;
  const double threshold = videoSyncThreshold();
  if (!realtime() && delay < 0.0 &&
      static_cast<double>(timeStampAbsDiff(timeStamp, videoRefTime_.lastTimeStamp())) / scale > 2.0) {
    videoRefTime_.update(ReferenceTime::Base, now, timeStamp);
    return delay;
  }
  if (delay > threshold || delay < -threshold) resetLocked(VideoClock);
  return delay;
}

void AVSynchronizer::updateSync(int type, uint64_t timeStamp, uint32_t scale, bool resetBaseTime,
                                double renewSyncInterval) {
  if (scale == 0) return;
  std::lock_guard lock(clockMutex_);
  const double now = clock_->now();
  if (type == 0)
    updateVideoLocked(now, timeStamp, resetBaseTime, renewSyncInterval);
  else
    updateAudioLocked(now, timeStamp, scale, renewSyncInterval);
}

void AVSynchronizer::updateVideoSync(double now, uint64_t timeStamp, uint32_t scale, bool resetBaseTime,
                                     double renewSyncInterval) {
  if (scale == 0) return;
  std::lock_guard lock(clockMutex_);
  updateVideoLocked(now, timeStamp, resetBaseTime, renewSyncInterval);
}

void AVSynchronizer::updateAudioSync(double now, uint64_t timeStamp, uint32_t scale, bool,
                                     double renewSyncInterval) {
  if (scale == 0) return;
  std::lock_guard lock(clockMutex_);
  updateAudioLocked(now, timeStamp, scale, renewSyncInterval);
}

void AVSynchronizer::updateVideoLocked(double now, uint64_t timeStamp, bool resetBaseTime,
                                       double renewSyncInterval) {
  videoRefTime_.update(ReferenceTime::Last, now, timeStamp);
  if (videoRefTime_.isReset(ReferenceTime::Base)) return;
  if (resetBaseTime || now - videoRefTime_.baseTime() > renewSyncInterval)
    videoRefTime_.update(ReferenceTime::Base, now, timeStamp);
}

void AVSynchronizer::updateAudioLocked(double now, uint64_t timeStamp, uint32_t scale, double renewSyncInterval) {
  const uint64_t last = audioRefTime_.lastTimeStamp();
  if (last != 0 && last < timeStamp && static_cast<double>(timeStamp - last) > scale * 0.5)
    resetLocked(AudioClock);
  audioRefTime_.update(ReferenceTime::Last, now, timeStamp);
  if (audioRefTime_.isReset(ReferenceTime::Base)) {
    audioRefTime_.update(ReferenceTime::Base, now, timeStamp);
    return;
  }
  if (now - audioRefTime_.baseTime() > renewSyncInterval) audioRefTime_.update(ReferenceTime::Base, now, timeStamp);
}

void AVSynchronizer::reset(int which) {
  std::lock_guard lock(clockMutex_);
  resetLocked(which);
}

void AVSynchronizer::resetLocked(int which) {
  zelvoLog("AVSYNCHER RESET : %u", static_cast<unsigned>(which));
  if (which & VideoClock) videoRefTime_.reset(ReferenceTime::Both);
  if (which & AudioClock) audioRefTime_.reset(ReferenceTime::Both);
}

int64_t AVSynchronizer::waitForInterval(double seconds) {
  std::lock_guard lock(waitMutex_);
  return clock_->waitFor(seconds);
}

void AVSynchronizer::wakeup() { clock_->wakeup(); }

ReferenceTime AVSynchronizer::videoRefTime() const {
  std::lock_guard lock(clockMutex_);
  return videoRefTime_;
}

ReferenceTime AVSynchronizer::audioRefTime() const {
  std::lock_guard lock(clockMutex_);
  return audioRefTime_;
}

}  // namespace zelvo
