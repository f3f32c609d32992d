#pragma once
// One page of recorded events, and whether the recorder holds more before or after
// it. Wire form: i8 hasPrev, i8 hasNext (non-zero: yes), i32 count, then count
// events. Read only.

#include <string>
#include <vector>

#include "Network/ISerializable.h"
#include "Network/Playback/EventListElement.h"

namespace zelvo {

class EventList : public ISerializable {
 public:
  const std::vector<EventListElement>& events() const { return events_; }
  bool hasPrev() const { return hasPrev_; }
  bool hasNext() const { return hasNext_; }

  // A count larger than the bytes that remain fails the read (ReadError) and
  // changes nothing.
  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;
  std::string description() const;

 private:
  std::vector<EventListElement> events_;
  bool hasPrev_ = false;
  bool hasNext_ = false;
};

}  // namespace zelvo
