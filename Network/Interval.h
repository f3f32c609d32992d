#pragma once
// A span of DateTimes closed at both ends. On the wire: from, then to (16 bytes).

#include <optional>
#include <string>

#include "Network/DateTime.h"
#include "Network/ISerializable.h"

namespace zelvo {

class Interval : public ISerializable {
 public:
  static constexpr int64_t WireSize = 2 * DateTime::WireSize;

  Interval() = default;
  Interval(const DateTime& from, const DateTime& to) : from_(from), to_(to) {}

  static Interval intervalWithFrom(const DateTime& from, const DateTime& to) { return Interval(from, to); }
  // The whole day: 00:00:00 to 23:59:59.
  static Interval intervalOfDate(const Date& date);
  static Interval intervalOfDateTime(const DateTime& dateTime) { return Interval(dateTime, dateTime); }
  // 1970-01-01 00:00:00 to 2100-12-31 23:59:59, one shared constant.
  static const Interval& intervalWholePeriod();
  // The common part of a and b, none when they are disjoint.
  static std::optional<Interval> intersection(const Interval& a, const Interval& with);

  // Widens this interval to cover other too (and any gap between them).
  void unionWith(const Interval& other);
  bool intersectWith(const Interval& other) const;
  bool contains(const DateTime& dateTime) const;

  const DateTime& from() const { return from_; }
  void setFrom(const DateTime& from) { from_ = from; }
  const DateTime& to() const { return to_; }
  void setTo(const DateTime& to) { to_ = to; }

  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;
  // "<from> ~ <to>"
  std::string description() const;

  friend bool operator==(const Interval& a, const Interval& b) { return a.from_ == b.from_ && a.to_ == b.to_; }

 private:
  DateTime from_;
  DateTime to_;
};

}  // namespace zelvo
