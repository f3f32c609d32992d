#include "Network/Playback/PlayRequest.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Network/Packet.h"
#include "Network/Playback/EventListElement.h"

namespace zelvo {
namespace {

using Bytes = std::vector<uint8_t>;

const BitMask32 Mask(0x3);
const Interval Morning(DateTime(2011, 3, 9, 10, 0, 0), DateTime(2011, 3, 9, 11, 30, 0));
const DateTime Noon(2011, 3, 9, 12, 0, 0);
const MediaPosition Position(1, 2, 3);

EventListElement event() {
  EventListElement element;
  element.setChannelMask(BitMask32(0x10));
  element.setMediaPosition(MediaPosition(7, 8, 9));
  element.setMediaID(99);
  return element;
}

// What every factory sets; the other fields keep the values of a fresh request.
struct FactoryCase {
  const char* name;
  std::function<std::shared_ptr<PlayRequest>()> make;
  int type;
  const char* typeName;
  Interval interval;
  uint32_t mask;
  int direction;
  uint32_t argument;
  uint32_t argument2;
  int speed;
  std::optional<MediaPosition> position;
  std::optional<DateTime> dateTime;
  uint64_t mediaID;
};

std::vector<FactoryCase> factoryCases() {
  const Interval whole = Interval::intervalWholePeriod();
  return {
      {"PlayWithAudio", [] { return PlayRequest::playRequestPlay(Mask, Morning, 1, 4, true); }, 1, "Play", Morning, 3, 1,
       4, 1, 4, {}, {}, 0},
      {"PlayBackwardWithoutAudio", [] { return PlayRequest::playRequestPlay(Mask, Morning, 0, 2, false); }, 1, "Play",
       Morning, 3, 0, 2, 0, 2, {}, {}, 0},
      {"Step", [] { return PlayRequest::playRequestStep(Mask, 0); }, 2, "Step", whole, 3, 0, 0, 0, 0, {}, {}, 0},
      {"JumpToInterval", [] { return PlayRequest::playRequestJump(Mask, Morning, 0, 12); }, 3, "JumpToTime", Morning, 3,
       0, 12, 0, 0, {}, {}, 0},
      {"JumpToIntervalForward", [] { return PlayRequest::playRequestJump(Mask, Morning, 12u); }, 3, "JumpToTime",
       Morning, 3, 1, 12, 0, 0, {}, {}, 0},
      {"JumpToTime", [] { return PlayRequest::playRequestJump(Mask, Noon, 5u); }, 3, "JumpToTime",
       Interval(Noon, Noon), 3, 1, 5, 0, 0, {}, {}, 0},
      {"JumpToEvent", [] { return PlayRequest::playRequestJumpToEvent(event()); }, 4, "JumpToEvent", Interval(), 0x10,
       0, 0, 0, 0, MediaPosition(7, 8, 9), {}, 0},
      {"JumpToPosition", [] { return PlayRequest::playRequestJumpToPosition(Position, 77); }, 5, "JumpToPosition",
       Interval(), 0, 0, 0, 0, 0, Position, {}, 77},
      {"JumpToNearPosition", [] { return PlayRequest::playRequestJump(Mask, Position, Noon, 1); }, 6,
       "JumpToNearPosition", Interval(), 3, 1, 0, 0, 0, Position, Noon, 0},
  };
}

TEST(PlayRequestFactories, SetTheirFieldsAndNothingElse) {
  for (const FactoryCase& c : factoryCases()) {
    SCOPED_TRACE(c.name);
    auto request = c.make();
    EXPECT_EQ(request->type(), c.type);
    EXPECT_STREQ(PlayRequest::typeName(request->type()), c.typeName);
    EXPECT_EQ(request->interval(), c.interval);
    EXPECT_EQ(request->channelMask().asUint32(), c.mask);
    EXPECT_EQ(request->direction(), c.direction);
    EXPECT_EQ(request->argument(), c.argument);
    EXPECT_EQ(request->argument2(), c.argument2);
    EXPECT_EQ(request->speed(), c.speed);
    EXPECT_EQ(request->mediaPosition(), c.position);
    EXPECT_EQ(request->dateTime(), c.dateTime);
    EXPECT_EQ(request->mediaID(), c.mediaID);
    EXPECT_EQ(request->prevRequest(), nullptr);
  }
}

TEST(PlayRequest, AFreshRequestIsEmpty) {
  PlayRequest request(3);
  EXPECT_EQ(request.type(), 3);
  EXPECT_EQ(request.interval(), Interval());
  EXPECT_TRUE(request.channelMask().isEmpty());
  EXPECT_FALSE(request.mediaPosition().has_value());
  EXPECT_FALSE(request.dateTime().has_value());
  EXPECT_EQ(PlayRequest().type(), 0);
}

TEST(PlayRequest, TheChannelUpdateCoversTheWholePeriod) {
  auto update = PlayRequest::playRequestUpdateChannelMask(BitMask32(0x6), true);
  EXPECT_EQ(update->type(), PlayRequest::TypeUpdateChannelMask);
  EXPECT_STREQ(PlayRequest::typeName(update->type()), "UpdateChannelMask");
  EXPECT_EQ(update->interval(), Interval::intervalWholePeriod());
  EXPECT_EQ(update->channelMask().asUint32(), 0x6u);
  EXPECT_EQ(update->argument(), 1u);
  EXPECT_EQ(PlayRequest::playRequestUpdateChannelMask(BitMask32(0x6), false)->argument(), 0u);
  EXPECT_EQ(update->prevRequest(), nullptr);
}

TEST(PlayRequest, AudioFlagTravelsInArgument2) {
  auto silent = PlayRequest::playRequestPlay(Mask, Morning, 1, 1, false);
  EXPECT_EQ(silent->argument2(), 0u);
  EXPECT_EQ(PlayRequest::playRequestPlay(Mask, Morning, 1, 1, true)->argument2(), 1u);
  silent->enableAudio(true);
  EXPECT_EQ(silent->argument2(), 1u);
  silent->enableAudio(false);
  EXPECT_EQ(silent->argument2(), 0u);
}

TEST(PlayRequest, OnlyAPlayHasASpeed) {
  std::vector<std::shared_ptr<PlayRequest>> unpaced = {
      PlayRequest::playRequestStep(Mask, 1),
      PlayRequest::playRequestJump(Mask, Morning, 1, 4),
      PlayRequest::playRequestJumpToEvent(event()),
      PlayRequest::playRequestJumpToPosition(Position, 1),
      PlayRequest::playRequestJump(Mask, Position, Noon, 1),
  };
  for (const auto& request : unpaced) {
    request->setArgument(9);
    EXPECT_EQ(request->speed(), 0) << request->type();
  }
  auto play = PlayRequest::playRequestPlay(Mask, Morning, 1, 8, false);
  EXPECT_EQ(play->speed(), 8);
}

TEST(PlayRequest, AChannelUpdateBorrowsDirectionTimeAndSpeed) {
  auto play = PlayRequest::playRequestPlay(Mask, Morning, 0, 4, true);
  play->setDateTime(Noon);
  auto update = PlayRequest::playRequestUpdateChannelMask(BitMask32(1), false);
  update->setDirection(1);
  update->setDateTime(DateTime(2000, 1, 1, 0, 0, 0));
  update->setPrevRequest(play);
  EXPECT_EQ(update->speed(), 4);
  EXPECT_EQ(update->direction(), 0);
  EXPECT_NE(update->direction(), PlayRequest::DirectionForward);
  EXPECT_EQ(update->dateTime(), Noon);
  EXPECT_EQ(update->storedDirection(), 1);
}

TEST(PlayRequest, ACopySharesOnlyThePreviousRequest) {
  auto play = PlayRequest::playRequestPlay(Mask, Morning, 1, 4, true);
  auto update = PlayRequest::playRequestUpdateChannelMask(BitMask32(1), false);
  update->setPrevRequest(play);
  PlayRequest copy = *update;
  copy.setChannelMask(BitMask32(0xF0));
  copy.setInterval(Interval(Noon, Noon));
  EXPECT_EQ(update->channelMask().asUint32(), 1u);
  EXPECT_EQ(update->interval(), Interval::intervalWholePeriod());
  EXPECT_EQ(copy.prevRequest(), play);

  PlayRequest replay = *play;
  replay.enableAudio(false);
  EXPECT_EQ(play->argument2(), 1u);
}

struct WireCase {
  const char* name;
  std::function<std::shared_ptr<PlayRequest>()> make;
  Bytes bytes;
};

const Bytes MorningBytes = {0x07, 0xDB, 3, 9, 0, 10, 0, 0, 0x07, 0xDB, 3, 9, 0, 11, 30, 0};
const Bytes WholeBytes = {0x07, 0xB2, 1, 1, 0, 0, 0, 0, 0x08, 0x34, 12, 31, 0, 23, 59, 59};

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(PlayRequest, WritesTheThirtySixByteWireForm) {
  const WireCase cases[] = {
      {"Play", [] { return PlayRequest::playRequestPlay(Mask, Morning, 1, 4, true); },
       concat({{0, 0, 0, 1}, MorningBytes, {0, 0, 0, 3}, {0, 0, 0, 1}, {0, 0, 0, 4}, {0, 0, 0, 1}})},
      {"Step", [] { return PlayRequest::playRequestStep(BitMask32(0x80000000u), 0); },
       concat({{0, 0, 0, 2}, WholeBytes, {0x80, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}})},
      {"JumpToTime", [] { return PlayRequest::playRequestJump(Mask, Morning, -1, 0x01020304u); },
       concat({{0, 0, 0, 3}, MorningBytes, {0, 0, 0, 3}, {0xFF, 0xFF, 0xFF, 0xFF}, {1, 2, 3, 4}, {0, 0, 0, 0}})},
  };
  for (const WireCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto packet = Packet::create(64);
    packet->pushObject(*c.make());
    ASSERT_EQ(packet->position(), PlayRequest::WireSize);
    EXPECT_EQ(Bytes(packet->bufferAt(0), packet->bufferAt(PlayRequest::WireSize)), c.bytes);
  }
}

TEST(PlayRequest, AnUpdateWritesItsOwnStoredFieldsOnly) {
  auto play = PlayRequest::playRequestPlay(Mask, Morning, 1, 4, true);
  auto update = PlayRequest::playRequestUpdateChannelMask(BitMask32(0x6), true);
  update->setPrevRequest(play);
  auto packet = Packet::create(64);
  packet->pushObject(*update);
  EXPECT_EQ(Bytes(packet->bufferAt(0), packet->bufferAt(36)),
            concat({{0, 0, 0, 7}, WholeBytes, {0, 0, 0, 6}, {0, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 0}}));
}

TEST(PlayRequest, IsNeverRead) {
  Bytes bytes(36, 0xAB);
  auto packet = Packet::create(36);
  packet->pushBytes(bytes.data(), 36, 0);
  packet->seek(0);
  PlayRequest request(1);
  packet->popObject(request);
  EXPECT_EQ(packet->position(), 0);
  EXPECT_EQ(request.type(), 1);
}

TEST(PlayRequest, DescribesItsStoredFields) {
  auto play = PlayRequest::playRequestPlay(Mask, Morning, 1, 4, true);
  EXPECT_EQ(play->description(),
            "Play, " + Morning.description() + ", mask = 3, Forward, arg = 4, arg2 = 1, (null), (null), mediaID = 0");
  auto near = PlayRequest::playRequestJump(Mask, Position, Noon, 2);
  near->setMediaID(18446744073709551615ull);
  EXPECT_EQ(near->description(), "JumpToNearPosition, " + Interval().description() +
                                     ", mask = 3, Backward, arg = 0, arg2 = 0, (1, 2, 3), " + Noon.description() +
                                     ", mediaID = 18446744073709551615");
}

TEST(PlayRequestDeathTest, AChannelUpdateWithoutItsPreviousRequestIsAProgrammingError) {
  auto update = PlayRequest::playRequestUpdateChannelMask(BitMask32(1), false);
  EXPECT_DEATH(update->speed(), "prevRequest != nil");
  EXPECT_DEATH(update->direction(), "Network/Playback/PlayRequest");
  EXPECT_DEATH(update->dateTime(), "prevRequest != nil");
}

TEST(PlayRequestDeathTest, ATypeOutsideOneToSevenIsAProgrammingError) {
  PlayRequest request(8);
  EXPECT_DEATH(request.description(), "NO");
  EXPECT_DEATH(PlayRequest::typeName(0), "NO");
}

TEST(PlayRequestDeathTest, ASpeedThatWouldTurnNegativeIsAProgrammingError) {
  EXPECT_DEATH(PlayRequest::playRequestPlay(Mask, Morning, 1, 0x80000000u, false), "bySpeed <= INT32_MAX");
}

}  // namespace
}  // namespace zelvo
