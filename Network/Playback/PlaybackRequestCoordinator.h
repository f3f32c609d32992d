#pragma once
// Serialises the playback client's calendar and list requests on a queue of its
// own, answers a repeated time-slice request from a cache, and passes on only the
// wanted answers: for time slices the answer to the latest request, for event
// lists every page since the last new list. Sending and posting are its
// delegate's (the playback client's).

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "Foundation/SerialQueue.h"
#include "Network/BitMask32.h"
#include "Network/Date.h"
#include "Network/Interval.h"
#include "Network/Playback/EventList.h"
#include "Network/Playback/EventListRequest.h"
#include "Network/Playback/AllRespondRequestQueue.h"
#include "Network/Playback/LastRespondRequestQueue.h"
#include "Network/Playback/RequestManager.h"
#include "Network/Playback/SectionList.h"
#include "Network/Playback/TimeSliceList.h"

namespace zelvo {

inline constexpr char PlaybackTimeSliceListRequestKey[] = "PlaybackTimeSliceListRequestKey";
inline constexpr char PlaybackEventListRequestKey[] = "PlaybackEventListRequestKey";

// Called on the coordination queue. A send operation answers false when the
// request was refused (not logged in): nothing went out, so nothing is counted.
class PlaybackRequestCoordinatorDelegate {
 public:
  virtual ~PlaybackRequestCoordinatorDelegate() = default;
  virtual bool sendRecordingCalendarRequest(const Date& from, const Date& to) = 0;
  virtual bool sendRecordingTimeSliceListRequest(const Date& date, const BitMask32& channel) = 0;
  virtual bool sendRecordingSectionListRequest(const Interval& interval, const BitMask32& channel) = 0;
  virtual bool sendEventCalendarRequest(const Date& from, const Date& to) = 0;
  virtual bool sendEventListRequest(const EventListRequest& request) = 0;
  virtual bool sendEventListContinueRequest(uint32_t value, bool direction) = 0;
  virtual void notifyRecordingCalendarReceived(const std::vector<Date>& dates) = 0;
  virtual void notifyRecordingTimeSliceListReceived(const std::shared_ptr<const TimeSliceList>& list) = 0;
  virtual void notifyRecordingSectionListReceived(const std::shared_ptr<const SectionList>& list) = 0;
  virtual void notifyEventCalendarReceived(const std::vector<Date>& dates) = 0;
  virtual void notifyEventListReceived(const std::shared_ptr<const EventList>& list) = 0;
};

class PlaybackRequestCoordinator {
 public:
  explicit PlaybackRequestCoordinator(PlaybackRequestCoordinatorDelegate* delegate = nullptr);
  // Finishes what is queued first.
  ~PlaybackRequestCoordinator();
  PlaybackRequestCoordinator(const PlaybackRequestCoordinator&) = delete;
  PlaybackRequestCoordinator& operator=(const PlaybackRequestCoordinator&) = delete;

  PlaybackRequestCoordinatorDelegate* delegate() const { return delegate_; }
  // Set before the first request.
  void setDelegate(PlaybackRequestCoordinatorDelegate* delegate) { delegate_ = delegate; }

  // Requests: any thread, never block.
  void requestRecordingCalendar(const Date& from, const Date& to);
  void requestRecordingTimeSliceList(const Date& date, const BitMask32& channel);
  void requestRecordingSectionList(const Interval& interval, const BitMask32& channel);
  void requestEventCalendar(const Date& from, const Date& to);
  void requestEventList(const EventListRequest& request);
  void requestEventListContinue(uint32_t value, bool direction);

  // Answers: from the network thread, each handled before it returns.
  void recordingCalendarReceived(const std::vector<Date>& dates);
  void recordingTimeSliceListReceived(std::shared_ptr<const TimeSliceList> list);
  void recordingSectionListRecieved(std::shared_ptr<const SectionList> list);
  void eventCalendarReceived(const std::vector<Date>& dates);
  void eventListReceived(std::shared_ptr<const EventList> list);
  // An answer that could not be read still answers its request: it is judged and
  // counted like any other, so the later answers stay paired with their requests.
  void recordingTimeSliceListMalformed();
  void eventListMalformed();

  // Empties the time-slice cache (queued behind the requests already made).
  void flush();
  // Forgets every outstanding request and the cache; returns once done.
  void cleanup();

  // Runs task on the coordination queue and waits (tests: everything queued
  // before has been handled).
  void sync(const std::function<void()>& task);

 private:
  // What a time-slice request asked for; the cache is keyed by it, since an
  // answer names neither the day asked for nor the channels.
  struct TimeSliceQuery {
    Date date;
    uint32_t channelMask;
    bool operator<(const TimeSliceQuery& other) const;
  };

  void handleTimeSliceAnswer(const std::shared_ptr<const TimeSliceList>& list);
  void handleEventListAnswer(const std::shared_ptr<const EventList>& list);
  void runSync(const std::function<void()>& task);

  PlaybackRequestCoordinatorDelegate* delegate_;
  RequestManager requestManager_;
  std::map<TimeSliceQuery, std::shared_ptr<const TimeSliceList>> cacheTimeSliceList_;
  // Last member: drained and joined first.
  std::unique_ptr<SerialQueue> coordinationQueue_;
};

}  // namespace zelvo
