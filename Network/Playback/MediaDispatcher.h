#pragma once
// Paces the recorded frames of one playback and posts each at its presentation
// time. At most five frames are in flight: a sixth requestDispatch blocks its
// caller (the playback queue, and through it the playback client's own network
// thread) until a frame has been posted. wakeupToStop cuts the current wait and
// lets every queued frame fall through unshown.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "Foundation/NotificationCenter.h"
#include "Foundation/Semaphore.h"
#include "Foundation/SerialQueue.h"
#include "Network/MediaFrame.h"
#include "Network/Playback/AVSynchronizer.h"
#include "Network/Playback/LastPoppedMediaInfo.h"
#include "Network/Playback/MediaPosition.h"
#include "Network/Playback/PacingClock.h"
#include "Network/Playback/PlaybackNotifications.h"
#include "Network/Playback/PlayRequest.h"

namespace zelvo {

class MediaDispatcherContext {
 public:
  virtual ~MediaDispatcherContext() = default;
  // Called on the dispatch queue once every frame queued before a reported stop
  // has been handled.
  virtual void allMediaDispatched() = 0;
};

class MediaDispatcher {
 public:
  static constexpr int MaxFramesInFlight = 5;
  static constexpr double RenewSyncInterval = 60.0;

  // Posts a notification on the main thread and waits until it was delivered
  // (the owning client's posting, with the client as the object).
  using Poster = std::function<void(const std::string& name, UserInfo userInfo)>;

  // The clock paces the frames (the system's steady clock by default; tests pass
  // a virtual one).
  MediaDispatcher(MediaDispatcherContext& context, Poster poster, std::shared_ptr<PacingClock> clock = nullptr);
  // close(), then waits for the dispatch queue to finish. Never on that queue.
  ~MediaDispatcher();
  MediaDispatcher(const MediaDispatcher&) = delete;
  MediaDispatcher& operator=(const MediaDispatcher&) = delete;

  // Blocks while five frames are in flight, then queues the frame. Returns at once
  // without queueing once the dispatcher is shutting down.
  void requestDispatch(std::shared_ptr<const MediaFrame> frame, const MediaPosition& position, bool visible,
                       int speed, int direction);
  void start();
  // Any thread: frames are no longer posted and a pacing wait ends at once.
  void wakeupToStop();
  // Shutting down: releases a caller blocked in requestDispatch, refuses later
  // frames, stops, and reports no more pauses. Any thread.
  void close();
  // Returns once every frame queued before it has been handled; clears the clocks.
  void clear();
  // Queued behind the frames already queued: the pause notification, then (with
  // the flag) the context's allMediaDispatched.
  void notifyPlaybackPausedWithReason(int reason, std::shared_ptr<const PlayRequest> request,
                                      bool withAllMediaDispatchedNotification);

  // A copy, taken under the lock: written on the dispatch queue, read on the
  // playback queue.
  LastPoppedMediaInfo lastPoppedMediaInfo() const;
  // True once a visible video frame has been posted (lastPoppedMediaInfo is real).
  bool hasPoppedMedia() const;
  bool dispatching() const { return dispatching_.load(); }

  AVSynchronizer& synchronizer() { return *avSyncher_; }
  const std::string& label() const { return dispatchQueue_->label(); }

 private:
  void dispatch(const std::shared_ptr<const MediaFrame>& frame, const MediaPosition& position, bool visible,
                int speed, int direction);
  void sleepToSync(const MediaFrame& frame, int speed, int direction);
  void updateSync(const MediaFrame& frame);
  void setLastPoppedMediaInfo(const MediaFrame& frame, const MediaPosition& position);
  void fireMediaFrameReceivedNotification(const std::shared_ptr<const MediaFrame>& frame,
                                          const MediaPosition& position, bool visible);
  void firePlaybackPausedWithReasonNotification(int reason, const std::shared_ptr<const PlayRequest>& request);

  MediaDispatcherContext& context_;
  Poster poster_;
  Semaphore dispatchBlocker_{MaxFramesInFlight};
  std::unique_ptr<AVSynchronizer> avSyncher_;
  std::atomic<bool> dispatching_{false};
  std::atomic<bool> closing_{false};
  mutable std::mutex infoMutex_;
  LastPoppedMediaInfo lastPoppedMediaInfo_;
  bool hasPoppedMedia_ = false;
  // Last member: destroyed (drained and joined) first, while everything its
  // tasks touch still exists.
  std::unique_ptr<SerialQueue> dispatchQueue_;
};

}  // namespace zelvo
