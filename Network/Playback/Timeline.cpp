#include "Network/Playback/Timeline.h"

#include "Network/Playback/Description.h"

namespace zelvo {

namespace {

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days from 1970-01-01 of a proleptic Gregorian date, month 1 to 12, any day.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  int64_t era = floorDiv(year, 400);
  int64_t yearOfEra = year - era * 400;
  int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(int64_t days, int64_t& year, int64_t& month, int64_t& day) {
  days += 719468;
  int64_t era = floorDiv(days, 146097);
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t mp = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * mp + 2) / 5 + 1;
  month = mp < 10 ? mp + 3 : mp - 9;
  year = yearOfEra + era * 400 + (month <= 2);
}

}  // namespace

int64_t Timeline::secondsSinceEpoch(const DateTime& dateTime) {
  int64_t monthIndex = int64_t{dateTime.month()} - 1;
  int64_t year = int64_t{dateTime.year()} + floorDiv(monthIndex, 12);
  int64_t month = monthIndex - floorDiv(monthIndex, 12) * 12 + 1;
  return daysFromCivil(year, month, dateTime.day()) * 86400 + int64_t{dateTime.hour()} * 3600 +
         int64_t{dateTime.minute()} * 60 + dateTime.second();
}

int Timeline::compare(const DateTime& a, const DateTime& b) {
  int64_t x = secondsSinceEpoch(a), y = secondsSinceEpoch(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

DateTime Timeline::dateTime(const DateTime& dateTime, uint32_t laterSeconds) {
  int64_t total = secondsSinceEpoch(dateTime) + laterSeconds;
  int64_t days = floorDiv(total, 86400);
  int64_t secondOfDay = total - days * 86400;
  int64_t year, month, day;
  civilFromDays(days, year, month, day);
  if (year > 65535) return DateTime(Date(65535, 12, 31), Time(23, 59, 59));
  return DateTime(Date(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)),
                  Time(static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                       static_cast<int>(secondOfDay % 60)));
}

bool Timeline::intervalIsLongAfter(const Interval& a, const Interval& b, uint32_t withScale) {
  return secondsSinceEpoch(a.from()) > secondsSinceEpoch(b.to()) + withScale;
}

bool Timeline::intervalIsLongBefore(const Interval& a, const Interval& b, uint32_t withScale) {
  return secondsSinceEpoch(a.to()) + withScale < secondsSinceEpoch(b.from());
}

bool Timeline::intervalIntersects(const Interval& a, const Interval& b, uint32_t withScale) {
  return secondsSinceEpoch(b.from()) <= secondsSinceEpoch(a.to()) + withScale;
}

std::optional<Interval> Timeline::intersection(const Interval& a, const Interval& with) {
  const Interval& b = with;
  const DateTime& start = compare(a.from(), b.from()) > 0 ? a.from() : b.from();
  const DateTime& end = compare(a.to(), b.to()) < 0 ? a.to() : b.to();
  if (compare(start, end) > 0) return std::nullopt;
  return Interval(start, end);
}

bool Timeline::contains(const Interval& interval, const DateTime& dateTime) {
  return compare(interval.from(), dateTime) <= 0 && compare(dateTime, interval.to()) <= 0;
}

void Timeline::merge(const Interval& interval, uint32_t withScale) {
  Interval merged = interval;
  size_t i = 0;
  while (i < slices_.size()) {
    const Interval& slice = slices_[i];
    if (intervalIsLongAfter(merged, slice, withScale)) {
      ++i;
    } else if (intervalIntersects(merged, slice, withScale)) {
      // The union keeps the recorder's own times (offset byte included).
      if (compare(slice.from(), merged.from()) < 0) merged.setFrom(slice.from());
      if (compare(slice.to(), merged.to()) > 0) merged.setTo(slice.to());
      slices_.erase(slices_.begin() + static_cast<std::ptrdiff_t>(i));  // the next slice is now at i
    } else {
      slices_.insert(slices_.begin() + static_cast<std::ptrdiff_t>(i), merged);
      return;
    }
  }
  slices_.push_back(merged);
}

bool Timeline::intersectWithInterval(const Interval& interval) const {
  for (const Interval& slice : slices_)
    if (compare(slice.from(), interval.to()) <= 0 && compare(slice.to(), interval.from()) >= 0) return true;
  return false;
}

std::string Timeline::description() const { return describeEach(slices_); }

}  // namespace zelvo
