// AlarmCommand, EventInfo and SystemEventInfo: the fixed-size live records.
#include <gtest/gtest.h>

#include "Network/Live/RecordBytes.h"
#include "Network/Live/AlarmCommand.h"
#include "Network/Live/EventInfo.h"
#include "Network/Live/LiveEnumerations.h"
#include "Network/Live/SystemEventInfo.h"

namespace zelvo {
namespace {

using test::Bytes;
using test::BytesBuilder;
using test::Reader;

Bytes alarm(uint8_t channel, uint8_t enable, uint8_t on, std::string_view title) {
  return BytesBuilder().u8(channel).u8(enable).u8(on).u8(0xEE).field(title, 32).bytes();
}

TEST(AlarmCommand, ReadsThirtySixBytes) {
  Bytes bytes = alarm(7, 1, 2, "Siren");
  bytes.push_back(0xAA);
  Reader reader(bytes);
  AlarmCommand command(reader.buffer());
  EXPECT_EQ(reader.buffer().position(), 36);
  EXPECT_EQ(command.channel(), 7);
  EXPECT_TRUE(command.enable());
  EXPECT_TRUE(command.on()) << "any non-zero byte";
  EXPECT_EQ(command.title(), "Siren");
  EXPECT_EQ(command.titleWithDefaultValue(), "Siren");
}

TEST(AlarmCommand, DefaultTitles) {
  struct Case {
    uint8_t channel;
    const char* title;
    const char* expected;
  };
  for (const Case& c : {Case{0, "", "ALARM1"}, Case{0, " \t ", "ALARM1"}, Case{255, "", "ALARM256"},
                        Case{3, " Door ", " Door "}, Case{3, "\n", "\n"}}) {
    Reader reader(alarm(c.channel, 0, 0, c.title));
    EXPECT_EQ(AlarmCommand(reader.buffer()).titleWithDefaultValue(), c.expected) << c.title;
  }
}

TEST(AlarmCommand, EveryTruncationFails) {
  Bytes bytes = alarm(1, 1, 1, "x");
  for (size_t length = 0; length < bytes.size(); ++length) {
    Reader reader(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length)));
    EXPECT_THROW(AlarmCommand command(reader.buffer()), ReadError) << length;
    EXPECT_EQ(reader.buffer().position(), 0);
  }
}

TEST(EventInfo, ReadsEightBytesAndKeepsTheMessageType) {
  Reader reader(BytesBuilder().u8(16).u8(0xFF).u8(0xFF).u8(0xFF).u32(0x80000011).u8(0xAA).bytes());
  EventInfo info(reader.buffer(), EventInfoTypeSensor);
  EXPECT_EQ(reader.buffer().position(), 8);
  EXPECT_EQ(info.cameraCount(), 16);
  EXPECT_EQ(info.mask(), 0x80000011u);
  EXPECT_EQ(info.type(), EventInfoTypeSensor);
  EXPECT_EQ(EventInfo(4, 0x10).type(), 0);
}

TEST(EventInfo, EveryTruncationFails) {
  Bytes bytes = BytesBuilder().u8(4).u8(0).u8(0).u8(0).u32(1).bytes();
  for (size_t length = 0; length < bytes.size(); ++length) {
    Reader reader(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length)));
    EXPECT_THROW(EventInfo info(reader.buffer(), EventInfoTypeMotion), ReadError) << length;
    EXPECT_EQ(reader.buffer().position(), 0);
  }
}

struct OnCase {
  const char* name;
  int64_t cameraCount;
  uint32_t mask;
  int64_t index;
  bool expected;
};

class EventInfoOn : public testing::TestWithParam<OnCase> {};

TEST_P(EventInfoOn, Bit) {
  const OnCase& c = GetParam();
  EXPECT_EQ(EventInfo(c.cameraCount, c.mask).on(c.index), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EventInfoOn,
    testing::Values(OnCase{"CountBoundsTheCamera", 4, 0x10, 4, false},
                    OnCase{"CameraInsideTheCount", 5, 0x10, 4, true},
                    OnCase{"ClearBit", 5, 0x10, 3, false},
                    OnCase{"HighestBit", 32, 0x80000000u, 31, true},
                    OnCase{"CameraBeyondTheMaskDoesNotWrap", 40, 0x2, 33, false},
                    OnCase{"NegativeCamera", 4, 0xFFFFFFFFu, -1, false},
                    OnCase{"ZeroCount", 0, 0xFFFFFFFFu, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SystemEventInfo, FlagsInWireOrder) {
  using Getter = bool (SystemEventInfo::*)() const;
  const Getter getters[8] = {&SystemEventInfo::smartBad,       &SystemEventInfo::smartTemperature,
                             &SystemEventInfo::diskBad,        &SystemEventInfo::recordBad,
                             &SystemEventInfo::recordDiskFull, &SystemEventInfo::archiveDiskFull,
                             &SystemEventInfo::gravity,        &SystemEventInfo::fanFailure};
  for (int set = 0; set < 8; ++set) {
    Bytes bytes(9, 0);
    bytes[static_cast<size_t>(set)] = static_cast<uint8_t>(set + 1);
    Reader reader(bytes);
    SystemEventInfo info(reader.buffer());
    EXPECT_EQ(reader.buffer().position(), 8);
    for (int flag = 0; flag < 8; ++flag) EXPECT_EQ((info.*getters[flag])(), flag == set) << set << " " << flag;
  }
}

TEST(SystemEventInfo, EveryTruncationFails) {
  for (size_t length = 0; length < 8; ++length) {
    Reader reader(Bytes(length, 1));
    EXPECT_THROW(SystemEventInfo info(reader.buffer()), ReadError) << length;
    EXPECT_EQ(reader.buffer().position(), 0);
  }
}

TEST(LiveEnumerations, SingleBytesOutsideTheirRangeBecomeZero) {
  EXPECT_EQ(enumeratedByte(0, 7), 0);
  EXPECT_EQ(enumeratedByte(1, 7), 1);
  EXPECT_EQ(enumeratedByte(7, 7), 7);
  EXPECT_EQ(enumeratedByte(8, 7), 0);
  EXPECT_EQ(enumeratedByte(9, 3), 0);
  EXPECT_EQ(enumeratedByte(255, 5), 0);
}

}  // namespace
}  // namespace zelvo
