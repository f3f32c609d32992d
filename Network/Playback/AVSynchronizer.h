#pragma once
// Paces media frames to the time stamps the recorder gives them. The owner asks
// how long to wait before showing a frame (delayFromCurrent), waits that long
// (waitForInterval), hands the frame on, then feeds it back (updateSync) so the
// clocks follow the stream. Video is paced against its own anchor, or, at normal
// speed while audio flows, against the audio clock.
//
// Time stamps count 1/scale seconds. A scale of 0 (a recorder's bad field) is
// never divided by: such frames are not paced and not fed back.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "Network/Playback/PacingClock.h"
#include "Network/Playback/ReferenceTime.h"

namespace zelvo {

class AVSynchronizer {
 public:
  static constexpr int Speedx1 = 1;
  // Masks of reset(): each bit clears one clock whole.
  static constexpr int VideoClock = 1;
  static constexpr int AudioClock = 2;

  // The clock defaults to the system's steady clock.
  explicit AVSynchronizer(std::shared_ptr<PacingClock> clock = nullptr);
  AVSynchronizer(const AVSynchronizer&) = delete;
  AVSynchronizer& operator=(const AVSynchronizer&) = delete;

  bool realtime() const { return realtime_.load(); }
  void setRealtime(bool realtime) { realtime_.store(realtime); }
  // Seconds of drift that reset a clock: 2.0, or 180.0 in realtime mode.
  double videoSyncThreshold() const;

  static int64_t timeStampDiff(uint64_t a, uint64_t from);
  static uint64_t timeStampAbsDiff(uint64_t a, uint64_t from);

  // Seconds to wait before showing a frame, in [0.0, 1.0]. Speed 0 turns pacing
  // off (and clears both clocks); speed must not be negative. Direction 1 is
  // forward, any other value backward.
  template <typename Frame>
  double delayFromCurrent(const Frame& frame, int speed, int direction) {
    return delayFromCurrent(frame.timeStamp(), frame.timeStampScale(), speed, direction);
  }
  double delayFromCurrent(uint64_t timeStamp, uint32_t scale, int speed, int direction);

  // Unclamped delays against the audio clock and against the video anchor.
  double interSyncVideoDelay(double now, uint64_t timeStamp, uint32_t scale, int speed, int direction);
  double intraSyncVideoDelay(double now, uint64_t timeStamp, uint32_t scale, int speed, int direction);

  // Feeds a frame back: type 0 is video, any other type audio.
  template <typename Frame>
  void updateSync(const Frame& frame, bool resetBaseTime, double renewSyncInterval) {
    updateSync(static_cast<int>(frame.type()), frame.timeStamp(), frame.timeStampScale(), resetBaseTime,
               renewSyncInterval);
  }
  void updateSync(int type, uint64_t timeStamp, uint32_t scale, bool resetBaseTime, double renewSyncInterval);
  void updateVideoSync(double now, uint64_t timeStamp, uint32_t scale, bool resetBaseTime, double renewSyncInterval);
  void updateAudioSync(double now, uint64_t timeStamp, uint32_t scale, bool resetBaseTime, double renewSyncInterval);

  // Clears the clocks named by the mask (VideoClock, AudioClock). Any thread.
  void reset(int which);

  // Waits (blocking the caller only) until the time runs out or wakeup() comes:
  // 0 when woken, nonzero on time-out. Waits are serialised.
  int64_t waitForInterval(double seconds);
  // Ends a wait in progress. Any thread.
  void wakeup();

  // Snapshots of the clocks.
  ReferenceTime videoRefTime() const;
  ReferenceTime audioRefTime() const;
  PacingClock& clock() const { return *clock_; }

 private:
  void resetLocked(int which);
  double interSyncLocked(double now, uint64_t timeStamp, uint32_t scale, int speed);
  double intraSyncLocked(double now, uint64_t timeStamp, uint32_t scale, int speed, int direction);
  void updateVideoLocked(double now, uint64_t timeStamp, bool resetBaseTime, double renewSyncInterval);
  void updateAudioLocked(double now, uint64_t timeStamp, uint32_t scale, double renewSyncInterval);

  const std::shared_ptr<PacingClock> clock_;
  // Stands in for the waiting queue: one wait at a time.
  std::mutex waitMutex_;
  // Guards both clocks, so that no frame is paced against a half-cleared clock
  // when a reset comes from another thread. Never held during a wait.
  mutable std::mutex clockMutex_;
  ReferenceTime videoRefTime_;
  ReferenceTime audioRefTime_;
  std::atomic<bool> realtime_{false};
};

}  // namespace zelvo
