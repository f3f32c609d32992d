#include "Network/Time.h"

#include "Foundation/Assert.h"
#include "Network/ByteBuffer.h"
#include "Network/DateTimeUtility.h"
#include "Network/Packet.h"

namespace zelvo {

Time::Time(int hour, int minute, int second) {
  setHour(hour);
  setMinute(minute);
  setSecond(second);
}

Time::Time(int hour, int minute, int second, int /*offsetUTC*/) : Time(hour, minute, second) {}

Time Time::fromBuffer(ByteBuffer& buffer) {
  Time time;
  time.readFrom(buffer);
  return time;
}

Time Time::timeFromPacket(Packet& packet) { return fromBuffer(packet); }

void Time::setHour(int hour) {
  ZELVO_PRECONDITION(0 <= hour && hour <= 24);
  data_ = (data_ & 0xFF00FFFFu) | static_cast<uint32_t>(hour) << 16;
}

void Time::setMinute(int minute) {
  ZELVO_PRECONDITION(0 <= minute && minute < 60);
  data_ = (data_ & 0xFFFF00FFu) | static_cast<uint32_t>(minute) << 8;
}

void Time::setSecond(int second) {
  ZELVO_PRECONDITION(0 <= second && second < 60);
  data_ = (data_ & 0xFFFFFF00u) | static_cast<uint32_t>(second);
}

std::string Time::description() const { return DateTimeUtility::sharedDateTimeUtility()->stringFromTime(*this); }

void Time::readFrom(ByteBuffer& buffer) {
  if (buffer.remaining() < WireSize) throw ReadError("time runs past the end of the message");
  uint32_t offset = buffer.popUint8();
  uint32_t hour = buffer.popUint8();
  uint32_t minute = buffer.popUint8();
  uint32_t second = buffer.popUint8();
  data_ = offset << 24 | hour << 16 | minute << 8 | second;
}

void Time::writeTo(ByteBuffer& buffer) const {
  buffer.pushUint8(0);
  buffer.pushUint8(static_cast<uint8_t>(hour()));
  buffer.pushUint8(static_cast<uint8_t>(minute()));
  buffer.pushUint8(static_cast<uint8_t>(second()));
}

}  // namespace zelvo
