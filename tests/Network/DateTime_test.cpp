#include "Network/DateTime.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "Network/Date.h"
#include "Network/Interval.h"
#include "Network/Packet.h"
#include "Network/Time.h"

namespace zelvo {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes written(const ISerializable& object) {
  auto packet = Packet::create(64);
  packet->pushObject(object);
  return Bytes(packet->bufferAt(0), packet->bufferAt(packet->position()));
}

std::shared_ptr<Packet> packetOf(const Bytes& bytes) {
  auto packet = Packet::create(static_cast<int64_t>(bytes.size()) + 1);
  packet->pushBytes(bytes.data(), static_cast<int64_t>(bytes.size()), 0);
  packet->resetWithLimit(static_cast<int64_t>(bytes.size()));
  return packet;
}

TEST(Date, TravelsAsYearMonthDayBigEndian) {
  Date date(2011, 3, 9);
  EXPECT_EQ(date.data(), 0x07DB0309u);
  EXPECT_EQ(written(date), (Bytes{0x07, 0xDB, 0x03, 0x09}));
  auto packet = packetOf({0x07, 0xDB, 0x03, 0x09});
  Date read = Date::fromBuffer(*packet);
  EXPECT_EQ(read, date);
  EXPECT_EQ(read.year(), 2011);
  EXPECT_EQ(read.month(), 3);
  EXPECT_EQ(read.day(), 9);
  EXPECT_EQ(read.hash(), 0x07DB0309u);
  EXPECT_EQ(packet->position(), 4);
}

TEST(Date, OrderIsChronological) {
  struct Row {
    Date a, b;
    int expected;
  } rows[] = {
      {Date(2011, 3, 9), Date(2011, 3, 10), -1}, {Date(2011, 12, 31), Date(2012, 1, 1), -1},
      {Date(2011, 3, 9), Date(2011, 3, 9), 0},   {Date(65535, 12, 31), Date(0, 1, 1), 1},
      {Date(2011, 4, 1), Date(2011, 3, 31), 1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.a.compare(row.b), row.expected) << row.a.data() << " " << row.b.data();
    EXPECT_EQ(row.b.compare(row.a), -row.expected);
    EXPECT_EQ(row.a.isEqual(row.b), row.expected == 0);
  }
}

TEST(Date, SettersChangeOneFieldEach) {
  Date date(2011, 3, 9);
  date.setYear(65535);
  date.setMonth(12);
  date.setDay(31);
  EXPECT_EQ(date.data(), 0xFFFF0C1Fu);
  date.setYear(0);
  EXPECT_EQ(date.data(), 0x00000C1Fu);
}

TEST(Time, PacksSecondLowAndTravelsOffsetHourMinuteSecond) {
  Time time(13, 5, 9);
  EXPECT_EQ(time.data(), 0x000D0509u);
  EXPECT_EQ(written(time), (Bytes{0x00, 0x0D, 0x05, 0x09}));
  EXPECT_EQ(time.offsetUTC(), 0);
}

TEST(Time, OffsetByteFromTheWireIsSignedQuarterHours) {
  struct Row {
    uint8_t offsetByte;
    int offsetUTC;
  } rows[] = {{0xF8, -7200}, {0x00, 0}, {0x01, 900}, {0x7F, 127 * 900}, {0x80, -128 * 900}, {0xFF, -900}};
  for (const Row& row : rows) {
    auto packet = packetOf({row.offsetByte, 10, 0, 0});
    Time time = Time::timeFromPacket(*packet);
    EXPECT_EQ(time.offsetUTC(), row.offsetUTC) << int(row.offsetByte);
    EXPECT_EQ(time.hour(), 10);
    // Only the wire carries an offset: writing it back puts 0 there.
    EXPECT_EQ(written(time), (Bytes{0x00, 10, 0, 0}));
  }
}

TEST(Time, ConstructorIgnoresTheOffsetArgument) {
  EXPECT_EQ(Time(13, 5, 9, -7200).data(), Time(13, 5, 9).data());
  EXPECT_EQ(DateTime(2011, 3, 9, 13, 5, 9, 3600).offsetUTC(), 0);
}

TEST(Time, OffsetWeighsFirstInTheOrder) {
  Time zero = Time::fromBuffer(*packetOf({0, 10, 0, 0}));
  Time one = Time::fromBuffer(*packetOf({1, 10, 0, 0}));
  EXPECT_EQ(zero.compare(one), -1);
  EXPECT_EQ(one.compare(zero), 1);
  EXPECT_FALSE(zero.isEqual(one));
  // Even an earlier hour with a larger offset byte sorts later.
  Time lateWithoutOffset(23, 0, 0);
  EXPECT_EQ(lateWithoutOffset.compare(one), -1);
  EXPECT_EQ(Time(10, 0, 0).compare(zero), 0);
}

TEST(Time, HourTwentyFourIsAllowed) {
  Time time(24, 0, 0);
  EXPECT_EQ(time.hour(), 24);
  EXPECT_GT(time.compare(Time(23, 59, 59)), 0);
}

TEST(ValueTypes, WireWordsAreTakenUncheckedWhileSettersCheck) {
  // A zeroed or nonsense date from a recorder is held as it came.
  Date date = Date::fromBuffer(*packetOf({0xFF, 0xFF, 0x00, 0xFF}));
  EXPECT_EQ(date.month(), 0);
  EXPECT_EQ(date.day(), 255);
  Time time = Time::fromBuffer(*packetOf({0, 99, 99, 99}));
  EXPECT_EQ(time.hour(), 99);
  EXPECT_EQ(Date(0xFFFFFFFFu).data(), 0xFFFFFFFFu);
  EXPECT_EQ(Time(0xFFFFFFFFu).offsetUTC(), -900);
}

struct FieldCase {
  const char* name;
  std::function<void()> call;
  const char* text;
};

class ValueTypesDeathTest : public testing::TestWithParam<FieldCase> {};

TEST_P(ValueTypesDeathTest, OutOfRangeFieldIsACallersFault) {
  EXPECT_DEATH(GetParam().call(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ValueTypesDeathTest,
    testing::Values(FieldCase{"YearNegative", [] { Date(-1, 1, 1); }, "0 <= year && year <= 65535"},
                    FieldCase{"YearTooLarge", [] { Date().setYear(65536); }, "0 <= year && year <= 65535"},
                    FieldCase{"MonthZero", [] { Date(2011, 0, 1); }, "0 < month && month <= 12"},
                    FieldCase{"MonthThirteen", [] { Date().setMonth(13); }, "0 < month && month <= 12"},
                    FieldCase{"DayZero", [] { Date(2011, 1, 0); }, "0 < day && day <= 31"},
                    FieldCase{"DayThirtyTwo", [] { DateTime().setDay(32); }, "0 < day && day <= 31"},
                    FieldCase{"HourTwentyFive", [] { Time(25, 0, 0); }, "0 <= hour && hour <= 24"},
                    FieldCase{"HourNegative", [] { DateTime().setHour(-1); }, "0 <= hour && hour <= 24"},
                    FieldCase{"MinuteSixty", [] { Time(1, 60, 0); }, "0 <= minute && minute < 60"},
                    FieldCase{"SecondSixty", [] { DateTime(2011, 1, 1, 0, 0, 60); }, "0 <= second && second < 60"},
                    FieldCase{"MonthTwelveInMktime",
                              [] {
                                struct tm t = {};
                                t.tm_mon = 12;
                                DateTime::mktimeAsUTC(&t);
                              },
                              "t->tm_mon < 12"},
                    FieldCase{"NegativeMonthInMktime",
                              [] {
                                struct tm t = {};
                                t.tm_mon = -1;
                                DateTime::mktimeAsUTC(&t);
                              },
                              "0 <= t->tm_mon"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DateTime, OrdersByDateThenTime) {
  DateTime a(2011, 3, 9, 23, 59, 59), b(2011, 3, 10, 0, 0, 0), c(2011, 3, 10, 0, 0, 1);
  EXPECT_EQ(a.compare(b), -1);
  EXPECT_EQ(c.compare(b), 1);
  EXPECT_EQ(b.compare(DateTime(Date(2011, 3, 10), Time(0, 0, 0))), 0);
  EXPECT_TRUE(b.isEqual(DateTime::dateTimeWithDate(Date(2011, 3, 10), Time(0, 0, 0))));
  EXPECT_FALSE(b.isEqual(c));
}

TEST(DateTime, TravelsAsDateThenTime) {
  DateTime dateTime = DateTime::dateTimeWithYear(2011, 3, 9, 13, 5, 9);
  EXPECT_EQ(written(dateTime), (Bytes{0x07, 0xDB, 0x03, 0x09, 0x00, 0x0D, 0x05, 0x09}));
  auto packet = packetOf({0x07, 0xDB, 0x03, 0x09, 0xF8, 0x0D, 0x05, 0x09});
  DateTime read = DateTime::dateTimeFromPacket(*packet);
  EXPECT_EQ(read.year(), 2011);
  EXPECT_EQ(read.second(), 9);
  EXPECT_EQ(read.offsetUTC(), -7200);
  EXPECT_FALSE(read.isBlank());
  EXPECT_TRUE(DateTime().isBlank());
}

TEST(DateTime, FieldSettersForwardToDateAndTime) {
  DateTime dateTime;
  dateTime.setYear(2011);
  dateTime.setMonth(3);
  dateTime.setDay(9);
  dateTime.setHour(24);
  dateTime.setMinute(5);
  dateTime.setSecond(9);
  EXPECT_EQ(dateTime.date().data(), 0x07DB0309u);
  EXPECT_EQ(dateTime.time().data(), 0x00180509u);
}

TEST(DateTime, MktimeAsUTCKnownPoints) {
  struct Row {
    int year, month, day, hour, minute, second;
    time_t expected;
  } rows[] = {
      {2000, 3, 1, 0, 0, 0, 951868800},   {1970, 1, 1, 0, 0, 0, 0},
      {2000, 2, 29, 23, 59, 59, 951868799}, {1969, 12, 31, 23, 59, 59, -1},
      {2100, 12, 31, 23, 59, 59, 4133980799},
  };
  for (const Row& row : rows) {
    struct tm t = {};
    t.tm_year = row.year - 1900;
    t.tm_mon = row.month - 1;
    t.tm_mday = row.day;
    t.tm_hour = row.hour;
    t.tm_min = row.minute;
    t.tm_sec = row.second;
    EXPECT_EQ(DateTime::mktimeAsUTC(&t), row.expected) << row.year << "-" << row.month << "-" << row.day;
  }
}

TEST(DateTime, MktimeAsUTCAgreesWithTimegmAndNormalises) {
  std::mt19937 random(7);
  for (time_t midnight = 0; midnight <= 4133894400; midnight += 86400) {
    struct tm expected;
    time_t instant = midnight + static_cast<time_t>(random() % 86400);
    gmtime_r(&instant, &expected);
    struct tm t = expected;
    ASSERT_EQ(DateTime::mktimeAsUTC(&t), instant) << instant;
  }
  // Fields past their ranges carry over, as the UTC conversion does.
  struct tm t = {};
  t.tm_year = 111;
  t.tm_mon = 11;
  t.tm_mday = 31;
  t.tm_hour = 23;
  t.tm_min = 59;
  t.tm_sec = 60;
  struct tm copy = t;
  EXPECT_EQ(DateTime::mktimeAsUTC(&t), timegm(&copy));
  EXPECT_EQ(t.tm_year, 112);
  EXPECT_EQ(t.tm_mon, 0);
  EXPECT_EQ(t.tm_mday, 1);
  EXPECT_EQ(t.tm_sec, 0);
}

TEST(DateTime, AddSecondsNormalises) {
  struct Row {
    DateTime from;
    int seconds;
    DateTime expected;
  } rows[] = {
      {DateTime(2011, 12, 31, 23, 59, 59), 1, DateTime(2012, 1, 1, 0, 0, 0)},
      {DateTime(2012, 3, 1, 0, 0, 0), -1, DateTime(2012, 2, 29, 23, 59, 59)},
      {DateTime(2011, 3, 9, 24, 0, 0), 0, DateTime(2011, 3, 10, 0, 0, 0)},
      {DateTime(2011, 3, 9, 13, 5, 9), 86400 * 365, DateTime(2012, 3, 8, 13, 5, 9)},
      {DateTime(2011, 3, 9, 13, 5, 9), -2147483647 - 1, DateTime(1943, 2, 19, 9, 51, 1)},
  };
  for (const Row& row : rows) {
    DateTime result = row.from.addSeconds(row.seconds);
    EXPECT_TRUE(result.isEqual(row.expected)) << row.seconds << " gave " << result.year() << "-" << result.month()
                                              << "-" << result.day() << " " << result.hour() << ":"
                                              << result.minute() << ":" << result.second();
  }
}

DateTime at(int hour, int minute = 0, int second = 0) { return DateTime(2011, 3, 9, hour, minute, second); }

TEST(Interval, DayIntervalIsClosedAtBothEnds) {
  Interval day = Interval::intervalOfDate(Date(2011, 3, 9));
  EXPECT_TRUE(day.contains(DateTime(2011, 3, 9, 23, 59, 59)));
  EXPECT_TRUE(day.contains(DateTime(2011, 3, 9, 0, 0, 0)));
  EXPECT_FALSE(day.contains(DateTime(2011, 3, 10, 0, 0, 0)));
  EXPECT_FALSE(day.contains(DateTime(2011, 3, 8, 23, 59, 59)));
  Interval instant = Interval::intervalOfDateTime(at(10));
  EXPECT_TRUE(instant.contains(at(10)));
  EXPECT_FALSE(instant.contains(at(10, 0, 1)));
}

struct PairCase {
  const char* name;
  Interval a, b;
  bool intersects;
  std::optional<Interval> intersection;
  Interval unionOfBoth;
};

class IntervalPairs : public testing::TestWithParam<PairCase> {};

TEST_P(IntervalPairs, IntersectionAndUnion) {
  const PairCase& row = GetParam();
  EXPECT_EQ(row.a.intersectWith(row.b), row.intersects);
  EXPECT_EQ(row.b.intersectWith(row.a), row.intersects);
  EXPECT_EQ(Interval::intersection(row.a, row.b), row.intersection);
  Interval merged = row.a;
  merged.unionWith(row.b);
  EXPECT_EQ(merged, row.unionOfBoth);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntervalPairs,
    testing::Values(PairCase{"Touching", Interval(at(10), at(12)), Interval(at(12), at(14)), true,
                             Interval(at(12), at(12)), Interval(at(10), at(14))},
                    PairCase{"DisjointUnionFillsTheGap", Interval(at(10), at(11)), Interval(at(12), at(13)), false,
                             std::nullopt, Interval(at(10), at(13))},
                    PairCase{"Nested", Interval(at(8), at(20)), Interval(at(10), at(11)), true,
                             Interval(at(10), at(11)), Interval(at(8), at(20))},
                    PairCase{"Overlapping", Interval(at(10), at(12)), Interval(at(11), at(13)), true,
                             Interval(at(11), at(12)), Interval(at(10), at(13))},
                    PairCase{"OneSecondApart", Interval(at(10), at(11)), Interval(at(11, 0, 1), at(13)), false,
                             std::nullopt, Interval(at(10), at(13))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Interval, WholePeriodIsSharedAndSpans1970To2100) {
  const Interval& whole = Interval::intervalWholePeriod();
  EXPECT_EQ(&whole, &Interval::intervalWholePeriod());
  EXPECT_TRUE(whole.from().isEqual(DateTime(1970, 1, 1, 0, 0, 0)));
  EXPECT_TRUE(whole.to().isEqual(DateTime(2100, 12, 31, 23, 59, 59)));
}

TEST(Interval, TravelsAsFromThenTo) {
  Interval interval(DateTime(2011, 3, 9, 10, 0, 0), DateTime(2011, 3, 9, 12, 0, 0));
  Bytes bytes = written(interval);
  EXPECT_EQ(bytes, (Bytes{0x07, 0xDB, 3, 9, 0, 10, 0, 0, 0x07, 0xDB, 3, 9, 0, 12, 0, 0}));
  Interval read;
  auto packet = packetOf(bytes);
  packet->popObject(read);
  EXPECT_EQ(read, interval);
  Interval other;
  other.setFrom(interval.to());
  other.setTo(interval.from());
  EXPECT_TRUE(other.from().isEqual(interval.to()));
}

TEST(Interval, DescriptionJoinsBothEndsWithATilde) {
  Interval interval(at(10), at(12));
  EXPECT_EQ(interval.description(), interval.from().description() + " ~ " + interval.to().description());
}

}  // namespace
}  // namespace zelvo
