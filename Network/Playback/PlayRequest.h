#pragma once
// One thing the user asks of the recorder's playback: play a period at a speed,
// step, jump to a time, an event or a storage position, or change the channels
// being played. A channel change (type 7) is not a request of its own on the wire:
// it modifies the request in prevRequest and borrows that request's direction,
// time and speed.
//
// Intervals, masks, positions and times are values, so changing one request never
// changes another; prevRequest is shared. Copying a request copies its values and
// shares its prevRequest.
//
// Only types 1 to 3 go out in the 36-byte wire form (the play message).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Network/BitMask32.h"
#include "Network/DateTime.h"
#include "Network/ISerializable.h"
#include "Network/Interval.h"
#include "Network/Playback/MediaPosition.h"

namespace zelvo {

class EventListElement;

class PlayRequest : public ISerializable {
 public:
  enum Type : int {
    TypePlay = 1,
    TypeStep = 2,
    TypeJumpToTime = 3,
    TypeJumpToEvent = 4,
    TypeJumpToPosition = 5,
    TypeJumpToNearPosition = 6,
    TypeUpdateChannelMask = 7,
  };
  static constexpr int DirectionForward = 1;  // any other value is backward
  static constexpr int64_t WireSize = 36;

  PlayRequest() = default;
  explicit PlayRequest(int playType) : type_(playType) {}

  // speed is at most INT32_MAX (speed() is an int).
  static std::shared_ptr<PlayRequest> playRequestPlay(const BitMask32& mask, const Interval& inInterval,
                                                      int withDirection, uint32_t bySpeed, bool withAudio);
  // Over the whole period.
  static std::shared_ptr<PlayRequest> playRequestStep(const BitMask32& mask, int withDirection);
  static std::shared_ptr<PlayRequest> playRequestJump(const BitMask32& mask, const Interval& toInterval,
                                                      int withDirection, uint32_t forSection);
  // Forward.
  static std::shared_ptr<PlayRequest> playRequestJump(const BitMask32& mask, const Interval& toInterval,
                                                      uint32_t forSection);
  // Forward, to an interval whose two ends are the time.
  static std::shared_ptr<PlayRequest> playRequestJump(const BitMask32& mask, const DateTime& toTime,
                                                      uint32_t forSection);
  // The event's channels and storage position.
  static std::shared_ptr<PlayRequest> playRequestJumpToEvent(const EventListElement& event);
  static std::shared_ptr<PlayRequest> playRequestJumpToPosition(const MediaPosition& position, uint64_t ofMediaID);
  static std::shared_ptr<PlayRequest> playRequestJump(const BitMask32& mask, const MediaPosition& toNearPosition,
                                                      const DateTime& atDateTime, int withDirection);
  // Over the whole period; prevRequest is set by the state machine.
  static std::shared_ptr<PlayRequest> playRequestUpdateChannelMask(const BitMask32& mask, bool withAudio);

  int type() const { return type_; }
  void setType(int type) { type_ = type; }
  const Interval& interval() const { return interval_; }
  void setInterval(const Interval& interval) { interval_ = interval; }
  const BitMask32& channelMask() const { return channelMask_; }
  void setChannelMask(const BitMask32& mask) { channelMask_ = mask; }
  // For a channel change, that of prevRequest.
  int direction() const;
  int storedDirection() const { return direction_; }
  void setDirection(int direction) { direction_ = direction; }
  uint32_t argument() const { return argument_; }
  void setArgument(uint32_t argument) { argument_ = argument; }
  uint32_t argument2() const { return argument2_; }
  void setArgument2(uint32_t argument2) { argument2_ = argument2; }
  const std::optional<MediaPosition>& mediaPosition() const { return mediaPosition_; }
  void setMediaPosition(std::optional<MediaPosition> position) { mediaPosition_ = position; }
  // For a channel change, that of prevRequest.
  std::optional<DateTime> dateTime() const;
  void setDateTime(std::optional<DateTime> dateTime) { dateTime_ = dateTime; }
  uint64_t mediaID() const { return mediaID_; }
  void setMediaID(uint64_t mediaID) { mediaID_ = mediaID; }
  const std::shared_ptr<PlayRequest>& prevRequest() const { return prevRequest_; }
  void setPrevRequest(std::shared_ptr<PlayRequest> request) { prevRequest_ = std::move(request); }

  // A play's argument; for a channel change, prevRequest's speed; 0 for every other
  // type, which shows steps and jumps without pacing.
  int speed() const;
  void enableAudio(bool enabled) { argument2_ = enabled ? 1 : 0; }

  // The name of a type ("Play" ... "UpdateChannelMask"); a type outside 1 to 7 is a
  // programming error.
  static const char* typeName(int type);
  std::string description() const;

  // Requests are never received.
  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;

 private:
  const PlayRequest& borrowed() const;

  int type_ = 0;
  Interval interval_;
  BitMask32 channelMask_;
  int direction_ = 0;
  uint32_t argument_ = 0;
  uint32_t argument2_ = 0;
  std::optional<MediaPosition> mediaPosition_;
  std::optional<DateTime> dateTime_;
  uint64_t mediaID_ = 0;
  std::shared_ptr<PlayRequest> prevRequest_;
};

}  // namespace zelvo
