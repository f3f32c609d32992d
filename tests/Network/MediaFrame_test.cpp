#include "Network/MediaFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Network/MediaFrameFixtures.h"
#include "Network/Packet.h"

namespace zelvo {
namespace {

using test::Bytes;
using test::FrameHeader;
using test::frameBytes;
using test::optionList;
using test::received;
using test::text;

const Bytes Data = {0x00, 0x00, 0x00, 0x01, 0x67, 0x42};

MediaFrame readFrame(const Bytes& payload, std::shared_ptr<Packet>* keep = nullptr) {
  auto packet = received(payload);
  MediaFrame frame;
  packet->popObject(frame);
  if (keep) *keep = packet;
  return frame;
}

TEST(MediaFrame, ReadsTheHeaderAndPointsIntoThePacket) {
  FrameHeader header;
  header.type = 1;
  std::shared_ptr<Packet> packet;
  MediaFrame frame = readFrame(frameBytes(header, Data, {}), &packet);
  EXPECT_EQ(frame.type(), MediaFrameTypeAudio);
  EXPECT_EQ(frame.syncIndex(), 3);
  EXPECT_EQ(frame.syncKeyID(), 7u);
  EXPECT_EQ(frame.channelMask().asUint32(), 6u);
  EXPECT_EQ(frame.mediaDataSize(), Data.size());
  EXPECT_EQ(frame.mediaID(), 0x0102030405060708ull);
  EXPECT_TRUE(frame.dateTime().isEqual(DateTime(2011, 3, 9, 13, 5, 9)));
  EXPECT_EQ(frame.width(), 704);
  EXPECT_EQ(frame.height(), 480);
  EXPECT_EQ(frame.timeStampScale(), 90000u);
  EXPECT_EQ(frame.timeStamp(), 123456789012ull);
  EXPECT_EQ(frame.relatedChannelMask().asUint32(), 0x10u);
  EXPECT_EQ(frame.optionSize(), 0u);
  // The cursor is left at the media data, which the frame points at without a copy.
  EXPECT_EQ(packet->position(), Packet::HeaderSize + MediaFrame::HeaderSize);
  EXPECT_EQ(frame.data(), packet->buffer());
  EXPECT_EQ(Bytes(frame.data(), frame.data() + frame.mediaDataSize()), Data);
  EXPECT_EQ(frame.buffer(), packet);
}

TEST(MediaFrame, HoldsItsPacketForAsLongAsItLives) {
  std::weak_ptr<Packet> watch;
  MediaFrame frame;
  {
    auto packet = received(frameBytes({}, Data, {}));
    watch = packet;
    packet->popObject(frame);
  }
  ASSERT_FALSE(watch.expired());
  EXPECT_EQ(Bytes(frame.data(), frame.data() + frame.mediaDataSize()), Data);
  frame = MediaFrame();
  EXPECT_TRUE(watch.expired());
}

TEST(MediaFrame, NewFrameIsEmpty) {
  MediaFrame frame;
  EXPECT_TRUE(frame.channelMask().isEmpty());
  EXPECT_TRUE(frame.relatedChannelMask().isEmpty());
  EXPECT_TRUE(frame.dateTime().isBlank());
  EXPECT_EQ(frame.data(), nullptr);
  EXPECT_FALSE(frame.title());
  // Nothing is written for a frame.
  auto packet = Packet::create(16);
  packet->pushObject(frame);
  EXPECT_EQ(packet->position(), 0);
}

TEST(MediaFrame, ChannelIsTheLowestBitOrAllBitsSet) {
  struct Row {
    uint32_t mask;
    int channel;
  } rows[] = {{0, -1}, {6, 1}, {1, 0}, {0x80000000u, 31}, {0xFFFFFFFFu, 0}};
  for (const Row& row : rows) {
    FrameHeader header;
    header.channelMask = row.mask;
    MediaFrame frame = readFrame(frameBytes(header, {}, {}));
    EXPECT_EQ(frame.channel(), row.channel) << row.mask;
    if (row.mask == 0) {
      EXPECT_EQ(static_cast<uint32_t>(frame.channel()), 0xFFFFFFFFu);
    }
  }
}

TEST(MediaFrame, DescriptionNamesAnyNonZeroTypeAudio) {
  struct Row {
    uint16_t type;
    const char* name;
  } rows[] = {{0, "Video"}, {1, "Audio"}, {2, "Audio"}, {0xFFFF, "Audio"}};
  for (const Row& row : rows) {
    FrameHeader header;
    header.type = row.type;
    header.mediaID = 5;
    header.timeStamp = 99;
    MediaFrame frame = readFrame(frameBytes(header, {}, {}));
    EXPECT_EQ(frame.description(), frame.dateTime().description() + " channel = 1, type = " + row.name +
                                       ", mediaID = 5, syncKeyID = 7, syncIndex = 3, timestamp= 99");
  }
}

struct DateCase {
  const char* name;
  int16_t year;
  int8_t month, day, hour, minute, second;
  bool kept;
};

class MediaFrameDates : public testing::TestWithParam<DateCase> {};

TEST_P(MediaFrameDates, OutOfRangeDateGivesABlankDateAndKeepsTheFrame) {
  const DateCase& row = GetParam();
  FrameHeader header;
  header.year = row.year;
  header.month = row.month;
  header.day = row.day;
  header.hour = row.hour;
  header.minute = row.minute;
  header.second = row.second;
  std::shared_ptr<Packet> packet;
  MediaFrame frame = readFrame(frameBytes(header, Data, {}), &packet);
  if (row.kept) {
    EXPECT_TRUE(frame.dateTime().isEqual(DateTime(row.year, row.month, row.day, row.hour, row.minute, row.second)));
  } else {
    EXPECT_TRUE(frame.dateTime().isBlank());
  }
  // The rest of the frame is read all the same.
  EXPECT_EQ(frame.width(), 704);
  EXPECT_EQ(Bytes(frame.data(), frame.data() + frame.mediaDataSize()), Data);
}

INSTANTIATE_TEST_SUITE_P(Cases, MediaFrameDates,
                         testing::Values(DateCase{"InRange", 2011, 3, 9, 13, 5, 9, true},
                                         DateCase{"HourTwentyFour", 2011, 3, 9, 24, 0, 0, true},
                                         DateCase{"AllZero", 0, 0, 0, 0, 0, 0, false},
                                         DateCase{"NegativeYear", -1, 3, 9, 13, 5, 9, false},
                                         DateCase{"MonthThirteen", 2011, 13, 9, 13, 5, 9, false},
                                         DateCase{"NegativeMonth", 2011, -3, 9, 13, 5, 9, false},
                                         DateCase{"DayZero", 2011, 3, 0, 13, 5, 9, false},
                                         DateCase{"DayThirtyTwo", 2011, 3, 32, 13, 5, 9, false},
                                         DateCase{"HourTwentyFive", 2011, 3, 9, 25, 5, 9, false},
                                         DateCase{"MinuteSixty", 2011, 3, 9, 13, 60, 9, false},
                                         DateCase{"SecondNegative", 2011, 3, 9, 13, 5, -1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MediaFrame, FrameThatDoesNotFitTheMessageFails) {
  struct Row {
    const char* name;
    int64_t mediaDataSize;
    int64_t optionSize;
  } rows[] = {
      {"DataPastTheEnd", 7, 0},
      {"OptionsPastTheEnd", 6, 1},
      {"HugeData", 0xFFFFFFFF, 0},
      // In 32 bits 64 + 0xFFFFFFF0 + 0x10 wraps to 64, which would seem to fit.
      {"SumWrapsInThirtyTwoBits", 0xFFFFFFF0, 0x10},
      {"BothHuge", 0xFFFFFFFF, 0xFFFFFFFF},
  };
  for (const Row& row : rows) {
    FrameHeader header;
    header.mediaDataSize = row.mediaDataSize;
    header.optionSize = row.optionSize;
    auto packet = received(frameBytes(header, Data, {}));
    MediaFrame frame;
    EXPECT_THROW(packet->popObject(frame), ReadError) << row.name;
    EXPECT_EQ(packet->position(), Packet::HeaderSize) << row.name;
  }
  // Exactly filling the message is fine, and so are bytes behind the frame.
  FrameHeader header;
  header.mediaDataSize = 4;
  header.optionSize = 2;
  EXPECT_NO_THROW(readFrame(frameBytes(header, Data, {})));
  header.mediaDataSize = 2;
  EXPECT_NO_THROW(readFrame(frameBytes(header, Data, {})));
}

struct OptionCase {
  const char* name;
  Bytes options;
  std::optional<std::string> title;
  bool hasCodecInfo;
  bool hasOptions;  // whether any entry is found at all
};

class MediaFrameOptions : public testing::TestWithParam<OptionCase> {};

TEST_P(MediaFrameOptions, TitleAndCodecInfo) {
  const OptionCase& row = GetParam();
  MediaFrame frame = readFrame(frameBytes({}, Data, row.options));
  EXPECT_EQ(frame.title(), row.title);
  CodecInfo info;
  EXPECT_EQ(frame.getCodecInfo(&info), row.hasCodecInfo);
  MediaFrameOption option{7, 7, Data.data()};
  bool found = frame.findOption(1, &option) || frame.findOption(2, &option);
  EXPECT_EQ(found, row.hasOptions);
  if (!frame.findOption(1, &option)) {
    EXPECT_EQ(option.type, 0);
    EXPECT_EQ(option.length, 0);
    EXPECT_EQ(option.value, nullptr);
  }
  // The frame is kept whatever its options hold.
  EXPECT_EQ(Bytes(frame.data(), frame.data() + frame.mediaDataSize()), Data);
}

Bytes codecValue(const char* a, const char* b, const char* c, const char* d, const char* e, size_t extra = 0) {
  Bytes out;
  for (const char* code : {a, b, c, d, e}) out.insert(out.end(), code, code + 4);
  out.insert(out.end(), extra, 0xAB);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MediaFrameOptions,
    testing::Values(
        OptionCase{"NoOptionList", {}, std::nullopt, false, false},
        OptionCase{"HostOrderWithMarkerFFFF",
                   optionList({{1, text("Entrance")}, {2, codecValue("HiSi", "I320", "h264", "main", "1.00")}}),
                   "Entrance", true, true},
        OptionCase{"ByteReversedWithMarkerZero",
                   optionList({{1, text("Entrance")}, {2, codecValue("HiSi", "I320", "h264", "main", "1.00")}}, false),
                   "Entrance", true, true},
        OptionCase{"FirstOfTwoTitlesWins", optionList({{1, text("First")}, {1, text("Second")}}), "First", false,
                   true},
        OptionCase{"CodecInfoOfTwentyFourBytes",
                   optionList({{2, codecValue("HiSi", "3531", "h264", "high", "4.00", 4)}}), std::nullopt, true,
                   true},
        OptionCase{"CodecInfoShorterThanTwenty", optionList({{2, Bytes(19, 'x')}}), std::nullopt, false, true},
        OptionCase{"TitleOfLengthZero", optionList({{1, {}}}), std::nullopt, false, true},
        OptionCase{"EmptyTitle", optionList({{1, text("")}}), "", false, true},
        OptionCase{"TitleWithoutItsZeroByteStopsAtTheOptionEnd",
                   optionList({{1, text("Gate", false)}, {3, text("XYZ")}}), "Gate", false, true},
        OptionCase{"TitleNotValidUtf8", optionList({{1, Bytes{'A', 0xC3, 0x28, 0}}}), std::nullopt, false, true},
        OptionCase{"UnknownTypesOnly", optionList({{9, text("x")}, {0, {}}}), std::nullopt, false, false},
        OptionCase{"EntryLengthPastTheList", optionList({{1, text("Entrance")}, {2, Bytes(20, 'x'), 21}}),
                   std::nullopt, false, false},
        OptionCase{"CountLargerThanTheEntries", optionList({{1, text("Entrance")}}, true, 2), std::nullopt, false,
                   false},
        OptionCase{"HugeCount", optionList({{1, text("Entrance")}}, true, 0xFFFF), std::nullopt, false, false},
        OptionCase{"ListShorterThanItsHeader", Bytes{0xFF, 0xFF, 0x01}, std::nullopt, false, false},
        OptionCase{"CountZero", optionList({}), std::nullopt, false, false},
        OptionCase{"ByteReversedLengthReadInHostOrderWouldOverrun",
                   // 00 04 is 4 byte-reversed but 1024 in host order.
                   Bytes{0, 0, 0, 1, 0, 1, 0, 4, 'a', 'b', 'c', 0}, "abc", false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MediaFrame, CodecInfoIsCopiedByteForByte) {
  MediaFrame frame =
      readFrame(frameBytes({}, Data, optionList({{2, codecValue("HiSi", "I320", "h264", "main", "1.00", 4)}}, false)));
  CodecInfo info;
  ASSERT_TRUE(frame.getCodecInfo(&info));
  EXPECT_EQ(std::memcmp(&info.codes[0], "HiSi", 4), 0);
  EXPECT_EQ(std::memcmp(&info.codes[4], "1.00", 4), 0);
  EXPECT_TRUE(CodecTagEquals(info.vendor(), CodecTagHiSi));
  EXPECT_TRUE(CodecTagEquals(info.chip(), CodecTagI320));
  EXPECT_FALSE(CodecTagEquals(info.chip(), CodecTag3531));
  EXPECT_TRUE(CodecTagEquals(info.codes[2], CodecTagH264));
}

TEST(MediaFrame, OptionRecordPointsAtTheValue) {
  std::shared_ptr<Packet> packet;
  MediaFrame frame = readFrame(frameBytes({}, Data, optionList({{5, text("ab")}, {1, text("Gate")}})), &packet);
  MediaFrameOption option;
  ASSERT_TRUE(frame.findOption(1, &option));
  EXPECT_EQ(option.type, 1);
  EXPECT_EQ(option.length, 5);
  // marker, count, the first entry (4 + 3), then this entry's type and length.
  EXPECT_EQ(option.value, frame.data() + Data.size() + 4 + 7 + 4);
  ASSERT_TRUE(frame.findOption(5, &option));
  EXPECT_EQ(option.length, 3);
  EXPECT_FALSE(frame.findOption(6, &option));
}

}  // namespace
}  // namespace zelvo
