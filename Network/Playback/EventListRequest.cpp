#include "Network/Playback/EventListRequest.h"

namespace zelvo {

EventListRequest EventListRequest::eventListRequestOfDate(const Date& date, uint32_t untilMaxCount) {
  EventMask every;
  every.setAll();
  return eventListRequestOfDate(date, every, untilMaxCount);
}

EventListRequest EventListRequest::eventListRequestOfDate(const Date& date, const EventMask& withEventMask,
                                                          uint32_t untilMaxCount) {
  EventListRequest request;
  request.interval_ = Interval::intervalOfDate(date);
  request.channelMask_.setAll();
  request.eventMask_ = withEventMask;
  request.maxCount_ = untilMaxCount;
  return request;
}

}  // namespace zelvo
