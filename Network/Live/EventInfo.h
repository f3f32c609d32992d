#pragma once
// Which cameras have one kind of event active: a camera count and a mask with
// bit n for camera n. The kind (an EventInfoType) comes from the message. 8 bytes
// on the wire: u8 count, 3 reserved bytes, u32 mask.

#include <cstdint>

namespace zelvo {

class ByteBuffer;

class EventInfo {
 public:
  static constexpr int64_t Size = 8;

  // Reads the 8 bytes at the cursor; fewer remaining throws ReadError with the
  // cursor unmoved.
  EventInfo(ByteBuffer& buffer, int32_t type);
  // The type is left 0.
  EventInfo(int64_t cameraCount, uint32_t mask) : cameraCount_(cameraCount), mask_(mask) {}

  int64_t cameraCount() const { return cameraCount_; }
  uint32_t mask() const { return mask_; }
  int32_t type() const { return type_; }

  // The camera's bit; false for a camera the count does not cover, and for one
  // the 32-bit mask cannot hold (a recorder with more cameras would otherwise
  // report camera 33 with camera 1's bit).
  bool on(int64_t index) const;

  friend bool operator==(const EventInfo&, const EventInfo&) = default;

 private:
  int64_t cameraCount_ = 0;
  uint32_t mask_ = 0;
  int32_t type_ = 0;
};

}  // namespace zelvo
