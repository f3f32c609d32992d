// The 8-byte input forms of mouse and key events.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "Network/Packet.h"
#include "Network/Setup/KeyInput.h"
#include "Network/Setup/MouseInput.h"

namespace zelvo {
namespace {

using Bytes = std::vector<uint8_t>;

template <typename Input>
Bytes encode(const Input& input) {
  auto packet = Packet::createWithMessageType(MessageTypeSetupInput);
  input.writeTo(*packet);
  packet->pack();
  return Bytes(packet->bufferAt(Packet::HeaderSize), packet->bufferAt(packet->limit()));
}

struct MouseCase {
  const char* name;
  int state;
  double x;
  double y;
  Bytes expected;
};

class MouseForm : public testing::TestWithParam<MouseCase> {};

TEST_P(MouseForm, Bytes) {
  const MouseCase& c = GetParam();
  EXPECT_EQ(encode(MouseInput{MouseInputTypePrimary, c.state, QPointF(c.x, c.y)}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MouseForm,
    testing::Values(MouseCase{"DownCutTowardZero", 2, 100.7, 20.2, {2, 2, 1, 0, 0, 0x64, 0, 0x14}},
                    MouseCase{"Up", 3, 100.7, 20.2, {2, 3, 1, 0, 0, 0x64, 0, 0x14}},
                    MouseCase{"Origin", 2, 0, 0, {2, 2, 1, 0, 0, 0, 0, 0}},
                    MouseCase{"NegativeCutTowardZeroIsZero", 2, -0.9, 0.9, {2, 2, 1, 0, 0, 0, 0, 0}},
                    MouseCase{"MinusOneWraps", 2, -1, -1.5, {2, 2, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
                    MouseCase{"LargestOf16Bits", 2, 65535.9, 1, {2, 2, 1, 0, 0xFF, 0xFF, 0, 1}},
                    MouseCase{"BeyondSixteenBitsWraps", 2, 65536, 65537 + 0x10000, {2, 2, 1, 0, 0, 0, 0, 1}},
                    MouseCase{"BeyondTheInt64RangeSaturates", 2, 1e30, -1e30, {2, 2, 1, 0, 0xFF, 0xFF, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MouseInput, TypeTravelsAfterState) {
  EXPECT_EQ(encode(MouseInput{7, 2, QPointF(1, 2)}), (Bytes{2, 2, 7, 0, 0, 1, 0, 2}));
}

TEST(MouseInputDeathTest, NonFiniteCoordinates) {
  EXPECT_DEATH(MouseInput::wireCoordinate(std::nan("")), "isfinite");
  EXPECT_DEATH(MouseInput::wireCoordinate(std::numeric_limits<double>::infinity()), "isfinite");
}

struct KeyCase {
  const char* name;
  int key;
  int state;
  int8_t character;
  Bytes expected;
};

class KeyForm : public testing::TestWithParam<KeyCase> {};

TEST_P(KeyForm, Bytes) {
  const KeyCase& c = GetParam();
  EXPECT_EQ(encode(KeyInput{c.key, c.state, c.character}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyForm,
    testing::Values(KeyCase{"CharacterDown", 0, 0, 'a', {1, 0, 0, 0, 0, 0, 0, 0x61}},
                    KeyCase{"ReturnUp", 9, 1, 0, {1, 1, 0, 0, 0, 9, 0, 0}},
                    KeyCase{"HighCharacterIsSignExtended", 0, 0, static_cast<int8_t>(0xE9), {1, 0, 0, 0, 0, 0, 0xFF, 0xE9}},
                    KeyCase{"LowestHighCharacter", 0, 1, static_cast<int8_t>(0x80), {1, 1, 0, 0, 0, 0, 0xFF, 0x80}},
                    KeyCase{"Del", 0, 0, 0x7F, {1, 0, 0, 0, 0, 0, 0, 0x7F}},
                    KeyCase{"KeyCutToSixteenBits", 0x12345, 0, 0, {1, 0, 0, 0, 0x23, 0x45, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvo
