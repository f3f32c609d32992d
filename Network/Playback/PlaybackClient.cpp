#include "Network/Playback/PlaybackClient.h"

#include <exception>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Network/MediaFrame.h"
#include "Network/MessageType.h"
#include "Network/Playback/Calendar.h"
#include "Network/Playback/EventList.h"
#include "Network/Playback/SectionList.h"
#include "Network/Playback/TimeSliceList.h"

namespace zelvo {

namespace {

const Date WholePeriodFrom(1970, 1, 1);
const Date WholePeriodTo(2100, 12, 31);

}  // namespace

const std::shared_ptr<PlaybackClient>& PlaybackClient::sharedClient() {
  // Never destroyed: threads may still use it while the process ends.
  static const auto* shared = new std::shared_ptr<PlaybackClient>(create());
  return *shared;
}

std::shared_ptr<PlaybackClient> PlaybackClient::create(std::shared_ptr<NetworkThread> thread,
                                                       std::shared_ptr<PacingClock> clock) {
  // A thread of its own: while five frames wait in the dispatcher this thread
  // stops reading, and no other connection may stop with it.
  if (!thread) thread = std::make_shared<NetworkThread>();
  return std::make_shared<PlaybackClient>(std::move(thread), std::move(clock));
}

PlaybackClient::PlaybackClient(std::shared_ptr<NetworkThread> thread, std::shared_ptr<PacingClock> clock)
    : NetworkClient(std::move(thread)),
      requestCoordinator_(
          std::make_unique<PlaybackRequestCoordinator>(static_cast<PlaybackRequestCoordinatorDelegate*>(this))),
      stateMachine_(std::make_unique<PlaybackStateMachine>(static_cast<PlaybackStateMachineContext*>(this))),
      mediaDispatcher_(std::make_unique<MediaDispatcher>(
          static_cast<MediaDispatcherContext&>(*this),
          [this](const std::string& name, UserInfo info) { post(name, std::move(info)); }, std::move(clock))),
      playbackQueue_(std::make_unique<SerialQueue>("com.ostrel-security.Orvet2.PlaybackClient")) {
  publishedStateKey_ = stateMachine_->currentStateKey();
}

PlaybackClient::~PlaybackClient() {
  {
    std::lock_guard lock(closingMutex_);
    closing_ = true;
  }
  // The queues joined below may be waiting for the main thread to take a
  // notification, and this may run on the main thread: give those posts up first.
  hopCancellation_->cancel();
  // Frees a frame hand-over blocked on back-pressure, so the queues can drain.
  mediaDispatcher_->close();
  playbackQueue_.reset();
  mediaDispatcher_.reset();
  requestCoordinator_.reset();
  stateMachine_.reset();
}

// Public operations. The dispatcher is told to stop before the work is queued:
// told after, it could undo the start that the queued work makes, and every frame
// of the new playback would be dropped.

void PlaybackClient::play(std::shared_ptr<PlayRequest> request) {
  ZELVO_PRECONDITION(request != nullptr);
  mediaDispatcher_->wakeupToStop();
  playbackQueue_->async(
      [this, request = std::move(request)] { runMachine([&] { stateMachine_->requestPlay(request); }); });
}

void PlaybackClient::updateChannelMask(const BitMask32& mask, bool withAudio) {
  mediaDispatcher_->wakeupToStop();
  playbackQueue_->async([this, mask, withAudio] {
    runMachine([&] { stateMachine_->requestUpdateChannelMask(mask, withAudio); });
  });
}

void PlaybackClient::pause() {
  mediaDispatcher_->wakeupToStop();
  playbackQueue_->async([this] { runMachine([&] { stateMachine_->requestStop(); }); });
}

void PlaybackClient::requestRecordingCalendar() { requestRecordingCalendar(WholePeriodFrom, WholePeriodTo); }

void PlaybackClient::requestRecordingCalendar(const Date& from, const Date& to) {
  requestCoordinator_->requestRecordingCalendar(from, to);
}

void PlaybackClient::requestRecordingTimeSliceList(const Date& date, const BitMask32& ofChannel) {
  requestCoordinator_->requestRecordingTimeSliceList(date, ofChannel);
}

void PlaybackClient::requestRecordingSectionList(const Interval& interval, const BitMask32& ofChannel) {
  requestCoordinator_->requestRecordingSectionList(interval, ofChannel);
}

void PlaybackClient::requestEventCalendar() { requestEventCalendar(WholePeriodFrom, WholePeriodTo); }

void PlaybackClient::requestEventCalendar(const Date& from, const Date& to) {
  requestCoordinator_->requestEventCalendar(from, to);
}

void PlaybackClient::requestEventList(const EventListRequest& request) {
  requestCoordinator_->requestEventList(request);
}

void PlaybackClient::requestEventListContinue(uint32_t value, bool withDirection) {
  requestCoordinator_->requestEventListContinue(value, withDirection);
}

void PlaybackClient::flushCache() { requestCoordinator_->flush(); }

PlaybackClientDelegate* PlaybackClient::playbackDelegate() const {
  return dynamic_cast<PlaybackClientDelegate*>(delegate());
}

std::string PlaybackClient::stateKey() const {
  std::lock_guard lock(publishedMutex_);
  return publishedStateKey_;
}

bool PlaybackClient::isPlaying() const { return stateKey() == PlaybackStatePlayingKey; }

std::shared_ptr<PlayRequest> PlaybackClient::lastPlayRequest() const {
  std::lock_guard lock(publishedMutex_);
  return publishedLastPlayRequest_;
}

void PlaybackClient::runMachine(const std::function<void()>& work) {
  work();
  std::lock_guard lock(publishedMutex_);
  publishedStateKey_ = stateMachine_->currentStateKey();
  publishedLastPlayRequest_ = stateMachine_->lastPlayRequest();
}

void PlaybackClient::syncOnPlaybackQueue(const std::function<void()>& task) {
  if (playbackQueue_->isCurrent())
    task();
  else
    playbackQueue_->sync(task);
}

// Hooks of the base (network thread).

void PlaybackClient::loginSucceed() {
  playbackQueue_->sync([this] {
    runMachine([&] { stateMachine_->connected(); });
    requestCoordinator_->cleanup();
    acceptingRequests_ = true;
  });
}

bool PlaybackClient::cleanup() {
  acceptingRequests_ = false;
  return NetworkClient::cleanup();
}

void PlaybackClient::analyzePacket(const std::shared_ptr<Packet>& packet) {
  Packet& p = *packet;
  switch (p.messageType()) {
    case MessageTypeRecordingCalendar:
      p.seekToPayload();
      handleRecordingCalendarMessage(p);
      break;
    case MessageTypeRecordingTimeSliceList:
      p.seekToPayload();
      handleRecordingTimeSliceListMessage(p);
      break;
    case MessageTypeEventList:
      p.seekToPayload();
      handleEventListMessage(p);
      break;
    case MessageTypeRecordingSectionList:
      p.seekToPayload();
      handleRecordingSectionListMessage(p);
      break;
    case MessageTypePlaybackMediaFrame:
      p.seekToPayload();
      handleMediaFrameMessage(p);
      break;
    case MessageTypePause:
      p.seekToPayload();
      handlePauseMessage(p);
      break;
    case MessageTypeEventCalendar:
      p.seekToPayload();
      handleEventCalendarMessage(p);
      break;
    default:
      NetworkClient::analyzePacket(packet);
      break;
  }
}

// Handlers. A ReadError leaves them for the base, which drops the message with
// its log line; an answer the coordinator counts is counted first.

void PlaybackClient::handleRecordingCalendarMessage(Packet& packet) {
  Calendar calendar;
  packet.popObject(calendar);
  if (auto* d = playbackDelegate()) d->receivedRecordingCalendar(calendar.dates());
  requestCoordinator_->recordingCalendarReceived(calendar.dates());
}

void PlaybackClient::handleRecordingTimeSliceListMessage(Packet& packet) {
  auto list = std::make_shared<TimeSliceList>();
  try {
    packet.popObject(*list);
  } catch (const ReadError&) {
    requestCoordinator_->recordingTimeSliceListMalformed();
    throw;
  }
  if (auto* d = playbackDelegate()) d->receivedRecordingTimeSlices(list);
  requestCoordinator_->recordingTimeSliceListReceived(list);
}

void PlaybackClient::handleEventListMessage(Packet& packet) {
  auto list = std::make_shared<EventList>();
  try {
    packet.popObject(*list);
  } catch (const ReadError&) {
    requestCoordinator_->eventListMalformed();
    throw;
  }
  if (auto* d = playbackDelegate()) d->receivedEventList(list);
  requestCoordinator_->eventListReceived(list);
}

void PlaybackClient::handleRecordingSectionListMessage(Packet& packet) {
  auto list = std::make_shared<SectionList>();
  packet.popObject(*list);
  if (auto* d = playbackDelegate()) d->receivedRecordingSectionList(list);
  requestCoordinator_->recordingSectionListRecieved(list);
}

void PlaybackClient::handleEventCalendarMessage(Packet& packet) {
  Calendar calendar;
  packet.popObject(calendar);
  if (auto* d = playbackDelegate()) d->receivedEventCalendar(calendar.dates());
  requestCoordinator_->eventCalendarReceived(calendar.dates());
}

void PlaybackClient::handleMediaFrameMessage(Packet& packet) {
  std::exception_ptr malformed;
  playbackQueue_->sync([&] {
    // Not playing: dropped unread.
    if (!stateMachine_->isPlaying()) return;
    bool visible = false;
    MediaPosition position;
    auto frame = std::make_shared<MediaFrame>();
    try {
      visible = packet.popUint8() != 0;
      position.readFrom(packet);
      packet.popObject(*frame);
    } catch (const ReadError&) {
      malformed = std::current_exception();
      return;
    }
    runMachine([&] { stateMachine_->mediaFrameReceived(frame, position, visible); });
  });
  if (malformed) std::rethrow_exception(malformed);
}

void PlaybackClient::handlePauseMessage(Packet& packet) {
  // The machine waits for this message to leave WaitingForStop: a short one still
  // moves it on.
  int reason = 0;
  if (packet.remaining() >= 4)
    reason = parsePauseReason(packet.popInt32());
  else
    zelvoLog("PlaybackClient::handlePauseMessage : short pause message (%lld bytes), reason 0",
             static_cast<long long>(packet.remaining()));
  playbackQueue_->sync([this, reason] { runMachine([&] { stateMachine_->playerStopped(reason); }); });
}

// Senders.

bool PlaybackClient::mayRequest(const char* what) const {
  if (acceptingRequests_.load() && isConnected()) return true;
  zelvoLog("PlaybackClient : %s refused : not logged in", what);
  return false;
}

bool PlaybackClient::send(const std::shared_ptr<Packet>& packet) {
  if (!packet) {
    zelvoLog("PlaybackClient : no memory for a request");
    return false;
  }
  packet->pack();
  // A client going away while its queues drain drops what they still send.
  sendPacket(packet);
  return true;
}

void PlaybackClient::requestPlay(const std::shared_ptr<PlayRequest>& request) {
  const MediaPosition position = request->mediaPosition().value_or(MediaPosition());
  switch (request->type()) {
    case PlayRequest::TypeJumpToEvent:
      requestJumpToEvent(position, request->channelMask());
      break;
    case PlayRequest::TypeJumpToPosition:
      requestJumpToPosition(position, request->mediaID());
      break;
    case PlayRequest::TypeJumpToNearPosition:
      requestJumpToNearPosition(position, request->dateTime().value_or(DateTime()),
                                request->direction() == PlayRequest::DirectionForward ? 2 : 1,
                                request->channelMask());
      break;
    case PlayRequest::TypeUpdateChannelMask:
      handleUpdateChannelMaskPlayRequest(request);
      break;
    default:
      sendPlayRequest(*request);
      break;
  }
}

void PlaybackClient::sendPlayRequest(const PlayRequest& request) {
  // The recorder pairs a play request with the interval sent right before it: the
  // two go out as one unit, so that no request from another queue comes between.
  auto interval = Packet::createWithMessageType(MessageTypePlaybackInterval);
  auto play = Packet::createWithMessageType(MessageTypePlayRequest);
  if (!interval || !play) {
    zelvoLog("PlaybackClient : no memory for a play request");
    return;
  }
  request.interval().writeTo(*interval);
  play->pushObject(request);
  interval->pack();
  play->pack();
  sendPackets({std::move(interval), std::move(play)});
}

void PlaybackClient::handleUpdateChannelMaskPlayRequest(const std::shared_ptr<PlayRequest>& update) {
  const std::shared_ptr<PlayRequest>& previous = update->prevRequest();
  ZELVO_ASSERT(previous != nullptr, "a channel update always refers to a request");
  const BitMask32& mask = update->channelMask();
  const bool audio = update->argument() != 0;

  // The previous request may already be in observers' hands (it was posted when
  // it was sent): it is never changed, a copy with the new channels goes out and
  // the update refers to the copy from now on.
  auto resendWithNewChannels = [&] {
    auto copy = std::make_shared<PlayRequest>(*previous);
    copy->setChannelMask(mask);
    if (copy->type() == PlayRequest::TypePlay) copy->enableAudio(audio);
    update->setPrevRequest(copy);
    requestPlay(copy);
  };

  if (previous->type() == PlayRequest::TypePlay && update->argument2() == 0) {
    resendWithNewChannels();
    return;
  }
  // Nothing shown yet: there is no position to resume at.
  if (!mediaDispatcher_->hasPoppedMedia()) {
    resendWithNewChannels();
    return;
  }
  const LastPoppedMediaInfo info = mediaDispatcher_->lastPoppedMediaInfo();
  const int64_t channel = info.channel();
  // A frame without a channel (-1) is in no mask.
  if (channel >= 0 && channel < BitMask32::BitCount && mask.isSet(static_cast<int>(channel)))
    requestJumpToPosition(info.position(), info.mediaID());
  else
    requestJumpToNearPosition(info.position(), info.dateTime().value_or(DateTime()), 1, mask);
}

void PlaybackClient::requestPause(const MediaPosition& position) {
  auto packet = Packet::createWithMessageType(MessageTypePause);
  if (packet) position.writeTo(*packet);
  send(packet);
}

void PlaybackClient::requestJumpToPosition(const MediaPosition& position, uint64_t ofMediaID) {
  auto packet = Packet::createWithMessageType(MessageTypeJump);
  if (packet) {
    position.writeTo(*packet);
    packet->pushUint64(ofMediaID);
  }
  send(packet);
}

void PlaybackClient::requestJumpToEvent(const MediaPosition& position, const BitMask32& withChannel) {
  auto packet = Packet::createWithMessageType(MessageTypeJump);
  if (packet) {
    position.writeTo(*packet);
    packet->pushInt64(0);
    packet->pushUint32(withChannel.asUint32());
  }
  send(packet);
}

void PlaybackClient::requestJumpToNearPosition(const MediaPosition& position, const DateTime& atDateTime,
                                               int withDirection, const BitMask32& ofChannel) {
  auto packet = Packet::createWithMessageType(MessageTypeJumpToNearPosition);
  if (packet) {
    position.writeTo(*packet);
    atDateTime.writeTo(*packet);
    packet->pushInt32(withDirection);
    packet->pushUint32(ofChannel.asUint32());
  }
  send(packet);
}

bool PlaybackClient::sendRecordingCalendarRequest(const Date& from, const Date& to) {
  if (!mayRequest("recording calendar")) return false;
  auto packet = Packet::createWithMessageType(MessageTypeRecordingCalendar);
  if (packet) {
    from.writeTo(*packet);
    to.writeTo(*packet);
  }
  return send(packet);
}

bool PlaybackClient::sendRecordingTimeSliceListRequest(const Date& date, const BitMask32& channel) {
  if (!mayRequest("recording time slices")) return false;
  auto packet = Packet::createWithMessageType(MessageTypeRecordingTimeSliceList);
  if (packet) {
    Interval::intervalOfDate(date).writeTo(*packet);
    packet->pushUint32(channel.asUint32());
  }
  return send(packet);
}

bool PlaybackClient::sendRecordingSectionListRequest(const Interval& interval, const BitMask32& channel) {
  if (!mayRequest("recording sections")) return false;
  auto packet = Packet::createWithMessageType(MessageTypeRecordingSectionList);
  if (packet) {
    packet->pushInt32(static_cast<int32_t>(channel.asUint32()));
    interval.writeTo(*packet);
  }
  return send(packet);
}

bool PlaybackClient::sendEventCalendarRequest(const Date& from, const Date& to) {
  if (!mayRequest("event calendar")) return false;
  auto packet = Packet::createWithMessageType(MessageTypeEventCalendar);
  if (packet) {
    from.writeTo(*packet);
    to.writeTo(*packet);
    packet->pushUint8(0);
  }
  return send(packet);
}

bool PlaybackClient::sendEventListRequest(const EventListRequest& request) {
  if (!mayRequest("event list")) return false;
  auto packet = Packet::createWithMessageType(MessageTypeEventList);
  if (packet) {
    request.interval().writeTo(*packet);
    packet->pushUint32(request.channelMask().asUint32());
    packet->pushUint32(request.eventMask().asUint32());
    packet->pushInt32(static_cast<int32_t>(request.maxCount()));
  }
  return send(packet);
}

bool PlaybackClient::sendEventListContinueRequest(uint32_t value, bool direction) {
  if (!mayRequest("event list continuation")) return false;
  auto packet = Packet::createWithMessageType(MessageTypeEventListContinue);
  if (packet) {
    packet->pushUint8(direction ? 1 : 0);
    packet->pushUint32(value);
  }
  return send(packet);
}

// Posting (from the playback, coordination and dispatch queues, never the main
// thread): on the main thread, waiting until the observers have returned.

void PlaybackClient::post(const std::string& name, UserInfo userInfo) {
  NotificationCenter::defaultCenter().postOnMainAndWait(
      Notification{name, static_cast<const NetworkClient*>(this), std::move(userInfo)}, hopCancellation_);
}

void PlaybackClient::notifyRecordingCalendarReceived(const std::vector<Date>& dates) {
  post(PlaybackRecordingCalendarReceivedNotification, {{PlaybackCalendarKey, dates}});
}

void PlaybackClient::notifyRecordingTimeSliceListReceived(const std::shared_ptr<const TimeSliceList>& list) {
  post(PlaybackRecordingTimeSliceListReceivedNotification, {{PlaybackTimeSliceListKey, list}});
}

void PlaybackClient::notifyRecordingSectionListReceived(const std::shared_ptr<const SectionList>& list) {
  post(PlaybackRecordingSectionListReceivedNotification, {{PlaybackSectionListKey, list}});
}

void PlaybackClient::notifyEventCalendarReceived(const std::vector<Date>& dates) {
  post(PlaybackEventCalendarReceivedNotification, {{PlaybackCalendarKey, dates}});
}

void PlaybackClient::notifyEventListReceived(const std::shared_ptr<const EventList>& list) {
  post(PlaybackEventListReceivedNotification, {{PlaybackEventListKey, list}});
}

// State machine context (playback queue).

void PlaybackClient::contextPlayRequested(const std::shared_ptr<PlayRequest>& request) {
  mediaDispatcher_->start();
  requestPlay(request);
  post(PlaybackPlayRequestedNotification, {{PlaybackPlayRequestKey, std::shared_ptr<const PlayRequest>(request)}});
}

void PlaybackClient::contextStopRequested() { requestPause(mediaDispatcher_->lastPoppedMediaInfo().position()); }

void PlaybackClient::contextNeedToBeSureAllMediaDispatched() { mediaDispatcher_->clear(); }

void PlaybackClient::contextPlaybackStarted(const std::shared_ptr<PlayRequest>& request,
                                            const std::shared_ptr<const MediaFrame>& withFrame,
                                            const MediaPosition& atPosition, bool visible) {
  post(PlaybackStartedNotification, {{PlaybackPlayRequestKey, std::shared_ptr<const PlayRequest>(request)},
                                     {PlaybackMediaFrameKey, withFrame},
                                     {PlaybackMediaPositionKey, atPosition},
                                     {PlaybackVisibleKey, visible}});
}

void PlaybackClient::contextPlaybackStopped(int reason, const std::shared_ptr<PlayRequest>& forPlayRequest,
                                            bool withAllMediaDispatchedNotification) {
  if (auto* d = playbackDelegate()) d->playbackPausedWithReason(reason);
  mediaDispatcher_->notifyPlaybackPausedWithReason(reason, forPlayRequest, withAllMediaDispatchedNotification);
}

void PlaybackClient::contextMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame,
                                               const MediaPosition& atPosition, bool visible,
                                               const std::shared_ptr<PlayRequest>& forPlayRequest) {
  if (auto* d = playbackDelegate()) d->receivedPlaybackMediaFrame(frame, atPosition, visible);
  const int speed = forPlayRequest ? forPlayRequest->speed() : 0;
  const int direction = forPlayRequest ? forPlayRequest->direction() : PlayRequest::DirectionForward;
  // Blocks while five frames are in flight (back-pressure on this connection).
  mediaDispatcher_->requestDispatch(frame, atPosition, visible, speed, direction);
}

void PlaybackClient::allMediaDispatched() {
  std::lock_guard lock(closingMutex_);
  if (closing_) return;
  playbackQueue_->async([this] { runMachine([&] { stateMachine_->allMediaDispatched(); }); });
}

}  // namespace zelvo
