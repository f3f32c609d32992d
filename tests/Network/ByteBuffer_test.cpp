#include "Network/ByteBuffer.h"

#include <gtest/gtest.h>

#include <vector>

#include "Network/ISerializable.h"
#include "Network/Packet.h"

namespace zelvo {
namespace {

using Bytes = std::vector<uint8_t>;

// A packet holding exactly these bytes, limit at their end, cursor at 0.
std::shared_ptr<Packet> packetOf(const Bytes& bytes) {
  auto packet = Packet::create(static_cast<int64_t>(bytes.size()));
  packet->pushBytes(bytes.data(), static_cast<int64_t>(bytes.size()), 0);
  return packet;
}

TEST(ByteBuffer, ByteOrderOneIsHostOrderAndTwoIsBigEndian) {
  uint8_t bytes[8] = {};
  ByteBuffer little(bytes, 8, 1);
  little.pushUint32(0x01020304);
  EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{4, 3, 2, 1}));
  ByteBuffer big(bytes, 8, 2);
  big.pushUint32(0x01020304);
  EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{1, 2, 3, 4}));
  big.pushInt16(-2, 4);
  EXPECT_EQ(big.popInt16At(4), -2);
  EXPECT_EQ(big.popUint8At(4), 0xFF);
  EXPECT_EQ(big.position(), 4);
}

TEST(ByteBuffer, EveryWidthRoundTripsInBothOrders) {
  for (int64_t order : {1, 2}) {
    uint8_t bytes[30] = {};
    ByteBuffer buffer(bytes, 30, order);
    buffer.pushInt8(-5);
    buffer.pushUint16(0xBEEF);
    buffer.pushInt32(-123456);
    buffer.pushUint64(0x0102030405060708ull);
    buffer.pushInt64(-9);
    buffer.pushBool(true);
    buffer.flip();
    EXPECT_EQ(buffer.popInt8(), -5);
    EXPECT_EQ(buffer.popUint16(), 0xBEEF);
    EXPECT_EQ(buffer.popInt32(), -123456);
    EXPECT_EQ(buffer.popUint64(), 0x0102030405060708ull);
    EXPECT_EQ(buffer.popInt64(), -9);
    EXPECT_TRUE(buffer.popBool());
    EXPECT_FALSE(buffer.hasRemaining());
  }
}

TEST(ByteBuffer, CursorOperations) {
  uint8_t bytes[16] = {};
  ByteBuffer buffer(bytes, 16);
  buffer.skip(5);
  EXPECT_EQ(buffer.buffer(), bytes + 5);
  EXPECT_EQ(buffer.remaining(), 11);
  buffer.flip();
  EXPECT_EQ(buffer.limit(), 5);
  EXPECT_EQ(buffer.position(), 0);
  buffer.seek(3);
  buffer.reset();
  EXPECT_EQ(buffer.position(), 0);
  EXPECT_EQ(buffer.limit(), 5);
  buffer.resetWithLimit(9);
  EXPECT_EQ(buffer.limit(), 9);
}

TEST(ByteBuffer, ReadsPastTheLimitThrowAndLeaveTheCursor) {
  uint8_t bytes[3] = {1, 2, 3};
  ByteBuffer buffer(bytes, 3, 2);
  buffer.skip(2);
  EXPECT_THROW(buffer.popUint16(), ReadError);
  EXPECT_EQ(buffer.position(), 2);
  EXPECT_THROW(buffer.popBytes(2), ReadError);
  EXPECT_THROW(buffer.popUint32At(0), ReadError);
  EXPECT_THROW(buffer.popUint8At(-1), ReadError);
  EXPECT_THROW(buffer.popBytes(-1), ReadError);
  uint8_t out[8];
  EXPECT_THROW(buffer.getBytes(out, 8), ReadError);
  EXPECT_EQ(buffer.popUint8(), 3);
  buffer.seek(1 << 30);  // a hostile seek reads nothing
  EXPECT_THROW(buffer.popUint8(), ReadError);
}

struct Counter : ISerializable {
  uint32_t value = 0;
  void readFrom(ByteBuffer& buffer) override { value = buffer.popUint32(); }
  void writeTo(ByteBuffer& buffer) const override { buffer.pushUint32(value); }
};

TEST(ByteBuffer, ObjectsReadAndWriteThemselves) {
  uint8_t bytes[4] = {};
  ByteBuffer buffer(bytes, 4, 2);
  Counter out;
  out.value = 77;
  buffer.pushObject(out);
  buffer.flip();
  Counter in;
  buffer.popObject(in);
  EXPECT_EQ(in.value, 77u);
}

TEST(ByteBufferDeathTest, WritePastTheLimitIsAPrecondition) {
  uint8_t bytes[4] = {};
  ByteBuffer buffer(bytes, 4);
  EXPECT_DEATH(buffer.pushUint32(1, 1), "Network/ByteBuffer.*Invalid parameter not satisfying: index \\+ length <= limit");
  EXPECT_DEATH(buffer.fillByte(0, 5), "index \\+ length <= limit");
  auto packet = Packet::create(16);
  EXPECT_DEATH(packet->fillByte(0, 17, 0), "index \\+ length <= limit");
}

TEST(PacketString, LongestWritableStringKeepsItsWholeLength) {
  auto packet = Packet::create();
  std::string longest(65535, 'x');
  packet->pushString(longest);
  EXPECT_EQ(packet->position(), 2 + 65535 + 1);
  EXPECT_EQ(packet->popUint16At(0), 0xFFFF);
  packet->flip();
  EXPECT_EQ(packet->popString(), std::optional<std::string>(longest));
}

