#pragma once
// The recorder's side of the live and remote-setup messages, as payload bytes.
// Built with the emulator's own WireWriter, never with the client's ByteBuffer
// or Packet, so that the emulator checks the client independently.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/WireWriter.h"

namespace zelvo::emulator {

struct EmulatedCamera {
  std::string title;
  uint8_t status = 1;       // normal
  uint8_t covertLevel = 1;  // not covert
  uint8_t ptz = 1;          // non-zero = yes
  uint8_t audio = 0;
  std::array<int8_t, 4> color{0, 0, 0, 0};  // brightness, contrast, hue, saturation
};

struct EmulatedAlarm {
  uint8_t channel = 0;
  uint8_t enable = 1;
  uint8_t on = 0;
  std::string title;
};

namespace live {

// 258: sub-type 1 and the table; sub-types 2..7 for one camera.
Bytes cameraTable(const std::vector<EmulatedCamera>& cameras);
Bytes cameraTitle(uint8_t camera, std::string_view title);
Bytes cameraByte(uint8_t subType, uint8_t camera, uint8_t value);  // 3 to 6 (and hostile sub-types)
Bytes cameraColor(uint8_t camera, std::array<int8_t, 4> color);

// 262: one record of kind 2..4; a system record (5); all of them (1). The
// section bytes of the all-events form can be given, to break it.
Bytes event(uint8_t type, uint8_t cameraCount, uint32_t mask);
Bytes systemEvent(std::array<bool, 8> flags);
struct EventRecord {
  uint8_t cameraCount = 0;
  uint32_t mask = 0;
};
Bytes allEvents(EventRecord motion, EventRecord sensor, EventRecord textIn, std::array<bool, 8> system,
                std::array<uint8_t, 4> sections = {2, 3, 4, 5});

// 263: the list (2) and one output (1).
Bytes alarmList(const std::vector<EmulatedAlarm>& alarms);
Bytes alarm(const EmulatedAlarm& alarm);

// 260/4: n labels of 16 bytes for one camera.
Bytes presetLabels(uint8_t camera, const std::vector<std::string>& labels);

// 270: camera, port, playlist.
Bytes streamingReady(int32_t camera, int32_t port, std::string_view playlist);

// 257: one frame. The option list is written with its integers in either order
// (marker 0xFFFF: little-endian; marker 0: big-endian).
struct Frame {
  uint16_t type = 0;  // 0 video, 1 audio
  uint16_t syncIndex = 0;
  uint32_t syncKeyID = 0;
  uint32_t channelMask = 1;
  uint64_t mediaID = 0;
  int16_t year = 2026;
  int8_t month = 12, day = 10, hour = 9, minute = 30, second = 0;
  uint16_t width = 0, height = 0;
  uint32_t timeStampScale = 1000000;
  uint64_t timeStamp = 0;
  uint32_t relatedChannelMask = 0;
  Bytes data;
  std::optional<std::string> title;
  std::optional<std::string> codec;  // 20 characters: five tags
  bool littleEndianOptions = true;
  // Hostile frames: sizes that do not match what follows.
  std::optional<uint32_t> mediaDataSize, optionSize;
};
Bytes mediaFrame(const Frame& frame);
Bytes mediaOptions(const Frame& frame);

}  // namespace live

namespace setup {

// 775: six i32.
Bytes osdSize(int32_t screenWidth, int32_t screenHeight, int32_t x, int32_t y, int32_t width, int32_t height);
// 773: x, y, mime, n and the bytes (n may be given, to lie about them).
Bytes osdPicture(int32_t x, int32_t y, std::string_view mime, const Bytes& png,
                 std::optional<int32_t> length = std::nullopt);

}  // namespace setup

// Fixture files under tests/fixtures/.
std::string fixturePath(std::string_view name);
// An Annex B stream cut at its access unit delimiters: one frame per picture.
std::vector<Bytes> h264Frames(std::string_view name);
// A run of audio frames, each preceded by its little-endian 32-bit length.
std::vector<Bytes> lengthPrefixedFrames(std::string_view name);

}  // namespace zelvo::emulator
