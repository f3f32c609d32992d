#pragma once
// Converts recorder DateTimes to platform dates (QDateTime) and to text.
//
// Conversions use a Gregorian calendar in one time zone, the system's current
// zone unless another is given. Fields out of their usual range carry over the
// way a calendar does: hour 24 is 00:00 of the next day, day 32 of January is
// 1 February. A local time that the zone skips (the hour lost to summer time) is
// taken forward by the length of the gap: 02:30 on such a day is 03:30.
//
// Text uses the locale's medium styles (from LC_ALL, LC_TIME or LANG, in that
// order) and shows the recorder's fields as they are. A formatter is made per call,
// so one utility may be shared by every thread.

#include <QDateTime>
#include <QTimeZone>
#include <cstdint>
#include <memory>
#include <string>

#include "Network/Date.h"
#include "Network/DateTime.h"
#include "Network/Time.h"

namespace zelvo {

class DateTimeUtility {
 public:
  explicit DateTimeUtility(QTimeZone zone = QTimeZone::systemTimeZone(), std::string locale = localeFromEnvironment());

  // Made on first use.
  static std::shared_ptr<DateTimeUtility> sharedDateTimeUtility();
  // Drops the shared one; the next sharedDateTimeUtility() makes a new one.
  static void cleanup();
  // The ICU locale named by the environment ("en_US_POSIX" for C and POSIX).
  static std::string localeFromEnvironment();

  std::string stringFromDate(const Date& date) const;
  std::string stringFromTime(const Time& time) const;
  std::string stringFromDateTime(const DateTime& dateTime) const;

  QDateTime nsdateFromDateTime(const DateTime& dateTime) const;
  // 00:00:00 of the day.
  QDateTime nsdateFromDate(const Date& date) const;
  // The time on 0001-01-01.
  QDateTime nsdateFromTime(const Time& time) const;
  // The fields of a platform date in this zone; blank when the date is invalid or
  // its year cannot be held (before year 0 or after 65535).
  DateTime dateTimeFromNSDate(const QDateTime& date) const;
  DateTime dateTimeAfterSeconds(int64_t seconds, const DateTime& from) const;
  // Whole seconds from the first to the second, negative when the second is earlier.
  int64_t differenceFrom(const DateTime& from, const DateTime& to) const;

  const QTimeZone& timeZone() const { return zone_; }
  const std::string& locale() const { return locale_; }

 private:
  QDateTime localDateTime(int64_t year, int64_t month, int64_t day, int64_t secondsOfDay) const;
  std::string format(int dateStyle, int timeStyle, int64_t year, int64_t month, int64_t day,
                     int64_t secondsOfDay) const;

  QTimeZone zone_;
  std::string locale_;
};

}  // namespace zelvo
