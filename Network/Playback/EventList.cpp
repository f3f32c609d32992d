#include "Network/Playback/EventList.h"

#include "Network/ByteBuffer.h"
#include "Network/Playback/Description.h"
#include "Network/Playback/WireCount.h"

namespace zelvo {

void EventList::readFrom(ByteBuffer& buffer) {
  int32_t count = checkedWireCount(buffer, 2, 6, EventListElement::WireSize, "event list");
  bool hasPrev = buffer.popInt8() != 0;
  bool hasNext = buffer.popInt8() != 0;
  buffer.skip(4);
  std::vector<EventListElement> events(static_cast<size_t>(count));
  for (EventListElement& event : events) buffer.popObject(event);
  events_ = std::move(events);
  hasPrev_ = hasPrev;
  hasNext_ = hasNext;
}

void EventList::writeTo(ByteBuffer&) const {}

std::string EventList::description() const { return describeEach(events_); }

}  // namespace zelvo
