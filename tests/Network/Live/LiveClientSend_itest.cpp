// What a live client sends, byte for byte, as the recorder receives it.
#include <gtest/gtest.h>

#include <functional>

#include "Network/Live/LiveLoopback.h"

namespace zelvo::test {
namespace {

using emulator::Bytes;

Bytes zeros(size_t n) { return Bytes(n, 0); }
Bytes join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct SendCase {
  const char* name;
  std::function<void(LiveClient&)> send;
  uint16_t type;
  std::vector<Bytes> payloads;
};

class LiveClientSends : public LiveLoopback, public testing::WithParamInterface<SendCase> {};

TEST_P(LiveClientSends, BytesOnTheWire) {
  const SendCase& c = GetParam();
  connect();
  c.send(*client_);
  for (const Bytes& expected : c.payloads) {
    auto packet = emulator_->waitForPacket(c.type);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->payload, expected);
  }
}

const std::string fourteenA(14, 'a');
const std::string fifteenA(15, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, LiveClientSends,
    testing::Values(
        SendCase{"VideoMaskMobile", [](LiveClient& c) { c.sendVideoChannelMask(BitMask32(0x5), true, false); },
                 MessageTypeVideoChannelMask, {{0, 0, 0, 5, 1, 0, 0, 0}}},
        SendCase{"VideoMaskKeyOnly", [](LiveClient& c) { c.sendVideoChannelMask(BitMask32(0x80000001u), false, true); },
                 MessageTypeVideoChannelMask, {{0x80, 0, 0, 1, 0, 1, 0, 0}}},
        SendCase{"VideoMaskNotMobileByDefault", [](LiveClient& c) { c.sendVideoChannelMask(BitMask32(0x5)); },
                 MessageTypeVideoChannelMask, {{0, 0, 0, 5, 0, 0, 0, 0}}},
        SendCase{"VideoMaskCleared", [](LiveClient& c) { c.clearVideoChannelMask(); }, MessageTypeVideoChannelMask,
                 {zeros(8)}},
        SendCase{"AudioMaskMobile", [](LiveClient& c) { c.sendAudioChannelMask(BitMask32(0x3), true); },
                 MessageTypeAudioChannelMask, {{0, 0, 0, 3, 1, 0, 0, 0}}},
        SendCase{"AudioMaskByDefault", [](LiveClient& c) { c.sendAudioChannelMask(BitMask32(0x10)); },
                 MessageTypeAudioChannelMask, {{0, 0, 0, 0x10, 0, 0, 0, 0}}},
        SendCase{"AudioMaskCleared", [](LiveClient& c) { c.clearAudioChannelMask(); }, MessageTypeAudioChannelMask,
                 {zeros(8)}},
        SendCase{"PTZCommandChannelBeforeCommand", [](LiveClient& c) { c.sendPTZCommand(6, 2, 1); }, MessageTypePTZ,
                 {{1, 2, 6, 1, 0}}},
        SendCase{"PTZCommandValuesCutToEightBits", [](LiveClient& c) { c.sendPTZCommand(0x106, 0x102, 0x1FF, -1); },
                 MessageTypePTZ, {{1, 2, 6, 0xFF, 0xFF}}},
        SendCase{"PresetGoTo", [](LiveClient& c) { c.sendPTZMovePresetCommandWithCamera(1, 5); }, MessageTypePTZ,
                 {{3, 1, 2, 5}}},
        SendCase{"PresetSaveFourLetters", [](LiveClient& c) { c.sendPTZSavePresetCommandWithCamera(0, 3, "Gate"); },
                 MessageTypePTZ, {join({3, 0, 1, 3, 'G', 'a', 't', 'e'}, zeros(12))}},
        SendCase{"PresetSaveEmptyLabel", [](LiveClient& c) { c.sendPTZSavePresetCommandWithCamera(2, 0, ""); },
                 MessageTypePTZ, {join({3, 2, 1, 0}, zeros(16))}},
        SendCase{"PresetSaveLongLabelCutAtSixteen",
                 [](LiveClient& c) { c.sendPTZSavePresetCommandWithCamera(0, 1, "ABCDEFGHIJKLMNOPQRST"); },
                 MessageTypePTZ,
                 {{3, 0, 1, 1, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'}}},
        SendCase{"PresetSaveCutOnAWholeCharacter",
                 [](LiveClient& c) { c.sendPTZSavePresetCommandWithCamera(0, 1, fifteenA + "\xC3\xA9"); },
                 MessageTypePTZ, {join(join({3, 0, 1, 1}, Bytes(15, 'a')), zeros(1))}},
        SendCase{"PresetSaveWholeCharacterThatFits",
                 [](LiveClient& c) { c.sendPTZSavePresetCommandWithCamera(0, 1, fourteenA + "\xC3\xA9"); },
                 MessageTypePTZ, {join(join({3, 0, 1, 1}, Bytes(14, 'a')), {0xC3, 0xA9})}},
        SendCase{"AlarmOutOn", [](LiveClient& c) { c.sendAlarmOutChannel(5, true); }, MessageTypeAlarmCommand,
                 {join({1, 5, 1, 1, 0}, zeros(32))}},
        SendCase{"AlarmOutOff", [](LiveClient& c) { c.sendAlarmOutChannel(0, false); }, MessageTypeAlarmCommand,
                 {join({1, 0, 1, 0, 0}, zeros(32))}},
        SendCase{"AlarmOutAllInChannelOrder", [](LiveClient& c) { c.sendAlarmOutAll(3, true); },
                 MessageTypeAlarmCommand,
                 {join({1, 0, 1, 1, 0}, zeros(32)), join({1, 1, 1, 1, 0}, zeros(32)),
                  join({1, 2, 1, 1, 0}, zeros(32))}},
        SendCase{"HTTPStreamingMask",
                 [](LiveClient& c) { c.sendHTTPStreamingChannelMask(0x80000001u, true); },
                 MessageTypeHTTPStreamingChannelMask, {{0x80, 0, 0, 1, 1}}},
        SendCase{"HTTPStreamingHighestChannel", [](LiveClient& c) { c.sendHTTPStreamingChannel(31, false); },
                 MessageTypeHTTPStreamingChannelMask, {{0x80, 0, 0, 0, 0}}},
        SendCase{"HTTPStreamingCleared", [](LiveClient& c) { c.clearHTTPStreamingChannel(); },
                 MessageTypeHTTPStreamingChannelMask, {{0, 0, 0, 0, 1}, {0, 0, 0, 0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LiveLoopback, SendsGoOutInCallOrder) {
  connect();
  client_->sendVideoChannelMask(BitMask32(1));
  client_->sendPTZCommand(1, 0, 2);
  client_->sendAlarmOutChannel(1, true);
  client_->sendAudioChannelMask(BitMask32(1));
  ASSERT_TRUE(emulator_->waitForPacket(MessageTypeAudioChannelMask));
  std::vector<uint16_t> types;
  for (const auto& packet : emulator_->received())
    if (packet.type > MessageTypeLoginRequest) types.push_back(packet.type);
  EXPECT_EQ(types, (std::vector<uint16_t>{MessageTypeVideoChannelMask, MessageTypePTZ, MessageTypeAlarmCommand,
                                          MessageTypeAudioChannelMask}));
}

}  // namespace
}  // namespace zelvo::test
