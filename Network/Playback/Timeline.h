#pragma once
// The recorded stretches of one channel (or one section of it): sorted intervals,
// no two of which overlap or lie within the tolerance of each other (given the
// same tolerance on every merge).
//
// Times are compared and added as plain fields, seconds since 1970-01-01 with no
// time zone: the recorder's UTC-offset byte plays no part (a recorder east or west
// of UTC still merges) and no daylight-saving change shifts a stretch.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Network/DateTime.h"
#include "Network/Interval.h"

namespace zelvo {

class Timeline {
 public:
  // Seconds since 1970-01-01 00:00:00 of the fields as they stand, whatever their
  // range (a month of 0 or 13 counts on from the year's first month).
  static int64_t secondsSinceEpoch(const DateTime& dateTime);
  // -1, 0 or 1 by secondsSinceEpoch.
  static int compare(const DateTime& a, const DateTime& b);
  // That many seconds later (the UTC-offset byte of the result is 0).
  static DateTime dateTime(const DateTime& dateTime, uint32_t laterSeconds);

  // With a tolerance of s seconds: a begins more than s after b ends.
  static bool intervalIsLongAfter(const Interval& a, const Interval& b, uint32_t withScale);
  // a ends more than s before b begins.
  static bool intervalIsLongBefore(const Interval& a, const Interval& b, uint32_t withScale);
  // b begins no more than s after a ends (after intervalIsLongAfter was false: a
  // and b overlap or are at most s apart).
  static bool intervalIntersects(const Interval& a, const Interval& b, uint32_t withScale);
  // The common part of a and b (ties go to b), none when they are disjoint.
  static std::optional<Interval> intersection(const Interval& a, const Interval& with);
  static bool contains(const Interval& interval, const DateTime& dateTime);

  // Adds the interval, fusing it with every slice it overlaps or comes within
  // withScale seconds of.
  void merge(const Interval& interval, uint32_t withScale);
  // Whether any slice overlaps the interval (closed ends).
  bool intersectWithInterval(const Interval& interval) const;

  const std::vector<Interval>& slices() const { return slices_; }
  std::string description() const;

 private:
  std::vector<Interval> slices_;
};

}  // namespace zelvo
