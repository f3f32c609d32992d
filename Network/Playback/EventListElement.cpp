#include "Network/Playback/EventListElement.h"

#include <cinttypes>
#include <cstdio>

#include "Network/ByteBuffer.h"
#include "Network/Playback/EventType.h"

namespace zelvo {

void EventListElement::readFrom(ByteBuffer& buffer) {
  if (buffer.remaining() < WireSize) throw ReadError("event runs past the end of the message");
  type_ = buffer.popInt8();
  eventID_ = buffer.popUint8();
  channelMask_.setAsUint32(buffer.popUint32());
  buffer.popObject(dateTime_);
  mediaID_ = buffer.popUint64();
  buffer.popObject(mediaPosition_);
}

void EventListElement::writeTo(ByteBuffer&) const {}

std::string EventListElement::description() const {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "(mediaID) %" PRIu64 ", (eventID) %d", mediaID_, eventID_);
  return std::string(eventTypeName(type_)) + ", " + dateTime_.description() + ", (channel) " +
         channelMask_.description() + ", " + mediaPosition_.description() + ", " + numbers;
}

}  // namespace zelvo