TEST(ByteBufferDeathTest, StringsOf65536BytesOrMoreCannotBeWritten) {
  auto packet = Packet::create();
  std::string huge(65536, 'x');
  EXPECT_DEATH(packet->pushString(huge), "Invalid parameter not satisfying: text.size\\(\\) <= 0xFFFF");
}

// --- strings -------------------------------------------------------------

struct StringWriteCase {
  const char* name;
  std::string text;
  Bytes expected;
};

class StringWrite : public ::testing::TestWithParam<StringWriteCase> {};

TEST_P(StringWrite, WritesLengthBytesAndTerminator) {
  auto packet = Packet::create();
  packet->pushString(GetParam().text);
  EXPECT_EQ(Bytes(packet->data(), packet->data() + packet->position()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, StringWrite,
                         ::testing::Values(StringWriteCase{"empty", "", {0, 0, 0}},
                                           StringWriteCase{"abc", "abc", {0, 3, 0x61, 0x62, 0x63, 0}},
                                           StringWriteCase{"utf8_counts_bytes", "\xC3\xA9", {0, 2, 0xC3, 0xA9, 0}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PacketString, PushStringAtWritesLengthAtIndexAndTextTwoLater) {
  auto packet = Packet::create(16);
  packet->pushString("hi", 4);
  EXPECT_EQ(packet->position(), 0);
  EXPECT_EQ(Bytes(packet->data() + 4, packet->data() + 9), (Bytes{0, 2, 'h', 'i', 0}));
  EXPECT_EQ(packet->popStringAt(4), std::optional<std::string>("hi"));
}

TEST(PacketString, PopStringFollowsTheZeroByteNotTheLength) {
  auto packet = packetOf({0, 9, 'a', 'b', 0, 0x7F});
  EXPECT_EQ(packet->popString(), std::optional<std::string>("ab"));
  EXPECT_EQ(packet->position(), 5);
  EXPECT_EQ(packet->popUint8(), 0x7F);
}

TEST(PacketString, InvalidTextYieldsNoStringButTheCursorAdvances) {
  auto packet = packetOf({0, 2, 0xC0, 0x80, 0, 1});
  EXPECT_EQ(packet->popString(), std::nullopt);
  EXPECT_EQ(packet->position(), 5);
}

TEST(PacketString, AStringWithoutItsTerminatorFailsTheRead) {
  auto packet = packetOf({0, 3, 'a', 'b', 'c'});
  EXPECT_THROW(packet->popString(), ReadError);
  EXPECT_EQ(packet->position(), 0);
  auto shortLength = packetOf({0});
  EXPECT_THROW(shortLength->popString(), ReadError);
}

struct FixedCase {
  const char* name;
  Bytes field;
  std::string expected;
};

Bytes field32(Bytes head, uint8_t filler) {
  head.resize(32, filler);
  return head;
}

class FixedSizeString : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedSizeString, ReturnsTheLongestValidPrefixAndAdvancesBy32) {
  Bytes bytes = GetParam().field;
  bytes.push_back(0xAA);
  auto packet = packetOf(bytes);
  EXPECT_EQ(packet->popStringFixedSize(32), GetParam().expected);
  EXPECT_EQ(packet->position(), 32);
  EXPECT_EQ(packet->popUint8(), 0xAA);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FixedSizeString,
    ::testing::Values(
        FixedCase{"text_zero_then_garbage", field32({'C', 'a', 'm', 0, 0xFF, 0xFE, 'x'}, 0x99), "Cam"},
        FixedCase{"thirty_two_valid_bytes", field32({}, 'z'), std::string(32, 'z')},
        FixedCase{"third_byte_starts_invalid_sequence", field32({'a', 'b', 0xFF, 'c'}, 0), "ab"},
        FixedCase{"zero_filled_tail", field32(Bytes(30, 'q'), 0), std::string(30, 'q')},
        FixedCase{"multibyte_text", field32({'C', 0xC3, 0xA4, 'm', 0}, 0), "C\xC3\xA4m"},
        FixedCase{"broken_sequence_after_text", field32({'a', 'b', 0xE2, 0x82, 'x', 0}, 0), "ab"},
        FixedCase{"empty", field32({}, 0), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FixedSizeString, CharacterCutByTheFieldEndIsDropped) {
  Bytes bytes(31, 'q');
  bytes.push_back(0xC3);  // first byte of é, its second byte lies outside the field
  bytes.push_back(0xA9);
  auto packet = packetOf(bytes);
  EXPECT_EQ(packet->popStringFixedSize(32), std::string(31, 'q'));
}

TEST(FixedSizeString, AtAnIndexDecodesOnceAndInvalidTextIsNone) {
  auto packet = packetOf(field32({'a', 'b', 0xFF, 'c'}, 0));
  EXPECT_EQ(packet->popStringFixedSize(32, 0), std::nullopt);
  EXPECT_EQ(packet->position(), 0);
  auto valid = packetOf(field32({'o', 'k', 0, 0xFF}, 0));
  EXPECT_EQ(valid->popStringFixedSize(32, 0), std::optional<std::string>("ok"));
}

TEST(FixedSizeString, ShortFieldFailsTheRead) {
  auto packet = packetOf(Bytes(10, 'a'));
  EXPECT_THROW(packet->popStringFixedSize(32), ReadError);
  EXPECT_EQ(packet->position(), 0);
}

}  // namespace
}  // namespace zelvo
