#include "Network/DateTime.h"

#include "Foundation/Assert.h"
#include "Network/ByteBuffer.h"
#include "Network/DateTimeUtility.h"
#include "Network/Packet.h"

namespace zelvo {

namespace {

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

constexpr int64_t DaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

}  // namespace

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second)
    : date_(year, month, day), time_(hour, minute, second) {}

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second, int offsetUTC)
    : date_(year, month, day), time_(hour, minute, second, offsetUTC) {}

DateTime DateTime::fromBuffer(ByteBuffer& buffer) {
  DateTime dateTime;
  dateTime.readFrom(buffer);
  return dateTime;
}

DateTime DateTime::dateTimeFromPacket(Packet& packet) { return fromBuffer(packet); }

std::string DateTime::description() const {
  return DateTimeUtility::sharedDateTimeUtility()->stringFromDateTime(*this);
}

void DateTime::readFrom(ByteBuffer& buffer) {
  if (buffer.remaining() < WireSize) throw ReadError("date and time run past the end of the message");
  date_.readFrom(buffer);
  time_.readFrom(buffer);
}

void DateTime::writeTo(ByteBuffer& buffer) const {
  date_.writeTo(buffer);
  time_.writeTo(buffer);
}

time_t DateTime::mktimeAsUTC(struct tm* t) {
  ZELVO_PRECONDITION(t);
  // The month indexes the table below: a negative one is as wrong as 12.
  ZELVO_PRECONDITION(0 <= t->tm_mon);
  ZELVO_PRECONDITION(t->tm_mon < 12);
  int64_t years = t->tm_year;
  int64_t y = 1900 + years - (t->tm_mon < 2 ? 1 : 0);
  int64_t days = 365 * years + floorDiv(y, 4) - floorDiv(y, 100) + floorDiv(y, 400) - 26028 +
                 DaysBeforeMonth[t->tm_mon] + t->tm_mday;
  int64_t seconds = days * 86400 + int64_t{t->tm_hour} * 3600 + int64_t{t->tm_min} * 60 + t->tm_sec;
  time_t result = static_cast<time_t>(seconds);
  gmtime_r(&result, t);
  return result;
}

DateTime DateTime::addSeconds(int n) const {
  struct tm t = {};
  t.tm_year = year() - 1900;
  t.tm_mon = month() - 1;
  // Whole days go to the day of the month so that no field overflows.
  t.tm_mday = day() + n / 86400;
  t.tm_hour = hour();
  t.tm_min = minute();
  t.tm_sec = second() + n % 86400;
  mktimeAsUTC(&t);
  return DateTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

}  // namespace zelvo
