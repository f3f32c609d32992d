#include "Network/DateTimeUtility.h"

#include <unicode/ucal.h>
#include <unicode/udat.h>

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace zelvo {

namespace {

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date (astronomical years, so
// year 0 exists); month and day may lie outside their ranges and carry over.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
  year += floorDiv(month - 1, 12);
  month = month - 1 - 12 * floorDiv(month - 1, 12) + 1;
  int64_t y = month <= 2 ? year - 1 : year;
  int64_t era = floorDiv(y, 400);
  int64_t yearOfEra = y - era * 400;
  int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468 + (day - 1);
}

constexpr int64_t JulianDayOfEpoch = 2440588;
constexpr int64_t SecondsPerDay = 86400;
// The earliest instant ICU accepts as a calendar change: a purely Gregorian calendar.
constexpr double PurelyGregorian = -184303902528000000.0;

std::mutex sharedMutex;
std::shared_ptr<DateTimeUtility> sharedUtility;

}  // namespace

DateTimeUtility::DateTimeUtility(QTimeZone zone, std::string locale)
    : zone_(zone.isValid() ? std::move(zone) : QTimeZone::utc()), locale_(std::move(locale)) {}

std::shared_ptr<DateTimeUtility> DateTimeUtility::sharedDateTimeUtility() {
  std::lock_guard lock(sharedMutex);
  if (!sharedUtility) sharedUtility = std::make_shared<DateTimeUtility>();
  return sharedUtility;
}

void DateTimeUtility::cleanup() {
  std::lock_guard lock(sharedMutex);
  sharedUtility.reset();
}

std::string DateTimeUtility::localeFromEnvironment() {
  std::string name;
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      name = value;
      break;
    }
  }
  // "de_DE.UTF-8@euro" -> "de_DE": ICU knows nothing of encodings.
  name = name.substr(0, name.find_first_of(".@"));
  if (name.empty() || name == "C" || name == "POSIX") return "en_US_POSIX";
  return name;
}

QDateTime DateTimeUtility::localDateTime(int64_t year, int64_t month, int64_t day, int64_t secondsOfDay) const {
  int64_t days = daysFromCivil(year, month, day) + floorDiv(secondsOfDay, SecondsPerDay);
  int64_t seconds = secondsOfDay - SecondsPerDay * floorDiv(secondsOfDay, SecondsPerDay);
  QDate date = QDate::fromJulianDay(days + JulianDayOfEpoch);
  QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(seconds * 1000));
  QDateTime local(date, time, zone_);
  if (local.isValid() || !date.isValid()) return local;
  // The zone skips this wall-clock time: read it with the offset in force before
  // the gap, which lands it past the gap by the gap's length.
  QDateTime wall(date, time, QTimeZone::utc());
  int offsetBefore = zone_.offsetFromUtc(wall.addSecs(-SecondsPerDay));
  return wall.addSecs(-offsetBefore).toTimeZone(zone_);
}

QDateTime DateTimeUtility::nsdateFromDateTime(const DateTime& dateTime) const {
  return localDateTime(dateTime.year(), dateTime.month(), dateTime.day(),
                       dateTime.hour() * 3600 + dateTime.minute() * 60 + dateTime.second());
}

QDateTime DateTimeUtility::nsdateFromDate(const Date& date) const {
  return localDateTime(date.year(), date.month(), date.day(), 0);
}

QDateTime DateTimeUtility::nsdateFromTime(const Time& time) const {
  return localDateTime(1, 1, 1, time.hour() * 3600 + time.minute() * 60 + time.second());
}

DateTime DateTimeUtility::dateTimeFromNSDate(const QDateTime& date) const {
  if (!date.isValid()) return DateTime();
  QDateTime local = date.toTimeZone(zone_);
  QDate day = local.date();
  QTime time = local.time();
  // Qt counts no year 0: its year -1 is the year before 1.
  if (!day.isValid() || day.year() < 1 || day.year() > 65535 || !time.isValid()) return DateTime();
  return DateTime(day.year(), day.month(), day.day(), time.hour(), time.minute(), time.second());
}

