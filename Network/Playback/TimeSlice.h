#pragma once
// One stretch of recording: its section, its period and the channels it holds.
// 24 bytes on the wire. Read only.

#include <cstdint>
#include <string>

#include "Network/BitMask32.h"
#include "Network/ISerializable.h"
#include "Network/Interval.h"

namespace zelvo {

class TimeSlice : public ISerializable {
 public:
  static constexpr int64_t WireSize = 4 + Interval::WireSize + 4;

  TimeSlice() = default;
  TimeSlice(uint32_t sectionID, const Interval& interval, const BitMask32& channelMask)
      : sectionID_(sectionID), interval_(interval), channelMask_(channelMask) {}

  uint32_t sectionID() const { return sectionID_; }
  const Interval& interval() const { return interval_; }
  const BitMask32& channelMask() const { return channelMask_; }

  // All fields or none (ReadError).
  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;
  std::string description() const;  // "(sectionID, interval, channelMask)"

 private:
  uint32_t sectionID_ = 0;
  Interval interval_;
  BitMask32 channelMask_;
};

}  // namespace zelvo
