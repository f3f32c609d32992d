#pragma once
// A recorder wall-clock time packed into one word: byte 0 second, byte 1 minute,
// byte 2 hour (0 to 24: 24:00:00 is the end of the day), byte 3 the UTC offset as
// a signed count of 15-minute steps. Only a Time read from the wire carries an
// offset; every constructor stores 0 there. Ordering compares the word as an
// unsigned number, so the offset byte weighs first.
//
// On the wire: u8 offset, u8 hour, u8 minute, u8 second (written with offset 0).

#include <cstdint>
#include <string>

#include "Network/ISerializable.h"

namespace zelvo {

class Packet;

class Time : public ISerializable {
 public:
  static constexpr int64_t WireSize = 4;

  Time() = default;
  explicit Time(uint32_t value) : data_(value) {}
  Time(int hour, int minute, int second);
  // The offset is not stored: only the wire sets it.
  Time(int hour, int minute, int second, int offsetUTC);
  static Time fromBuffer(ByteBuffer& buffer);
  static Time timeFromPacket(Packet& packet);

  int hour() const { return static_cast<int>((data_ >> 16) & 0xFF); }
  int minute() const { return static_cast<int>((data_ >> 8) & 0xFF); }
  int second() const { return static_cast<int>(data_ & 0xFF); }
  // Seconds east of UTC.
  int offsetUTC() const { return static_cast<int8_t>(data_ >> 24) * 900; }
  void setHour(int hour);
  void setMinute(int minute);
  void setSecond(int second);

  uint32_t data() const { return data_; }
  int compare(const Time& other) const { return data_ < other.data_ ? -1 : data_ > other.data_ ? 1 : 0; }
  bool isEqual(const Time& other) const { return data_ == other.data_; }
  // The time in the user's locale, medium style.
  std::string description() const;

  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;

  friend bool operator==(const Time& a, const Time& b) { return a.data_ == b.data_; }
  friend auto operator<=>(const Time& a, const Time& b) { return a.data_ <=> b.data_; }

 private:
  uint32_t data_ = 0;
};

}  // namespace zelvo
