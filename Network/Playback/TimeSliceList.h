#pragma once
// The stretches of recording of one day: the answer to a time-slice request.
// Wire form: i32 count, then count time slices. Read only.

#include <optional>
#include <string>
#include <vector>

#include "Network/Date.h"
#include "Network/ISerializable.h"
#include "Network/Playback/TimeSlice.h"

namespace zelvo {

class TimeSliceList : public ISerializable {
 public:
  TimeSliceList() = default;
  explicit TimeSliceList(std::vector<TimeSlice> timeSlices) : timeSlices_(std::move(timeSlices)) {}

  const std::vector<TimeSlice>& timeSlices() const { return timeSlices_; }
  // The day of the start of the last slice; none for an empty list.
  std::optional<Date> date() const;

  // A count larger than the bytes that remain fails the read (ReadError) and
  // changes nothing.
  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;
  std::string description() const;

 private:
  std::vector<TimeSlice> timeSlices_;
};

}  // namespace zelvo
