#include "Network/Playback/Calendar.h"

#include "Network/ByteBuffer.h"
#include "Network/Playback/WireCount.h"

namespace zelvo {

void Calendar::readFrom(ByteBuffer& buffer) {
  int32_t count = checkedWireCount(buffer, 0, 4, Date::WireSize, "calendar");
  buffer.skip(4);
  std::vector<Date> dates;
  dates.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) dates.push_back(Date::fromBuffer(buffer));
  dates_ = std::move(dates);
}

void Calendar::writeTo(ByteBuffer&) const {}

}  // namespace zelvo
