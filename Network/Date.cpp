#include "Network/Date.h"

#include "Foundation/Assert.h"
#include "Network/ByteBuffer.h"
#include "Network/DateTimeUtility.h"

namespace zelvo {

Date::Date(int year, int month, int day) {
  setYear(year);
  setMonth(month);
  setDay(day);
}

Date Date::fromBuffer(ByteBuffer& buffer) {
  Date date;
  date.readFrom(buffer);
  return date;
}

void Date::setYear(int year) {
  ZELVO_PRECONDITION(0 <= year && year <= 65535);
  data_ = (data_ & 0x0000FFFFu) | static_cast<uint32_t>(year) << 16;
}

void Date::setMonth(int month) {
  ZELVO_PRECONDITION(0 < month && month <= 12);
  data_ = (data_ & 0xFFFF00FFu) | static_cast<uint32_t>(month) << 8;
}

void Date::setDay(int day) {
  ZELVO_PRECONDITION(0 < day && day <= 31);
  data_ = (data_ & 0xFFFFFF00u) | static_cast<uint32_t>(day);
}

std::string Date::description() const { return DateTimeUtility::sharedDateTimeUtility()->stringFromDate(*this); }

void Date::readFrom(ByteBuffer& buffer) {
  // Check first so that a short buffer leaves the cursor where it was.
  if (buffer.remaining() < WireSize) throw ReadError("date runs past the end of the message");
  uint32_t year = buffer.popUint16();
  uint32_t month = buffer.popUint8();
  uint32_t day = buffer.popUint8();
  data_ = year << 16 | month << 8 | day;
}

void Date::writeTo(ByteBuffer& buffer) const {
  buffer.pushUint16(static_cast<uint16_t>(year()));
  buffer.pushUint8(static_cast<uint8_t>(month()));
  buffer.pushUint8(static_cast<uint8_t>(day()));
}

}  // namespace zelvo
