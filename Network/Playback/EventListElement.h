#pragma once
// One recorded event: its kind (an EventType bit), channels, time and where it
// lies in storage. 34 bytes on the wire. Read only.

#include <cstdint>
#include <string>

#include "Network/BitMask32.h"
#include "Network/DateTime.h"
#include "Network/ISerializable.h"
#include "Network/Playback/MediaPosition.h"

namespace zelvo {

class EventListElement : public ISerializable {
 public:
  static constexpr int64_t WireSize = 1 + 1 + 4 + DateTime::WireSize + 8 + MediaPosition::WireSize;

  int type() const { return type_; }
  void setType(int type) { type_ = type; }
  uint8_t eventID() const { return eventID_; }
  void setEventID(uint8_t eventID) { eventID_ = eventID; }
  const BitMask32& channelMask() const { return channelMask_; }
  void setChannelMask(const BitMask32& mask) { channelMask_ = mask; }
  const DateTime& dateTime() const { return dateTime_; }
  void setDateTime(const DateTime& dateTime) { dateTime_ = dateTime; }
  uint64_t mediaID() const { return mediaID_; }
  void setMediaID(uint64_t mediaID) { mediaID_ = mediaID; }
  const MediaPosition& mediaPosition() const { return mediaPosition_; }
  void setMediaPosition(const MediaPosition& position) { mediaPosition_ = position; }

  // All fields or none (ReadError). The type byte is signed: 0xFF is -1.
  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;
  std::string description() const;

 private:
  int type_ = 0;
  uint8_t eventID_ = 0;
  BitMask32 channelMask_;
  DateTime dateTime_;
  uint64_t mediaID_ = 0;
  MediaPosition mediaPosition_;
};

}  // namespace zelvo
