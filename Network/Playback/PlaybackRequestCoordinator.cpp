#include "Network/Playback/PlaybackRequestCoordinator.h"

#include <tuple>

#include "Foundation/Log.h"

namespace zelvo {

bool PlaybackRequestCoordinator::TimeSliceQuery::operator<(const TimeSliceQuery& other) const {
  return std::tuple(date.data(), channelMask) < std::tuple(other.date.data(), other.channelMask);
}

PlaybackRequestCoordinator::PlaybackRequestCoordinator(PlaybackRequestCoordinatorDelegate* delegate)
    : delegate_(delegate),
      coordinationQueue_(std::make_unique<SerialQueue>("com.ostrel-security.Orvet2.PlaybackRequestCoordinator")) {
  requestManager_.registerRequestQueue(std::make_shared<LastRespondRequestQueue>(), PlaybackTimeSliceListRequestKey);
  requestManager_.registerRequestQueue(std::make_shared<AllRespondRequestQueue>(), PlaybackEventListRequestKey);
}

PlaybackRequestCoordinator::~PlaybackRequestCoordinator() { coordinationQueue_.reset(); }

void PlaybackRequestCoordinator::requestRecordingCalendar(const Date& from, const Date& to) {
  coordinationQueue_->async([this, from, to] {
    if (delegate_) delegate_->sendRecordingCalendarRequest(from, to);
  });
}

void PlaybackRequestCoordinator::requestRecordingTimeSliceList(const Date& date, const BitMask32& channel) {
  coordinationQueue_->async([this, date, channel] {
    if (!delegate_) return;
    const TimeSliceQuery query{date, channel.asUint32()};
    auto hit = cacheTimeSliceList_.find(query);
    if (hit != cacheTimeSliceList_.end()) {
      zelvoLog("PlaybackClient::requestRecordingTimeSliceList : hit! : %s", date.description().c_str());
      delegate_->notifyRecordingTimeSliceListReceived(hit->second);
      // Answers still on their way would replace the list just shown.
      requestManager_.cancelAllRequests(PlaybackTimeSliceListRequestKey);
      return;
    }
    if (delegate_->sendRecordingTimeSliceListRequest(date, channel))
      requestManager_.requested(std::any(query), PlaybackTimeSliceListRequestKey);
  });
}

void PlaybackRequestCoordinator::requestRecordingSectionList(const Interval& interval, const BitMask32& channel) {
  coordinationQueue_->async([this, interval, channel] {
    if (delegate_) delegate_->sendRecordingSectionListRequest(interval, channel);
  });
}

void PlaybackRequestCoordinator::requestEventCalendar(const Date& from, const Date& to) {
  coordinationQueue_->async([this, from, to] {
    if (delegate_) delegate_->sendEventCalendarRequest(from, to);
  });
}

void PlaybackRequestCoordinator::requestEventList(const EventListRequest& request) {
  coordinationQueue_->async([this, request] {
    if (!delegate_ || !delegate_->sendEventListRequest(request)) return;
    requestManager_.cancelAllRequests(PlaybackEventListRequestKey);
    requestManager_.requestedForKey(PlaybackEventListRequestKey);
  });
}

void PlaybackRequestCoordinator::requestEventListContinue(uint32_t value, bool direction) {
  coordinationQueue_->async([this, value, direction] {
    // No cancel: the next page adds to the same list.
    if (delegate_ && delegate_->sendEventListContinueRequest(value, direction))
      requestManager_.requestedForKey(PlaybackEventListRequestKey);
  });
}

void PlaybackRequestCoordinator::recordingCalendarReceived(const std::vector<Date>& dates) {
  runSync([&] {
    if (delegate_) delegate_->notifyRecordingCalendarReceived(dates);
  });
}

void PlaybackRequestCoordinator::recordingTimeSliceListReceived(std::shared_ptr<const TimeSliceList> list) {
  runSync([&] { handleTimeSliceAnswer(list); });
}

void PlaybackRequestCoordinator::recordingTimeSliceListMalformed() {
  runSync([&] { handleTimeSliceAnswer(nullptr); });
}

void PlaybackRequestCoordinator::recordingSectionListRecieved(std::shared_ptr<const SectionList> list) {
  runSync([&] {
    if (delegate_) delegate_->notifyRecordingSectionListReceived(list);
  });
}

void PlaybackRequestCoordinator::eventCalendarReceived(const std::vector<Date>& dates) {
  runSync([&] {
    if (delegate_) delegate_->notifyEventCalendarReceived(dates);
  });
}

void PlaybackRequestCoordinator::eventListReceived(std::shared_ptr<const EventList> list) {
  runSync([&] { handleEventListAnswer(list); });
}

void PlaybackRequestCoordinator::eventListMalformed() {
  runSync([&] { handleEventListAnswer(nullptr); });
}

void PlaybackRequestCoordinator::handleTimeSliceAnswer(const std::shared_ptr<const TimeSliceList>& list) {
  const bool notify = requestManager_.shouldNotifyResponse(PlaybackTimeSliceListRequestKey);
  // The recorder answers in order, so the entry this answer consumes is the
  // request it answers, whether shown or not. An answer nothing was asked for
  // has no day to be filed under.
  const auto answered = requestManager_.responseReceived(PlaybackTimeSliceListRequestKey);
  if (!list) {
    zelvoLog("PlaybackRequestCoordinator::recordingTimeSliceListReceived : malformed reponse dropped");
    return;
  }
  if (answered) {
    if (const auto* query = std::any_cast<TimeSliceQuery>(&answered->request)) cacheTimeSliceList_[*query] = list;
  }
  if (notify && delegate_)
    delegate_->notifyRecordingTimeSliceListReceived(list);
  else
    zelvoLog("PlaybackRequestCoordinator::recordingTimeSliceListReceived : reponse ignored");
}

void PlaybackRequestCoordinator::handleEventListAnswer(const std::shared_ptr<const EventList>& list) {
  const bool notify = requestManager_.shouldNotifyResponse(PlaybackEventListRequestKey);
  requestManager_.responseReceived(PlaybackEventListRequestKey);
  if (!list) {
    zelvoLog("PlaybackRequestCoordinator::eventListReceived : malformed reponse dropped");
    return;
  }
  if (notify && delegate_) {
    zelvoLog("PlaybackRequestCoordinator::eventListReceived : reponse");
    delegate_->notifyEventListReceived(list);
  } else {
    zelvoLog("PlaybackRequestCoordinator::eventListReceived : reponse ignored");
  }
}

void PlaybackRequestCoordinator::flush() {
  coordinationQueue_->async([this] { cacheTimeSliceList_.clear(); });
}

void PlaybackRequestCoordinator::cleanup() {
  // On the queue, so that a login cannot race a request or an answer in progress.
  runSync([this] {
    requestManager_.cleanup();
    cacheTimeSliceList_.clear();
  });
}

void PlaybackRequestCoordinator::sync(const std::function<void()>& task) { runSync(task); }

void PlaybackRequestCoordinator::runSync(const std::function<void()>& task) {
  if (coordinationQueue_->isCurrent())
    task();
  else
    coordinationQueue_->sync(task);
}

}  // namespace zelvo
