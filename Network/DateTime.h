#pragma once
// A recorder date and wall-clock time: a Date and a Time, ordered by date, then by
// time. On the wire: the Date, then the Time (8 bytes). The blank DateTime (date 0,
// time 0) stands for "no date".

#include <cstdint>
#include <ctime>
#include <string>

#include "Network/Date.h"
#include "Network/ISerializable.h"
#include "Network/Time.h"

namespace zelvo {

class Packet;

class DateTime : public ISerializable {
 public:
  static constexpr int64_t WireSize = Date::WireSize + Time::WireSize;

  DateTime() = default;
  DateTime(int year, int month, int day, int hour, int minute, int second);
  DateTime(int year, int month, int day, int hour, int minute, int second, int offsetUTC);
  DateTime(const Date& date, const Time& time) : date_(date), time_(time) {}
  static DateTime fromBuffer(ByteBuffer& buffer);

  static DateTime dateTimeWithYear(int year, int month, int day, int hour, int minute, int second) {
    return DateTime(year, month, day, hour, minute, second);
  }
  static DateTime dateTimeWithYear(int year, int month, int day, int hour, int minute, int second, int offsetUTC) {
    return DateTime(year, month, day, hour, minute, second, offsetUTC);
  }
  static DateTime dateTimeWithDate(const Date& date, const Time& time) { return DateTime(date, time); }
  static DateTime dateTimeFromPacket(Packet& packet);

  int year() const { return date_.year(); }
  int month() const { return date_.month(); }
  int day() const { return date_.day(); }
  int hour() const { return time_.hour(); }
  int minute() const { return time_.minute(); }
  int second() const { return time_.second(); }
  int offsetUTC() const { return time_.offsetUTC(); }
  void setYear(int year) { date_.setYear(year); }
  void setMonth(int month) { date_.setMonth(month); }
  void setDay(int day) { date_.setDay(day); }
  void setHour(int hour) { time_.setHour(hour); }
  void setMinute(int minute) { time_.setMinute(minute); }
  void setSecond(int second) { time_.setSecond(second); }

  const Date& date() const { return date_; }
  const Time& time() const { return time_; }
  bool isBlank() const { return date_.data() == 0 && time_.data() == 0; }

  int compare(const DateTime& other) const {
    int byDate = date_.compare(other.date_);
    return byDate != 0 ? byDate : time_.compare(other.time_);
  }
  bool isEqual(const DateTime& other) const { return date_ == other.date_ && time_ == other.time_; }
  // Date and time in the user's locale, medium styles.
  std::string description() const;

  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;

  // Seconds since 1970-01-01 00:00:00 UTC of a broken-down UTC time (month 0 to
  // 11, years since 1900); *t is then normalised from that count.
  static time_t mktimeAsUTC(struct tm* t);
  // A new DateTime n seconds later (earlier when n is negative), normalised.
  DateTime addSeconds(int n) const;

  friend bool operator==(const DateTime& a, const DateTime& b) { return a.isEqual(b); }
  friend bool operator<(const DateTime& a, const DateTime& b) { return a.compare(b) < 0; }

 private:
  Date date_;
  Time time_;
};

}  // namespace zelvo
