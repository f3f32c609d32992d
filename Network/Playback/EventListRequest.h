#pragma once
// What the client asks for in an event-list request: a period, the channels and
// the kinds of event searched, and the most events one answer may hold.

#include <cstdint>

#include "Network/BitMask32.h"
#include "Network/Date.h"
#include "Network/Interval.h"
#include "Network/Playback/EventMask.h"

namespace zelvo {

class EventListRequest {
 public:
  EventListRequest() = default;

  // The whole day, every channel, every kind of event.
  static EventListRequest eventListRequestOfDate(const Date& date, uint32_t untilMaxCount);
  // The whole day, every channel, the given kinds.
  static EventListRequest eventListRequestOfDate(const Date& date, const EventMask& withEventMask,
                                                 uint32_t untilMaxCount);

  const Interval& interval() const { return interval_; }
  void setInterval(const Interval& interval) { interval_ = interval; }
  const BitMask32& channelMask() const { return channelMask_; }
  void setChannelMask(const BitMask32& mask) { channelMask_ = mask; }
  const EventMask& eventMask() const { return eventMask_; }
  void setEventMask(const EventMask& mask) { eventMask_ = mask; }
  uint32_t maxCount() const { return maxCount_; }
  void setMaxCount(uint32_t maxCount) { maxCount_ = maxCount; }

 private:
  Interval interval_;
  BitMask32 channelMask_;
  EventMask eventMask_;
  uint32_t maxCount_ = 0;
};

}  // namespace zelvo
