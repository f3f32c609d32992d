#include "Network/Playback/PlayRequest.h"

#include <cinttypes>
#include <climits>
#include <cstdio>

#include "Foundation/Assert.h"
#include "Network/ByteBuffer.h"
#include "Network/Playback/EventListElement.h"

namespace zelvo {

namespace {
// The assertion texts read as this system has always printed them.
constexpr std::nullptr_t nil = nullptr;
constexpr bool NO = false;
}  // namespace

std::shared_ptr<PlayRequest> PlayRequest::playRequestPlay(const BitMask32& mask, const Interval& inInterval,
                                                          int withDirection, uint32_t bySpeed, bool withAudio) {
  // The speed is read back as an int by the pacing; a larger one would turn negative.
  ZELVO_PRECONDITION(bySpeed <= INT32_MAX);
  auto request = std::make_shared<PlayRequest>(TypePlay);
  request->direction_ = withDirection;
  request->interval_ = inInterval;
  request->channelMask_ = mask;
  request->argument_ = bySpeed;
  request->argument2_ = withAudio ? 1 : 0;
  return request;
}

std::shared_ptr<PlayRequest> PlayRequest::playRequestStep(const BitMask32& mask, int withDirection) {
  auto request = std::make_shared<PlayRequest>(TypeStep);
  request->direction_ = withDirection;
  request->interval_ = Interval::intervalWholePeriod();
  request->channelMask_ = mask;
  return request;
}

std::shared_ptr<PlayRequest> PlayRequest::playRequestJump(const BitMask32& mask, const Interval& toInterval,
                                                          int withDirection, uint32_t forSection) {
  auto request = std::make_shared<PlayRequest>(TypeJumpToTime);
  request->direction_ = withDirection;
  request->interval_ = toInterval;
  request->channelMask_ = mask;
  request->argument_ = forSection;
  return request;
}

std::shared_ptr<PlayRequest> PlayRequest::playRequestJump(const BitMask32& mask, const Interval& toInterval,
                                                          uint32_t forSection) {
  return playRequestJump(mask, toInterval, DirectionForward, forSection);
}

std::shared_ptr<PlayRequest> PlayRequest::playRequestJump(const BitMask32& mask, const DateTime& toTime,
                                                          uint32_t forSection) {
  return playRequestJump(mask, Interval::intervalOfDateTime(toTime), DirectionForward, forSection);
}

std::shared_ptr<PlayRequest> PlayRequest::playRequestJumpToEvent(const EventListElement& event) {
  auto request = std::make_shared<PlayRequest>(TypeJumpToEvent);
  request->channelMask_ = event.channelMask();
  request->mediaPosition_ = event.mediaPosition();
  return request;
}

std::shared_ptr<PlayRequest> PlayRequest::playRequestJumpToPosition(const MediaPosition& position,
                                                                    uint64_t ofMediaID) {
  auto request = std::make_shared<PlayRequest>(TypeJumpToPosition);
  request->mediaPosition_ = position;
  request->mediaID_ = ofMediaID;
  return request;
}

std::shared_ptr<PlayRequest> PlayRequest::playRequestJump(const BitMask32& mask, const MediaPosition& toNearPosition,
                                                          const DateTime& atDateTime, int withDirection) {
  auto request = std::make_shared<PlayRequest>(TypeJumpToNearPosition);
  request->channelMask_ = mask;
  request->mediaPosition_ = toNearPosition;
  request->dateTime_ = atDateTime;
  request->direction_ = withDirection;
  return request;
}

std::shared_ptr<PlayRequest> PlayRequest::playRequestUpdateChannelMask(const BitMask32& mask, bool withAudio) {
  auto request = std::make_shared<PlayRequest>(TypeUpdateChannelMask);
  request->channelMask_ = mask;
  request->interval_ = Interval::intervalWholePeriod();
  request->argument_ = withAudio ? 1 : 0;
  return request;
}

const PlayRequest& PlayRequest::borrowed() const {
  const std::shared_ptr<PlayRequest>& prevRequest = prevRequest_;
  ZELVO_ASSERT(prevRequest != nil);
  return *prevRequest;
}

int PlayRequest::direction() const { return type_ == TypeUpdateChannelMask ? borrowed().direction() : direction_; }

std::optional<DateTime> PlayRequest::dateTime() const {
  return type_ == TypeUpdateChannelMask ? borrowed().dateTime() : dateTime_;
}

int PlayRequest::speed() const {
  if (type_ == TypeUpdateChannelMask) return borrowed().speed();
  // Clamped so that a speed set past the factory's check cannot turn negative.
  if (type_ == TypePlay) return argument_ > INT32_MAX ? INT32_MAX : static_cast<int>(argument_);
  return 0;
}

const char* PlayRequest::typeName(int type) {
  switch (type) {
    case TypePlay: return "Play";
    case TypeStep: return "Step";
    case TypeJumpToTime: return "JumpToTime";
    case TypeJumpToEvent: return "JumpToEvent";
    case TypeJumpToPosition: return "JumpToPosition";
    case TypeJumpToNearPosition: return "JumpToNearPosition";
    case TypeUpdateChannelMask: return "UpdateChannelMask";
  }
  ZELVO_ASSERT(NO, "play request type %d", type);
  return "";
}

std::string PlayRequest::description() const {
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, "arg = %u, arg2 = %u", argument_, argument2_);
  char mediaID[48];
  std::snprintf(mediaID, sizeof mediaID, "mediaID = %" PRIu64, mediaID_);
  return std::string(typeName(type_)) + ", " + interval_.description() + ", mask = " + channelMask_.description() +
         ", " + (direction_ == DirectionForward ? "Forward" : "Backward") + ", " + numbers + ", " +
         (mediaPosition_ ? mediaPosition_->description() : "(null)") + ", " +
         (dateTime_ ? dateTime_->description() : "(null)") + ", " + mediaID;
}

void PlayRequest::readFrom(ByteBuffer&) {}

void PlayRequest::writeTo(ByteBuffer& buffer) const {
  buffer.pushInt32(type_);
  interval_.writeTo(buffer);
  buffer.pushUint32(channelMask_.asUint32());
  buffer.pushInt32(direction_);
  buffer.pushUint32(argument_);
  buffer.pushUint32(argument2_);
}

}  // namespace zelvo
