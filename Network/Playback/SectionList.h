#pragma once
// The recording sections that hold a period on some channels: the answer to a
// section-list request. Wire form: u32 channel mask, the interval, i32 count, then
// count i32 section numbers. Read only.

#include <cstdint>
#include <string>
#include <vector>

#include "Network/BitMask32.h"
#include "Network/ISerializable.h"
#include "Network/Interval.h"

namespace zelvo {

class SectionList : public ISerializable {
 public:
  const BitMask32& channelMask() const { return channelMask_; }
  const Interval& interval() const { return interval_; }
  const std::vector<int32_t>& sections() const { return sections_; }

  // A count larger than the bytes that remain fails the read (ReadError) and
  // changes nothing.
  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;
  std::string description() const;  // "mask, interval\n(sections)"

 private:
  BitMask32 channelMask_;
  Interval interval_;
  std::vector<int32_t> sections_;
};

}  // namespace zelvo
