#pragma once
// A set of event kinds: a BitMask32 worked on with the kinds' bit values
// (EventType) instead of channel indexes.

#include "Network/BitMask32.h"
#include "Network/Playback/EventType.h"

namespace zelvo {

class EventMask : public BitMask32 {
 public:
  EventMask() = default;
  explicit EventMask(uint32_t mask) : BitMask32(mask) {}

  void setEventMask(int bits) { setAsUint32(asUint32() | static_cast<uint32_t>(bits)); }
  void resetEventMask(int bits) { setAsUint32(asUint32() & ~static_cast<uint32_t>(bits)); }
  bool isEventMaskSet(int bits) const { return (asUint32() & static_cast<uint32_t>(bits)) != 0; }
};

}  // namespace zelvo