DateTime DateTimeUtility::dateTimeAfterSeconds(int64_t seconds, const DateTime& from) const {
  return dateTimeFromNSDate(nsdateFromDateTime(from).addSecs(seconds));
}

int64_t DateTimeUtility::differenceFrom(const DateTime& from, const DateTime& to) const {
  return nsdateFromDateTime(from).secsTo(nsdateFromDateTime(to));
}

std::string DateTimeUtility::format(int dateStyle, int timeStyle, int64_t year, int64_t month, int64_t day,
                                    int64_t secondsOfDay) const {
  // The fields are shown as the recorder gave them, so the text is formatted in UTC
  // from a UTC instant of those fields: no summer-time gap or fold can move them.
  double instant = (static_cast<double>(daysFromCivil(year, month, day)) * SecondsPerDay +
                    static_cast<double>(secondsOfDay)) * 1000.0;
  UErrorCode status = U_ZERO_ERROR;
  static const UChar utc[] = {'U', 'T', 'C', 0};
  UDateFormat* formatter = udat_open(static_cast<UDateFormatStyle>(timeStyle), static_cast<UDateFormatStyle>(dateStyle),
                                     locale_.c_str(), utc, -1, nullptr, 0, &status);
  std::string text;
  if (U_SUCCESS(status)) {
    // Proleptic Gregorian like the conversions, also before 1582.
    UCalendar* calendar = ucal_clone(udat_getCalendar(formatter), &status);
    if (U_SUCCESS(status)) {
      ucal_setGregorianChange(calendar, PurelyGregorian, &status);
      udat_setCalendar(formatter, calendar);
      ucal_close(calendar);
    }
    status = U_ZERO_ERROR;
    UChar result[256];
    int32_t length = udat_format(formatter, instant, result, 256, nullptr, &status);
    if (U_SUCCESS(status) && length <= 256)
      text = QString::fromUtf16(reinterpret_cast<const char16_t*>(result), length).toStdString();
    udat_close(formatter);
  }
  if (text.empty()) {
    // No formatter for this locale: a plain ISO form still tells the user the time.
    char fallback[64];
    int64_t days = daysFromCivil(year, month, day) + floorDiv(secondsOfDay, SecondsPerDay);
    QDate date = QDate::fromJulianDay(days + JulianDayOfEpoch);
    int64_t seconds = secondsOfDay - SecondsPerDay * floorDiv(secondsOfDay, SecondsPerDay);
    QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(seconds * 1000));
    std::string dateText = date.toString(Qt::ISODate).toStdString();
    std::string timeText = time.toString(Qt::ISODate).toStdString();
    std::snprintf(fallback, sizeof fallback, "%s%s%s", dateStyle != UDAT_NONE ? dateText.c_str() : "",
                  dateStyle != UDAT_NONE && timeStyle != UDAT_NONE ? " " : "",
                  timeStyle != UDAT_NONE ? timeText.c_str() : "");
    text = fallback;
  }
  return text;
}

std::string DateTimeUtility::stringFromDate(const Date& date) const {
  return format(UDAT_MEDIUM, UDAT_NONE, date.year(), date.month(), date.day(), 0);
}

std::string DateTimeUtility::stringFromTime(const Time& time) const {
  return format(UDAT_NONE, UDAT_MEDIUM, 1, 1, 1, time.hour() * 3600 + time.minute() * 60 + time.second());
}

std::string DateTimeUtility::stringFromDateTime(const DateTime& dateTime) const {
  return format(UDAT_MEDIUM, UDAT_MEDIUM, dateTime.year(), dateTime.month(), dateTime.day(),
                dateTime.hour() * 3600 + dateTime.minute() * 60 + dateTime.second());
}

}  // namespace zelvo
