#pragma once
// A recorder calendar day packed into one word: year << 16 | month << 8 | day.
// Comparing the words as unsigned numbers is chronological. On the wire: u16 year,
// u8 month, u8 day.
//
// The constructors and setters take only fields in range (a caller's fault
// otherwise); a word from the wire or from Date(uint32_t) is taken unchanged.

#include <cstdint>
#include <string>

#include "Network/ISerializable.h"

namespace zelvo {

class Date : public ISerializable {
 public:
  static constexpr int64_t WireSize = 4;

  Date() = default;
  explicit Date(uint32_t value) : data_(value) {}
  Date(int year, int month, int day);
  // Reads the wire form at the cursor (throws ReadError when it runs out).
  static Date fromBuffer(ByteBuffer& buffer);

  int year() const { return static_cast<int>(data_ >> 16); }
  int month() const { return static_cast<int>((data_ >> 8) & 0xFF); }
  int day() const { return static_cast<int>(data_ & 0xFF); }
  void setYear(int year);
  void setMonth(int month);
  void setDay(int day);

  uint32_t data() const { return data_; }
  int compare(const Date& other) const { return data_ < other.data_ ? -1 : data_ > other.data_ ? 1 : 0; }
  bool isEqual(const Date& other) const { return data_ == other.data_; }
  uint32_t hash() const { return data_; }
  // The day in the user's locale, medium style.
  std::string description() const;

  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;

  friend bool operator==(const Date& a, const Date& b) { return a.data_ == b.data_; }
  friend auto operator<=>(const Date& a, const Date& b) { return a.data_ <=> b.data_; }

 private:
  uint32_t data_ = 0;
};

}  // namespace zelvo
