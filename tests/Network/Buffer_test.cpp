#include "Network/Buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Network/CodecInfo.h"
#include "Network/MediaFrameOptionList.h"

namespace zelvo {
namespace {

using Bytes = std::vector<uint8_t>;

uint16_t hostOrder(uint8_t first, uint8_t second) {
  uint8_t bytes[2] = {first, second};
  uint16_t value;
  std::memcpy(&value, bytes, 2);
  return value;
}

TEST(Buffer, TwoIsHostOrderAndAnyOtherValueReversed) {
  for (int order : {0, 1, 2, 3}) {
    uint8_t bytes[4] = {};
    Buffer buffer;
    buffer.init(bytes, 4, order);
    buffer.putUint16(0, 0x0102);
    uint16_t stored;
    std::memcpy(&stored, bytes, 2);
    EXPECT_EQ(stored, order == 2 ? 0x0102 : 0x0201) << order;
    EXPECT_EQ(buffer.getUint16(0), 0x0102) << order;
  }
  uint8_t bytes[2] = {0x12, 0x34};
  Buffer buffer;
  buffer.init(bytes, 2, Buffer::HostByteOrder);
  EXPECT_EQ(buffer.getUint16(0), hostOrder(0x12, 0x34));
}

TEST(Buffer, PositionedAndIndexedAccess) {
  uint8_t bytes[8] = {};
  Buffer buffer;
  buffer.init(bytes, 8, 2);
  EXPECT_EQ(buffer.position(), 0);
  EXPECT_EQ(buffer.limit(), 8);
  EXPECT_EQ(buffer.capacity(), 8);
  buffer.put("ab", 2);
  buffer.fill(0x7F, 3);
  EXPECT_EQ(buffer.position(), 5);
  EXPECT_EQ(buffer.remaining(), 3);
  buffer.put(6, "z", 1);
  buffer.fill(7, 0x01, 1);
  EXPECT_EQ(buffer.position(), 5);
  EXPECT_EQ(Bytes(bytes, bytes + 8), (Bytes{'a', 'b', 0x7F, 0x7F, 0x7F, 0, 'z', 1}));
  buffer.seek(1);
  EXPECT_EQ(buffer.get(2), bytes + 1);
  EXPECT_EQ(buffer.position(), 3);
  EXPECT_EQ(buffer.get(6, 2), bytes + 6);
  EXPECT_EQ(buffer.position(), 3);
  buffer.seek(8);
  EXPECT_EQ(buffer.remaining(), 0);
}

struct MisuseCase {
  const char* name;
  std::function<void(Buffer&)> call;
  const char* text;
};

class BufferDeathTest : public testing::TestWithParam<MisuseCase> {};

TEST_P(BufferDeathTest, OutOfBoundsUseIsACallersFault) {
  static uint8_t bytes[8];
  EXPECT_DEATH(
      {
        Buffer buffer;
        buffer.init(bytes, 8, 2);
        GetParam().call(buffer);
      },
      GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BufferDeathTest,
    testing::Values(MisuseCase{"NoBlock", [](Buffer& b) { b.init(nullptr, 8, 2); }, "buf"},
                    MisuseCase{"NoCapacity", [](Buffer& b) { b.init(b.get(0, 1), 0, 2); }, "capacity > 0"},
                    MisuseCase{"GetPastTheEnd", [](Buffer& b) { b.seek(6), b.get(3); }, "remaining\\(\\) >= length"},
                    MisuseCase{"GetNothing", [](Buffer& b) { b.get(0); }, "length > 0"},
                    MisuseCase{"GetAtPastTheEnd", [](Buffer& b) { b.get(7, 2); }, "index <= limit_ - length"},
                    MisuseCase{"GetAtNegative", [](Buffer& b) { b.get(-1, 1); }, "index >= 0"},
                    MisuseCase{"PutPastTheEnd", [](Buffer& b) { b.put(5, "abcd", 4); }, "index <= limit_ - length"},
                    MisuseCase{"PutAtCursorPastTheEnd", [](Buffer& b) { b.seek(8), b.put("a", 1); },
                               "index <= limit_ - length"},
                    MisuseCase{"PutNothing", [](Buffer& b) { b.put("a", 0); }, "length > 0"},
                    MisuseCase{"FillPastTheEnd", [](Buffer& b) { b.fill(4, 0, 5); }, "index <= limit_ - length"},
                    MisuseCase{"FillNegative", [](Buffer& b) { b.fill(-2, 0, 1); }, "index >= 0"},
                    MisuseCase{"SeekPastTheLimit", [](Buffer& b) { b.seek(9); }, "position <= limit_"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MediaFrameOptionList, WriterPutsMarkerCountAndEntriesInHostOrder) {
  uint8_t block[32];
  std::memset(block, 0xCC, sizeof block);
  MediaFrameOptionList list;
  list.start(block, sizeof block);
  EXPECT_EQ(list.position(), 4);
  list.add(1, 4, "abc");
  list.add(7, 0, nullptr);
  uint8_t marker[2] = {block[0], block[1]};
  EXPECT_EQ(Bytes(marker, marker + 2), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(list.getUint16(2), 2);
  uint16_t count;
  std::memcpy(&count, block + 2, 2);
  EXPECT_EQ(count, 2);  // host order
  EXPECT_EQ(list.position(), 4 + 8 + 4);

  // What was written reads back.
  MediaFrameOptionList reader;
  ASSERT_TRUE(reader.attach(block, list.position()));
  EXPECT_EQ(reader.count(), 2);
  EXPECT_TRUE(reader.hasTitle());
  MediaFrameOption option;
  ASSERT_TRUE(reader.find(1, &option));
  EXPECT_EQ(option.length, 4);
  EXPECT_STREQ(reinterpret_cast<const char*>(option.value), "abc");
  ASSERT_TRUE(reader.find(7, &option));
  EXPECT_EQ(option.length, 0);
  EXPECT_EQ(option.value, nullptr);
}

TEST(MediaFrameOptionList, ReaderTakesTheByteOrderFromTheMarker) {
  // The same list in both orders.
  uint8_t little[] = {0xFF, 0xFF, 1, 0, 2, 0, 3, 0, 'x', 'y', 0};
  uint8_t big[] = {0, 0, 0, 1, 0, 2, 0, 3, 'x', 'y', 0};
  // Any non-zero marker means host order, not just FF FF.
  uint8_t oddMarker[] = {0x01, 0x00, 1, 0, 2, 0, 3, 0, 'x', 'y', 0};
  for (uint8_t* bytes : {little, big, oddMarker}) {
    MediaFrameOptionList reader;
    ASSERT_TRUE(reader.attach(bytes, 11));
    EXPECT_EQ(reader.byteOrder(), bytes == big ? Buffer::ReversedByteOrder : Buffer::HostByteOrder);
    MediaFrameOption option;
    ASSERT_TRUE(reader.find(2, &option));
    EXPECT_EQ(option.length, 3);
    EXPECT_STREQ(reinterpret_cast<const char*>(option.value), "xy");
  }
}

TEST(MediaFrameOptionList, EveryTruncationOfAValidListHasNoOptions) {
  uint8_t block[64];
  MediaFrameOptionList writer;
  writer.start(block, sizeof block);
  writer.add(1, 6, "Gate1");
  writer.add(2, 20, "HiSiI320h264main1.00");
  int size = writer.position();
  for (int length = 0; length < size; ++length) {
    std::vector<uint8_t> copy(block, block + length);  // exactly the prefix, so ASan sees any overrun
    MediaFrameOptionList reader;
    EXPECT_FALSE(reader.attach(copy.data(), length)) << length;
    MediaFrameOption option{1, 1, block};
    EXPECT_FALSE(reader.find(1, &option)) << length;
    EXPECT_EQ(option.value, nullptr);
    EXPECT_FALSE(reader.find(2, nullptr)) << length;
    EXPECT_EQ(reader.count(), 0) << length;
  }
  MediaFrameOptionList reader;
  EXPECT_TRUE(reader.attach(block, size));
}

TEST(MediaFrameOptionListDeathTest, WriterNeedsAValueForALength) {
  uint8_t block[16];
  MediaFrameOptionList list;
  list.start(block, sizeof block);
  EXPECT_DEATH(list.add(1, 3, nullptr), "data");
  EXPECT_DEATH(list.add(1, 20, "0123456789012345678"), "index <= limit_ - length");
}

TEST(CodecTag, TableOfTwentyFiveTags) {
  const char* tags[] = {"HiSi", "KWMR", "T.I.", "3510", "3511", "I320", "3515", "3520", "3531",
                        "816x", "h264", "apcm", "aac ", "base", "main", "high", "ext ", "ima ",
                        "dvi4", "aclc", "1.00", "3.00", "4.00", "16kb", "32kb"};
  static_assert(sizeof tags / sizeof tags[0] == CodecTagCount);
  for (int index = 0; index < CodecTagCount; ++index) {
    uint32_t code;
    std::memcpy(&code, tags[index], 4);
    EXPECT_EQ(CodecTagValue(index), code) << tags[index];
    for (int other = 0; other < CodecTagCount; ++other)
      EXPECT_EQ(CodecTagEquals(code, other), other == index) << tags[index] << " vs " << tags[other];
  }
}

TEST(CodecTag, SpacesAndByteOrderMatter) {
  uint32_t code;
  std::memcpy(&code, "aac\0", 4);
  EXPECT_FALSE(CodecTagEquals(code, CodecTagAac));
  std::memcpy(&code, "iSiH", 4);  // the vendor tag byte-reversed, as a wrong conversion would give
  EXPECT_FALSE(CodecTagEquals(code, CodecTagHiSi));
  std::memcpy(&code, "ima ", 4);
  EXPECT_TRUE(CodecTagEquals(code, CodecTagIma));
  EXPECT_DEATH(CodecTagEquals(code, 25), "0 <= index && index < CodecTagCount");
}

}  // namespace
}  // namespace zelvo
