#include "Network/Playback/SectionList.h"

#include "Network/ByteBuffer.h"
#include "Network/Playback/Description.h"
#include "Network/Playback/WireCount.h"

namespace zelvo {

namespace {
constexpr int64_t HeaderSize = 4 + Interval::WireSize + 4;
}

void SectionList::readFrom(ByteBuffer& buffer) {
  int32_t count = checkedWireCount(buffer, HeaderSize - 4, HeaderSize, 4, "section list");
  BitMask32 mask(buffer.popUint32());
  Interval interval;
  buffer.popObject(interval);
  buffer.skip(4);
  std::vector<int32_t> sections;
  sections.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) sections.push_back(buffer.popInt32());
  channelMask_ = mask;
  interval_ = interval;
  sections_ = std::move(sections);
}

void SectionList::writeTo(ByteBuffer&) const {}

std::string SectionList::description() const {
  std::vector<std::string> numbers;
  for (int32_t section : sections_) numbers.push_back(std::to_string(section));
  return channelMask_.description() + ", " + interval_.description() + "\n" + describeArray(numbers);
}

}  // namespace zelvo
