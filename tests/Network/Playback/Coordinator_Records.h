#pragma once
// Playback answers built from their wire bytes, for tests that feed the
// coordinator or the client's handlers.

#include <cstdint>
#include <memory>
#include <vector>

#include "Network/ByteBuffer.h"
#include "Network/Date.h"
#include "Network/Playback/EventList.h"
#include "Network/Playback/SectionList.h"
#include "Network/Playback/TimeSliceList.h"

namespace zelvo::test::playback {

// Big-endian bytes, written by hand so that the tests do not lean on the code
// they check.
struct WireBytes {
  std::vector<uint8_t> bytes;
  WireBytes& u8(uint8_t v) {
    bytes.push_back(v);
    return *this;
  }
  WireBytes& u16(uint16_t v) { return u8(uint8_t(v >> 8)).u8(uint8_t(v)); }
  WireBytes& u32(uint32_t v) { return u16(uint16_t(v >> 16)).u16(uint16_t(v)); }
  WireBytes& u64(uint64_t v) { return u32(uint32_t(v >> 32)).u32(uint32_t(v)); }
  WireBytes& date(int y, int m, int d) { return u16(uint16_t(y)).u8(uint8_t(m)).u8(uint8_t(d)); }
  WireBytes& dateTime(int y, int mo, int d, int h, int mi, int s) {
    return date(y, mo, d).u8(0).u8(uint8_t(h)).u8(uint8_t(mi)).u8(uint8_t(s));
  }
  WireBytes& wholeDay(int y, int m, int d) { return dateTime(y, m, d, 0, 0, 0).dateTime(y, m, d, 23, 59, 59); }
  WireBytes& append(const WireBytes& other) {
    bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end());
    return *this;
  }
};

template <typename Record>
std::shared_ptr<Record> readRecord(WireBytes wire) {
  ByteBuffer buffer(wire.bytes.data(), int64_t(wire.bytes.size()), ByteBuffer::BigEndianByteOrder);
  auto record = std::make_shared<Record>();
  record->readFrom(buffer);
  return record;
}

// One slice per hour given, on channel mask `mask`, of the day y-m-d.
inline WireBytes timeSliceBytes(int y, int m, int d, std::vector<int> hours, uint32_t mask = 1) {
  WireBytes w;
  w.u32(uint32_t(hours.size()));
  uint32_t section = 1;
  for (int h : hours) w.u32(section++).dateTime(y, m, d, h, 0, 0).dateTime(y, m, d, h, 30, 0).u32(mask);
  return w;
}

inline std::shared_ptr<TimeSliceList> timeSlices(int y, int m, int d, std::vector<int> hours, uint32_t mask = 1) {
  return readRecord<TimeSliceList>(timeSliceBytes(y, m, d, std::move(hours), mask));
}

// A page of `count` events with media identifiers from firstID.
inline WireBytes eventListBytes(uint64_t firstID, int count, bool hasPrev = false, bool hasNext = false) {
  WireBytes w;
  w.u8(hasPrev).u8(hasNext).u32(uint32_t(count));
  for (int i = 0; i < count; ++i)
    w.u8(1).u8(uint8_t(i)).u32(1).dateTime(2026, 3, 4, 10, 0, i).u64(firstID + uint64_t(i)).u32(7).u32(8).u32(uint32_t(i));
  return w;
}

inline std::shared_ptr<EventList> eventList(uint64_t firstID, int count, bool hasPrev = false, bool hasNext = false) {
  return readRecord<EventList>(eventListBytes(firstID, count, hasPrev, hasNext));
}

inline WireBytes sectionListBytes(uint32_t mask, std::vector<int32_t> sections) {
  WireBytes w;
  w.u32(mask).wholeDay(2026, 3, 4).u32(uint32_t(sections.size()));
  for (int32_t s : sections) w.u32(uint32_t(s));
  return w;
}

inline WireBytes calendarBytes(std::vector<Date> dates) {
  WireBytes w;
  w.u32(uint32_t(dates.size()));
  for (const Date& d : dates) w.date(d.year(), d.month(), d.day());
  return w;
}

}  // namespace zelvo::test::playback
