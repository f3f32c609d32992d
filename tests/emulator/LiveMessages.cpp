#include "emulator/LiveMessages.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zelvo::emulator {

namespace {

void u64(WireWriter& w, uint64_t v) { w.u32(static_cast<uint32_t>(v >> 32)).u32(static_cast<uint32_t>(v)); }
void le16(WireWriter& w, uint32_t v) { w.u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
void text(WireWriter& w, std::string_view t) { w.bytes(t.data(), t.size()); }
uint8_t byte(int8_t v) { return static_cast<uint8_t>(v); }
uint8_t count(size_t n) { return static_cast<uint8_t>(n); }

}  // namespace

namespace live {

Bytes cameraTable(const std::vector<EmulatedCamera>& cameras) {
  WireWriter w;
  w.u8(1).u8(count(cameras.size()));
  for (const auto& c : cameras) w.fixedString(c.title, 32);
  for (const auto& c : cameras) w.u8(c.status);
  for (const auto& c : cameras) w.u8(c.covertLevel);
  for (const auto& c : cameras) w.u8(c.ptz);
  for (const auto& c : cameras) w.u8(c.audio);
  for (const auto& c : cameras)
    for (int8_t v : c.color) w.u8(byte(v));
  return w.take();
}

Bytes cameraTitle(uint8_t camera, std::string_view title) {
  WireWriter w;
  w.u8(2).u8(camera).fixedString(title, 32);
  return w.take();
}

Bytes cameraByte(uint8_t subType, uint8_t camera, uint8_t value) {
  WireWriter w;
  w.u8(subType).u8(camera).u8(value);
  return w.take();
}

Bytes cameraColor(uint8_t camera, std::array<int8_t, 4> color) {
  WireWriter w;
  w.u8(7).u8(camera);
  for (int8_t v : color) w.u8(byte(v));
  return w.take();
}

namespace {
void eventRecord(WireWriter& w, EventRecord record) { w.u8(record.cameraCount).zeros(3).u32(record.mask); }
void systemRecord(WireWriter& w, std::array<bool, 8> flags) {
  for (bool flag : flags) w.u8(flag ? 1 : 0);
}
}  // namespace

Bytes event(uint8_t type, uint8_t cameraCount, uint32_t mask) {
  WireWriter w;
  w.u8(type);
  eventRecord(w, {cameraCount, mask});
  return w.take();
}

Bytes systemEvent(std::array<bool, 8> flags) {
  WireWriter w;
  w.u8(5);
  systemRecord(w, flags);
  return w.take();
}

Bytes allEvents(EventRecord motion, EventRecord sensor, EventRecord textIn, std::array<bool, 8> system,
                std::array<uint8_t, 4> sections) {
  WireWriter w;
  w.u8(1);
  w.u8(sections[0]);
  eventRecord(w, motion);
  w.u8(sections[1]);
  eventRecord(w, sensor);
  w.u8(sections[2]);
  eventRecord(w, textIn);
  w.u8(sections[3]);
  systemRecord(w, system);
  return w.take();
}

namespace {
void alarmRecord(WireWriter& w, const EmulatedAlarm& a) {
  w.u8(a.channel).u8(a.enable).u8(a.on).u8(0).fixedString(a.title, 32);
}
}  // namespace

Bytes alarmList(const std::vector<EmulatedAlarm>& alarms) {
  WireWriter w;
  w.u8(2).u8(count(alarms.size()));
  for (const auto& a : alarms) {
    w.u8(0xA5);  // ignored by the client
    alarmRecord(w, a);
  }
  return w.take();
}

Bytes alarm(const EmulatedAlarm& a) {
  WireWriter w;
  w.u8(1);
  alarmRecord(w, a);
  return w.take();
}

Bytes presetLabels(uint8_t camera, const std::vector<std::string>& labels) {
  WireWriter w;
  w.u8(4).u8(camera).u8(count(labels.size()));
  for (const auto& label : labels) w.fixedString(label, 16);
  return w.take();
}

Bytes streamingReady(int32_t camera, int32_t port, std::string_view playlist) {
  WireWriter w;
  w.i32(camera).i32(port).string(playlist);
  return w.take();
}

Bytes mediaOptions(const Frame& f) {
  if (!f.title && !f.codec) return {};
  WireWriter w;
  auto word = [&](uint32_t v) {
    if (f.littleEndianOptions)
      le16(w, v);
    else
      w.u16(static_cast<uint16_t>(v));
  };
  w.u16(f.littleEndianOptions ? 0xFFFF : 0);
  word((f.title ? 1 : 0) + (f.codec ? 1 : 0));
  if (f.title) {
    word(1);
    word(static_cast<uint32_t>(f.title->size() + 1));
    text(w, *f.title);
    w.u8(0);
  }
  if (f.codec) {
    word(2);
    word(static_cast<uint32_t>(f.codec->size()));
    text(w, *f.codec);
  }
  return w.take();
}

Bytes mediaFrame(const Frame& f) {
  Bytes options = mediaOptions(f);
  WireWriter w;
  w.u16(f.type).u16(f.syncIndex).u32(f.syncKeyID).u32(f.channelMask);
  w.u32(f.mediaDataSize.value_or(static_cast<uint32_t>(f.data.size())));
  u64(w, f.mediaID);
  w.u16(static_cast<uint16_t>(f.year)).u8(byte(f.month)).u8(byte(f.day));
  w.u8(byte(f.hour)).u8(byte(f.minute)).u8(byte(f.second)).u8(0);
  w.u16(f.width).u16(f.height).u32(f.timeStampScale);
  u64(w, f.timeStamp);
  w.u32(f.relatedChannelMask);
  w.u32(f.optionSize.value_or(static_cast<uint32_t>(options.size())));
  w.zeros(8);
  w.bytes(f.data).bytes(options);
  return w.take();
}

}  // namespace live

namespace setup {

Bytes osdSize(int32_t screenWidth, int32_t screenHeight, int32_t x, int32_t y, int32_t width, int32_t height) {
  WireWriter w;
  for (int32_t v : {screenWidth, screenHeight, x, y, width, height}) w.i32(v);
  return w.take();
}

Bytes osdPicture(int32_t x, int32_t y, std::string_view mime, const Bytes& png, std::optional<int32_t> length) {
  WireWriter w;
  w.i32(x).i32(y).string(mime).i32(length.value_or(static_cast<int32_t>(png.size()))).bytes(png);
  return w.take();
}

}  // namespace setup

std::string fixturePath(std::string_view name) {
  return std::string(ZELVO_SOURCE_ROOT) + "tests/fixtures/" + std::string(name);
}

namespace {
Bytes readFile(std::string_view name) {
  std::ifstream in(fixturePath(name), std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + fixturePath(name));
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
}  // namespace

std::vector<Bytes> h264Frames(std::string_view name) {
  Bytes stream = readFile(name);
  const uint8_t delimiter[5] = {0, 0, 0, 1, 9};
  std::vector<size_t> starts;
  for (size_t i = 0; i + 5 <= stream.size(); ++i)
    if (std::equal(delimiter, delimiter + 5, stream.begin() + static_cast<long>(i))) starts.push_back(i);
  std::vector<Bytes> frames;
  for (size_t k = 0; k < starts.size(); ++k) {
    size_t end = k + 1 < starts.size() ? starts[k + 1] : stream.size();
    frames.emplace_back(stream.begin() + static_cast<long>(starts[k]), stream.begin() + static_cast<long>(end));
  }
  return frames;
}

std::vector<Bytes> lengthPrefixedFrames(std::string_view name) {
  Bytes run = readFile(name);
  std::vector<Bytes> frames;
  size_t at = 0;
  while (at + 4 <= run.size()) {
    size_t length = run[at] | run[at + 1] << 8 | run[at + 2] << 16 | static_cast<size_t>(run[at + 3]) << 24;
    at += 4;
    if (length > run.size() - at) break;
    frames.emplace_back(run.begin() + static_cast<long>(at), run.begin() + static_cast<long>(at + length));
    at += length;
  }
  return frames;
}

}  // namespace zelvo::emulator
