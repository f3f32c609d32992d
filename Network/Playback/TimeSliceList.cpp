#include "Network/Playback/TimeSliceList.h"

#include "Network/ByteBuffer.h"
#include "Network/Playback/Description.h"
#include "Network/Playback/WireCount.h"

namespace zelvo {

std::optional<Date> TimeSliceList::date() const {
  if (timeSlices_.empty()) return std::nullopt;
  return timeSlices_.back().interval().from().date();
}

void TimeSliceList::readFrom(ByteBuffer& buffer) {
  int32_t count = checkedWireCount(buffer, 0, 4, TimeSlice::WireSize, "time-slice list");
  buffer.skip(4);
  std::vector<TimeSlice> slices(static_cast<size_t>(count));
  for (TimeSlice& slice : slices) buffer.popObject(slice);
  timeSlices_ = std::move(slices);
}

void TimeSliceList::writeTo(ByteBuffer&) const {}

std::string TimeSliceList::description() const { return describeEach(timeSlices_); }

}  // namespace zelvo
