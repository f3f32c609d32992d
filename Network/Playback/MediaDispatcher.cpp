#include "Network/Playback/MediaDispatcher.h"

#include "Foundation/Assert.h"

namespace zelvo {

MediaDispatcher::MediaDispatcher(MediaDispatcherContext& context, Poster poster, std::shared_ptr<PacingClock> clock)
    : context_(context),
      poster_(std::move(poster)),
      avSyncher_(std::make_unique<AVSynchronizer>(std::move(clock))),
      dispatchQueue_(std::make_unique<SerialQueue>("com.ostrel-security.Orvet2.MediaDispatcher")) {
  avSyncher_->setRealtime(false);
}

MediaDispatcher::~MediaDispatcher() {
  ZELVO_PRECONDITION(!dispatchQueue_->isCurrent());
  close();
  dispatchQueue_.reset();
}

void MediaDispatcher::close() {
  closing_ = true;
  dispatchBlocker_.close();
  wakeupToStop();
}

void MediaDispatcher::requestDispatch(std::shared_ptr<const MediaFrame> frame, const MediaPosition& position,
                                      bool visible, int speed, int direction) {
  ZELVO_PRECONDITION(frame != nullptr);
  // A closed blocker means the dispatcher is going away: nothing is queued.
  if (!dispatchBlocker_.wait()) return;
  dispatchQueue_->async([this, frame = std::move(frame), position, visible, speed, direction] {
    dispatch(frame, position, visible, speed, direction);
  });
}

void MediaDispatcher::dispatch(const std::shared_ptr<const MediaFrame>& frame, const MediaPosition& position,
                               bool visible, int speed, int direction) {
  if (dispatching_.load()) {
    if (frame->type() == MediaFrameTypeVideo && visible) {
      sleepToSync(*frame, speed, direction);
      // Posted even when the wait was cut short: it is the frame the recorder is
      // told to stop at.
      setLastPoppedMediaInfo(*frame, position);
    }
    fireMediaFrameReceivedNotification(frame, position, visible);
    updateSync(*frame);
  }
  dispatchBlocker_.signal();
}

void MediaDispatcher::start() {
  avSyncher_->reset(AVSynchronizer::VideoClock | AVSynchronizer::AudioClock);
  dispatching_ = true;
}

void MediaDispatcher::wakeupToStop() {
  dispatching_ = false;
  avSyncher_->wakeup();
}

void MediaDispatcher::clear() {
  ZELVO_PRECONDITION(!dispatchQueue_->isCurrent());
  dispatchQueue_->sync([] {});
  avSyncher_->reset(AVSynchronizer::VideoClock | AVSynchronizer::AudioClock);
}

void MediaDispatcher::notifyPlaybackPausedWithReason(int reason, std::shared_ptr<const PlayRequest> request,
                                                     bool withAllMediaDispatchedNotification) {
  dispatchQueue_->async([this, reason, request = std::move(request), withAllMediaDispatchedNotification] {
    if (closing_.load()) return;
    firePlaybackPausedWithReasonNotification(reason, request);
    if (withAllMediaDispatchedNotification) context_.allMediaDispatched();
  });
}

void MediaDispatcher::sleepToSync(const MediaFrame& frame, int speed, int direction) {
  const double delay = avSyncher_->delayFromCurrent(frame, speed, direction);
  // A stop that came while the delay was computed would otherwise be lost (a
  // wake-up with nobody waiting has no effect) and the frame would wait in full.
  if (delay > 0.0 && dispatching_.load()) avSyncher_->waitForInterval(delay);
}

void MediaDispatcher::updateSync(const MediaFrame& frame) {
  avSyncher_->updateSync(frame, false, RenewSyncInterval);
}

void MediaDispatcher::setLastPoppedMediaInfo(const MediaFrame& frame, const MediaPosition& position) {
  LastPoppedMediaInfo info;
  info.setPosition(position);
  info.setMediaID(frame.mediaID());
  info.setChannel(frame.channel());
  info.setDateTime(frame.dateTime());
  std::lock_guard lock(infoMutex_);
  lastPoppedMediaInfo_ = info;
  hasPoppedMedia_ = true;
}

LastPoppedMediaInfo MediaDispatcher::lastPoppedMediaInfo() const {
  std::lock_guard lock(infoMutex_);
  return lastPoppedMediaInfo_;
}

bool MediaDispatcher::hasPoppedMedia() const {
  std::lock_guard lock(infoMutex_);
  return hasPoppedMedia_;
}

void MediaDispatcher::fireMediaFrameReceivedNotification(const std::shared_ptr<const MediaFrame>& frame,
                                                         const MediaPosition& position, bool visible) {
  poster_(PlaybackMediaFrameReceivedNotification,
          UserInfo{{PlaybackMediaFrameKey, frame}, {PlaybackMediaPositionKey, position}, {PlaybackVisibleKey, visible}});
}

void MediaDispatcher::firePlaybackPausedWithReasonNotification(int reason,
                                                               const std::shared_ptr<const PlayRequest>& request) {
  poster_(PlaybackPausedWithReasonNotification,
          UserInfo{{PlaybackPauseReasonKey, reason}, {PlaybackPlayRequestKey, request}});
}

}  // namespace zelvo
