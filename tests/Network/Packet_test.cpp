#include "Network/Packet.h"

#include <gtest/gtest.h>

#include <vector>

namespace zelvo {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes toSend(const Packet& packet) {
  return Bytes(packet.bufferAt(packet.position()), packet.bufferAt(packet.limit()));
}

TEST(Packet, KeepAliveIsEightBytes) {
  auto packet = Packet::createWithMessageType(MessageTypeAlive);
  packet->pack();
  EXPECT_EQ(toSend(*packet), (Bytes{0x06, 0x17, 0x00, 0x07, 0, 0, 0, 0}));
  EXPECT_EQ(packet->payloadSize(), 0u);
}

TEST(Packet, PackWritesThePayloadLength) {
  auto packet = Packet::createWithMessageType(MessageTypeVideoChannelMask);
  packet->pushUint32(0xA);
  packet->pushString("abc");
  packet->pack();
  EXPECT_EQ(toSend(*packet), (Bytes{0x06, 0x17, 0x01, 0x03, 0, 0, 0, 10, 0, 0, 0, 0xA, 0, 3, 'a', 'b', 'c', 0}));
}

TEST(Packet, HeaderReadsIgnoreTheCursor) {
  auto packet = Packet::createWithMessageType(MessageTypePlaybackMediaFrame);
  packet->pushUint16(1);
  packet->pack();
  for (int64_t position : {0, 5, 9}) {
    packet->seek(position);
    EXPECT_EQ(packet->messageType(), MessageTypePlaybackMediaFrame);
    EXPECT_EQ(packet->payloadSize(), 2u);
  }
  packet->flip();
  EXPECT_EQ(packet->messageType(), MessageTypePlaybackMediaFrame);
}

TEST(Packet, DefaultsAndPadding) {
  auto packet = Packet::create();
  EXPECT_EQ(packet->limit(), 32768);
  EXPECT_EQ(packet->byteOrder(), 2);
  EXPECT_EQ(packet->padding(), 0u);
  auto receive = Packet::create(100, 8);
  EXPECT_EQ(receive->limit(), 100);
  EXPECT_EQ(receive->padding(), 8u);
}

struct GrowthCase {
  const char* name;
  int64_t capacity;
  int64_t index;
  int64_t length;
  int64_t expectedLimit;
};

class PacketGrowth : public ::testing::TestWithParam<GrowthCase> {};

TEST_P(PacketGrowth, GrowsToTheNextStepPastTheWriteEnd) {
  const GrowthCase& c = GetParam();
  auto packet = Packet::create(c.capacity, 8);
  packet->pushUint8(0x5A, 0);
  Bytes payload(static_cast<size_t>(c.length), 0xC3);
  packet->pushBytes(payload.data(), c.length, c.index);
  EXPECT_FALSE(packet->isFailed());
  EXPECT_EQ(packet->limit(), c.expectedLimit);
  EXPECT_EQ(packet->padding(), 8u);
  EXPECT_EQ(packet->popUint8At(0), 0x5A);  // the content moved with the block
  EXPECT_EQ(packet->popUint8At(c.index + c.length - 1), 0xC3);
}

INSTANTIATE_TEST_SUITE_P(Table, PacketGrowth,
                         ::testing::Values(GrowthCase{"fits", 4096, 1, 4095, 4096},
                                           GrowthCase{"ends_on_step_gets_another", 4096, 4092, 4100, 12288},
                                           GrowthCase{"one_past", 4096, 4096, 1, 8192},
                                           GrowthCase{"from_default", 32768, 32760, 100, 36864},
                                           GrowthCase{"far_index", 16, 10000, 4, 12288}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Packet, TypedPushesGrowTheBlock) {
  auto packet = Packet::create(8);
  packet->seek(8);
  packet->pushUint64(0x1122334455667788ull);
  EXPECT_EQ(packet->limit(), 4096);
  EXPECT_EQ(packet->popUint64At(8), 0x1122334455667788ull);
}

TEST(Packet, CannotGrowPastTheCap) {
  auto packet = Packet::createWithMessageType(MessageTypeLiveMediaFrame);
  uint8_t byte = 1;
  packet->pushBytes(&byte, 1, Packet::HeaderSize + Packet::MaxPayloadSize - 1);
  EXPECT_FALSE(packet->isFailed());
  packet->pushBytes(&byte, 1, Packet::HeaderSize + Packet::MaxPayloadSize);
  EXPECT_TRUE(packet->isFailed());
  auto hostile = Packet::create(64);
  hostile->pushBytes(&byte, 1, int64_t{1} << 40);
  EXPECT_TRUE(hostile->isFailed());
  EXPECT_EQ(hostile->limit(), 64);  // nothing was allocated for it
}

TEST(Packet, CreateRefusesHostileCapacities) {
  EXPECT_EQ(Packet::create(-1), nullptr);
  EXPECT_EQ(Packet::create(int64_t{1} << 40), nullptr);
}

}  // namespace
}  // namespace zelvo
