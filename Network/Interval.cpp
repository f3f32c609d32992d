#include "Network/Interval.h"

#include "Network/ByteBuffer.h"

namespace zelvo {

Interval Interval::intervalOfDate(const Date& date) {
  return Interval(DateTime(date, Time(0, 0, 0)), DateTime(date, Time(23, 59, 59)));
}

const Interval& Interval::intervalWholePeriod() {
  static const Interval whole(DateTime(1970, 1, 1, 0, 0, 0), DateTime(2100, 12, 31, 23, 59, 59));
  return whole;
}

std::optional<Interval> Interval::intersection(const Interval& a, const Interval& with) {
  const Interval& b = with;
  // Ties go to b.
  const DateTime& start = a.from_.compare(b.from_) > 0 ? a.from_ : b.from_;
  const DateTime& end = a.to_.compare(b.to_) < 0 ? a.to_ : b.to_;
  if (start.compare(end) > 0) return std::nullopt;
  return Interval(start, end);
}

void Interval::unionWith(const Interval& other) {
  if (other.from_.compare(from_) < 0) from_ = other.from_;
  if (other.to_.compare(to_) > 0) to_ = other.to_;
}

bool Interval::intersectWith(const Interval& other) const {
  return from_.compare(other.to_) <= 0 && to_.compare(other.from_) >= 0;
}

bool Interval::contains(const DateTime& dateTime) const {
  return from_.compare(dateTime) <= 0 && dateTime.compare(to_) <= 0;
}

void Interval::readFrom(ByteBuffer& buffer) {
  if (buffer.remaining() < WireSize) throw ReadError("interval runs past the end of the message");
  from_.readFrom(buffer);
  to_.readFrom(buffer);
}

void Interval::writeTo(ByteBuffer& buffer) const {
  from_.writeTo(buffer);
  to_.writeTo(buffer);
}

std::string Interval::description() const { return from_.description() + " ~ " + to_.description(); }

}  // namespace zelvo
