#include "Network/Playback/TimeSlice.h"

#include "Network/ByteBuffer.h"

namespace zelvo {

void TimeSlice::readFrom(ByteBuffer& buffer) {
  if (buffer.remaining() < WireSize) throw ReadError("time slice runs past the end of the message");
  sectionID_ = buffer.popUint32();
  buffer.popObject(interval_);
  channelMask_.setAsUint32(buffer.popUint32());
}

void TimeSlice::writeTo(ByteBuffer&) const {}

std::string TimeSlice::description() const {
  return "(" + std::to_string(sectionID_) + ", " + interval_.description() + ", " + channelMask_.description() + ")";
}

}  // namespace zelvo
