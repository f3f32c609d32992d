#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Network/Packet.h"
#include "Network/Playback/Calendar.h"
#include "Network/Playback/EventList.h"
#include "Network/Playback/EventListElement.h"
#include "Network/Playback/EventListRequest.h"
#include "Network/Playback/EventMask.h"
#include "Network/Playback/EventType.h"
#include "Network/Playback/LastPoppedMediaInfo.h"
#include "Network/Playback/MediaPosition.h"
#include "Network/Playback/SectionList.h"
#include "Network/Playback/TimeSlice.h"
#include "Network/Playback/TimeSliceList.h"

namespace zelvo {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::shared_ptr<Packet> packetOf(const Bytes& bytes) {
  auto packet = Packet::create(static_cast<int64_t>(bytes.size()));
  packet->pushBytes(bytes.data(), static_cast<int64_t>(bytes.size()), 0);
  packet->seek(0);
  return packet;
}

Bytes i32(int32_t v) {
  auto u = static_cast<uint32_t>(v);
  return {uint8_t(u >> 24), uint8_t(u >> 16), uint8_t(u >> 8), uint8_t(u)};
}

// 2011-03-09 hh:mm:ss with the given offset byte.
Bytes dateTimeBytes(uint8_t hour, uint8_t minute, uint8_t second, uint8_t offset = 0) {
  return {0x07, 0xDB, 0x03, 0x09, offset, hour, minute, second};
}

DateTime at(int hour, int minute, int second) { return DateTime(2011, 3, 9, hour, minute, second); }

const Bytes intervalBytes = dateTimeBytes(10, 0, 0) + dateTimeBytes(11, 30, 0);
const Bytes positionBytes = {0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3};
const Bytes sliceBytes = i32(7) + intervalBytes + i32(0x9);
const Bytes eventBytes =
    Bytes{0x01, 0x2A} + i32(0x5) + dateTimeBytes(12, 0, 1) + Bytes{0, 0, 0, 0, 0, 0, 0x01, 0x00} + positionBytes;

template <typename Record>
Record readAll(const Bytes& bytes) {
  auto packet = packetOf(bytes);
  Record record;
  packet->popObject(record);
  return record;
}

// Every record read from bytes: a complete fixture, and what its reading leaves
// unread (trailing bytes after the announced elements are not the record's).
struct ReadCase {
  const char* name;
  Bytes bytes;
  int64_t consumed;
  std::function<void(ByteBuffer&)> read;
};

std::vector<ReadCase> readCases() {
  return {
      {"MediaPosition", positionBytes, 12, [](ByteBuffer& b) { MediaPosition r; b.popObject(r); }},
      {"CalendarOfTwoDays", i32(2) + Bytes{0x07, 0xDB, 3, 9, 0x07, 0xDB, 3, 10}, 12,
       [](ByteBuffer& b) { Calendar r; b.popObject(r); }},
      {"CalendarWithTrailingBytes", i32(1) + Bytes{0x07, 0xDB, 3, 9, 0xEE, 0xEE}, 8,
       [](ByteBuffer& b) { Calendar r; b.popObject(r); }},
      {"TimeSlice", sliceBytes, 24, [](ByteBuffer& b) { TimeSlice r; b.popObject(r); }},
      {"TimeSliceListOfTwo", i32(2) + sliceBytes + sliceBytes, 52,
       [](ByteBuffer& b) { TimeSliceList r; b.popObject(r); }},
      {"SectionListOfTwo", i32(0x3) + intervalBytes + i32(2) + i32(7) + i32(9), 32,
       [](ByteBuffer& b) { SectionList r; b.popObject(r); }},
      {"EventListElement", eventBytes, 34, [](ByteBuffer& b) { EventListElement r; b.popObject(r); }},
      {"EventListOfOne", Bytes{1, 0} + i32(1) + eventBytes, 40, [](ByteBuffer& b) { EventList r; b.popObject(r); }},
  };
}

TEST(PlaybackRecordReading, ReadsExactlyTheAnnouncedBytes) {
  for (const ReadCase& c : readCases()) {
    SCOPED_TRACE(c.name);
    auto packet = packetOf(c.bytes);
    ASSERT_NO_THROW(c.read(*packet));
    EXPECT_EQ(packet->position(), c.consumed);
  }
}

TEST(PlaybackRecordReading, EveryTruncationFailsWithTheCursorUnmoved) {
  for (const ReadCase& c : readCases()) {
    for (size_t length = 0; length < static_cast<size_t>(c.consumed); ++length) {
      SCOPED_TRACE(std::string(c.name) + " cut to " + std::to_string(length));
      auto packet = packetOf(Bytes(c.bytes.begin(), c.bytes.begin() + static_cast<std::ptrdiff_t>(length)));
      EXPECT_THROW(c.read(*packet), ReadError);
      EXPECT_EQ(packet->position(), 0);
    }
  }
}

// A count from the wire larger than the bytes that remain fails the message, and
// never allocates for the count.
struct CountCase {
  const char* name;
  Bytes bytes;
  std::function<void(ByteBuffer&)> read;
};

std::vector<CountCase> hostileCountCases() {
  return {
      {"CalendarOneDayShort", i32(3) + Bytes{0x07, 0xDB, 3, 9, 0x07, 0xDB, 3, 10},
       [](ByteBuffer& b) { Calendar r; b.popObject(r); }},
      {"CalendarHugeCount", i32(0x7FFFFFFF) + Bytes{0x07, 0xDB, 3, 9}, [](ByteBuffer& b) { Calendar r; b.popObject(r); }},
      {"TimeSliceListOneShort", i32(2) + sliceBytes, [](ByteBuffer& b) { TimeSliceList r; b.popObject(r); }},
      {"TimeSliceListHugeCount", i32(0x7FFFFFFF) + sliceBytes, [](ByteBuffer& b) { TimeSliceList r; b.popObject(r); }},
      {"SectionListOneShort", i32(1) + intervalBytes + i32(3) + i32(7) + i32(9),
       [](ByteBuffer& b) { SectionList r; b.popObject(r); }},
      {"SectionListHugeCount", i32(1) + intervalBytes + i32(0x40000000),
       [](ByteBuffer& b) { SectionList r; b.popObject(r); }},
      {"EventListOneShort", Bytes{0, 1} + i32(2) + eventBytes, [](ByteBuffer& b) { EventList r; b.popObject(r); }},
      {"EventListHugeCount", Bytes{0, 1} + i32(0x7FFFFFFF) + eventBytes,
       [](ByteBuffer& b) { EventList r; b.popObject(r); }},
  };
}

TEST(PlaybackRecordReading, ACountLargerThanTheBytesLeftFailsTheMessage) {
  for (const CountCase& c : hostileCountCases()) {
    SCOPED_TRACE(c.name);
    auto packet = packetOf(c.bytes);
    EXPECT_THROW(c.read(*packet), ReadError);
    EXPECT_EQ(packet->position(), 0);
  }
}

TEST(PlaybackRecordReading, AFailedReadLeavesTheRecordAsItWas) {
  TimeSliceList list = readAll<TimeSliceList>(i32(1) + sliceBytes);
  auto bad = packetOf(i32(5) + sliceBytes);
  EXPECT_THROW(bad->popObject(list), ReadError);
  ASSERT_EQ(list.timeSlices().size(), 1u);
  EXPECT_EQ(list.timeSlices()[0].sectionID(), 7u);
}

TEST(MediaPosition, ReadsAndWritesTheSameTwelveBytes) {
  MediaPosition position = readAll<MediaPosition>(Bytes{0xFF, 0xFF, 0xFF, 0xFF} + Bytes(positionBytes.begin() + 4, positionBytes.end()));
  EXPECT_EQ(position.storageID(), 0xFFFFFFFFu);
  EXPECT_EQ(position.pageNumber(), 2u);
  EXPECT_EQ(position.pageOffset(), 3u);
  EXPECT_EQ(position.description(), "(4294967295, 2, 3)");

  auto packet = Packet::create(64);
  packet->pushObject(position);
  EXPECT_EQ(packet->position(), 12);
  EXPECT_EQ(Bytes(packet->bufferAt(0), packet->bufferAt(12)), (Bytes{0xFF, 0xFF, 0xFF, 0xFF} + Bytes(positionBytes.begin() + 4, positionBytes.end())));
  EXPECT_EQ(readAll<MediaPosition>(positionBytes), MediaPosition(1, 2, 3));
}

TEST(PlaybackRecords, OnlyMediaPositionIsEverWritten) {
  auto packet = Packet::create(256);
  packet->pushObject(readAll<Calendar>(i32(1) + Bytes{0x07, 0xDB, 3, 9}));
  packet->pushObject(readAll<TimeSlice>(sliceBytes));
  packet->pushObject(readAll<TimeSliceList>(i32(1) + sliceBytes));
  packet->pushObject(readAll<SectionList>(i32(1) + intervalBytes + i32(1) + i32(4)));
  packet->pushObject(readAll<EventListElement>(eventBytes));
  packet->pushObject(readAll<EventList>(Bytes{1, 1} + i32(1) + eventBytes));
  EXPECT_EQ(packet->position(), 0);
}

struct CalendarCase {
  const char* name;
  Bytes bytes;
  std::vector<uint32_t> dates;
};

TEST(Calendar, CountsOfZeroOrLessReadNoDates) {
  const CalendarCase cases[] = {
      {"Two", i32(2) + Bytes{0x07, 0xDB, 3, 9, 0x07, 0xDC, 12, 31}, {0x07DB0309u, 0x07DC0C1Fu}},
      {"Zero", i32(0) + Bytes{0x07, 0xDB, 3, 9}, {}},
      {"MinusOne", i32(-1), {}},
      {"MostNegative", i32(INT32_MIN), {}},
      // Dates from the wire are taken as they come, month 0 included.
      {"UncheckedFields", i32(1) + Bytes{0, 0, 0, 0}, {0}},
  };
  for (const CalendarCase& c : cases) {
    SCOPED_TRACE(c.name);
    Calendar calendar = readAll<Calendar>(c.bytes);
    std::vector<uint32_t> dates;
    for (const Date& date : calendar.dates()) dates.push_back(date.data());
    EXPECT_EQ(dates, c.dates);
  }
}

TEST(TimeSlice, ReadsSectionIntervalAndMask) {
  TimeSlice slice = readAll<TimeSlice>(sliceBytes);
  EXPECT_EQ(slice.sectionID(), 7u);
  EXPECT_EQ(slice.interval(), Interval(at(10, 0, 0), at(11, 30, 0)));
  EXPECT_EQ(slice.channelMask().asUint32(), 0x9u);
  EXPECT_EQ(slice.description(), "(7, " + slice.interval().description() + ", 9)");
}

TEST(TimeSliceList, DateIsTheStartDayOfTheLastSlice) {
  Bytes lastOnTheNextDay = i32(3) + Bytes{0x07, 0xDB, 3, 10, 0, 0, 0, 0} + Bytes{0x07, 0xDB, 3, 10, 0, 1, 0, 0} + i32(1);
  TimeSliceList list = readAll<TimeSliceList>(i32(2) + sliceBytes + lastOnTheNextDay);
  ASSERT_EQ(list.timeSlices().size(), 2u);
  ASSERT_TRUE(list.date().has_value());
  EXPECT_EQ(*list.date(), Date(2011, 3, 10));
  EXPECT_EQ(list.description(), "(\n    " + list.timeSlices()[0].description() + ",\n    " +
                                    list.timeSlices()[1].description() + "\n)");
}

TEST(TimeSliceList, AnEmptyListHasNoDate) {
  TimeSliceList list = readAll<TimeSliceList>(i32(0));
  EXPECT_TRUE(list.timeSlices().empty());
  EXPECT_FALSE(list.date().has_value());
  EXPECT_EQ(list.description(), "(\n)");
}

TEST(SectionList, ReadsTheMaskFirstThenTheIntervalThenTheSections) {
  SectionList list = readAll<SectionList>(i32(0x11) + intervalBytes + i32(2) + i32(7) + i32(-3));
  EXPECT_EQ(list.channelMask().asUint32(), 0x11u);
  EXPECT_EQ(list.interval(), Interval(at(10, 0, 0), at(11, 30, 0)));
  EXPECT_EQ(list.sections(), (std::vector<int32_t>{7, -3}));
  EXPECT_EQ(list.description(), "11, " + list.interval().description() + "\n(\n    7,\n    -3\n)");
}

TEST(SectionList, ACountOfMinusOneReadsMaskAndIntervalAndNoSections) {
  auto packet = packetOf(i32(0x2) + intervalBytes + i32(-1));
  SectionList list;
  packet->popObject(list);
  EXPECT_EQ(list.channelMask().asUint32(), 0x2u);
  EXPECT_EQ(list.interval(), Interval(at(10, 0, 0), at(11, 30, 0)));
  EXPECT_TRUE(list.sections().empty());
  EXPECT_EQ(packet->position(), 24);
}

TEST(EventListElement, ReadsEveryField) {
  EventListElement event = readAll<EventListElement>(eventBytes);
  EXPECT_EQ(event.type(), EventTypeMotion);
  EXPECT_EQ(event.eventID(), 0x2A);
  EXPECT_EQ(event.channelMask().asUint32(), 0x5u);
  EXPECT_EQ(event.dateTime(), at(12, 0, 1));
  EXPECT_EQ(event.mediaID(), 0x100u);
  EXPECT_EQ(event.mediaPosition(), MediaPosition(1, 2, 3));
  EXPECT_EQ(event.description(),
            "Motion, " + event.dateTime().description() + ", (channel) 5, (1, 2, 3), (mediaID) 256, (eventID) 42");
}

TEST(EventListElement, TypeByteFFIsMinusOneWithAnEmptyName) {
  Bytes bytes = eventBytes;
  bytes[0] = 0xFF;
  EventListElement event = readAll<EventListElement>(bytes);
  EXPECT_EQ(event.type(), -1);
  EXPECT_EQ(event.description().rfind(", ", 0), 0u) << event.description();
}

TEST(EventList, AnEmptyPageKeepsItsFlags) {
  EventList list = readAll<EventList>(Bytes{0x01, 0x00} + i32(0));
  EXPECT_TRUE(list.events().empty());
  EXPECT_TRUE(list.hasPrev());
  EXPECT_FALSE(list.hasNext());
  EXPECT_EQ(list.description(), "(\n)");
}

TEST(EventList, AnyNonZeroFlagByteIsYes) {
  EventList list = readAll<EventList>(Bytes{0x80, 0x02} + i32(2) + eventBytes + eventBytes);
  EXPECT_TRUE(list.hasPrev());
  EXPECT_TRUE(list.hasNext());
  ASSERT_EQ(list.events().size(), 2u);
  EXPECT_EQ(list.events()[1].mediaPosition(), MediaPosition(1, 2, 3));
}

TEST(EventType, NamesEachKind) {
  const std::pair<int, const char*> names[] = {
      {0, "Unknown"}, {1, "Motion"}, {2, "Sensor"}, {4, "VideoLoss"}, {8, "TextIn"},
      {16, "Panic"},  {32, "GSensor"}, {3, ""},   {64, ""},         {-1, ""},
  };
  for (const auto& [type, name] : names) EXPECT_STREQ(eventTypeName(type), name) << type;
}

TEST(EventMask, WorksOnTheKindsBits) {
  EventMask mask;
  mask.setEventMask(EventTypeMotion | EventTypePanic);
  EXPECT_EQ(mask.asUint32(), 17u);
  EXPECT_TRUE(mask.isEventMaskSet(EventTypeMotion));
  EXPECT_TRUE(mask.isEventMaskSet(EventTypeSensor | EventTypePanic));
  EXPECT_FALSE(mask.isEventMaskSet(EventTypeSensor));
  mask.resetEventMask(EventTypeMotion);
  EXPECT_EQ(mask.asUint32(), 16u);
  mask.setAll();
  EXPECT_TRUE(mask.isEventMaskSet(EventTypeGSensor));
  EXPECT_EQ(mask.asUint32(), 0xFFFFFFFFu);
}

TEST(EventListRequest, CoversTheWholeDayOnEveryChannel) {
  EventListRequest every = EventListRequest::eventListRequestOfDate(Date(2011, 3, 9), 50);
  EXPECT_EQ(every.interval(), Interval(at(0, 0, 0), at(23, 59, 59)));
  EXPECT_EQ(every.channelMask().asUint32(), 0xFFFFFFFFu);
  EXPECT_EQ(every.eventMask().asUint32(), 0xFFFFFFFFu);
  EXPECT_EQ(every.maxCount(), 50u);

  EventMask motion;
  motion.setEventMask(EventTypeMotion);
  EventListRequest some = EventListRequest::eventListRequestOfDate(Date(2011, 3, 9), motion, 7);
  EXPECT_EQ(some.interval(), every.interval());
  EXPECT_EQ(some.channelMask().asUint32(), 0xFFFFFFFFu);
  EXPECT_EQ(some.eventMask().asUint32(), 1u);
  EXPECT_EQ(some.maxCount(), 7u);

  EventListRequest empty;
  EXPECT_TRUE(empty.channelMask().isEmpty());
  EXPECT_TRUE(empty.eventMask().isEmpty());
}

TEST(LastPoppedMediaInfo, StartsWithNothingShown) {
  LastPoppedMediaInfo info;
  EXPECT_EQ(info.position(), MediaPosition());
  EXPECT_EQ(info.mediaID(), 0u);
  EXPECT_FALSE(info.dateTime().has_value());
  info.setChannel(-1);
  info.setDateTime(at(1, 2, 3));
  EXPECT_EQ(info.channel(), -1);
  EXPECT_EQ(*info.dateTime(), at(1, 2, 3));
}

}  // namespace
}  // namespace zelvo
