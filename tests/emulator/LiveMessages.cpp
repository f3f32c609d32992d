#include "LiveMessages.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zelvo::emulator {

WireWriter& WireWriter::u8(uint32_t v) {
  bytes_.push_back(static_cast<uint8_t>(v));
  return *this;
}
WireWriter& WireWriter::u16(uint32_t v) { return u8(v >> 8).u8(v); }
WireWriter& WireWriter::u32(uint32_t v) { return u16(v >> 16).u16(v); }
WireWriter& WireWriter::u64(uint64_t v) { return u32(static_cast<uint32_t>(v >> 32)).u32(static_cast<uint32_t>(v)); }
WireWriter& WireWriter::le16(uint32_t v) { return u8(v).u8(v >> 8); }
WireWriter& WireWriter::le32(uint32_t v) { return le16(v).le16(v >> 16); }

WireWriter& WireWriter::field(std::string_view text, size_t size) {
  for (size_t i = 0; i < size; ++i) u8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
  return *this;
}

WireWriter& WireWriter::string(std::string_view text) {
  u16(static_cast<uint32_t>(text.size()));
  bytes(text);
  return u8(0);
}

WireWriter& WireWriter::bytes(const Bytes& more) {
  bytes_.insert(bytes_.end(), more.begin(), more.end());
  return *this;
}

WireWriter& WireWriter::bytes(std::string_view more) {
  bytes_.insert(bytes_.end(), more.begin(), more.end());
  return *this;
}

namespace live {

Bytes cameraTable(const std::vector<EmulatedCamera>& cameras) {
  WireWriter w;
  w.u8(1).u8(static_cast<uint32_t>(cameras.size()));
  for (const auto& c : cameras) w.field(c.title, 32);
  for (const auto& c : cameras) w.u8(c.status);
  for (const auto& c : cameras) w.u8(c.covertLevel);
  for (const auto& c : cameras) w.u8(c.ptz);
  for (const auto& c : cameras) w.u8(c.audio);
  for (const auto& c : cameras)
    for (int8_t v : c.color) w.u8(static_cast<uint8_t>(v));
  return w.result();
}

Bytes cameraTitle(uint8_t camera, std::string_view title) { return WireWriter().u8(2).u8(camera).field(title, 32).result(); }

Bytes cameraByte(uint8_t subType, uint8_t camera, uint8_t value) {
  return WireWriter().u8(subType).u8(camera).u8(value).result();
}

Bytes cameraColor(uint8_t camera, std::array<int8_t, 4> color) {
  WireWriter w;
  w.u8(7).u8(camera);
  for (int8_t v : color) w.u8(static_cast<uint8_t>(v));
  return w.result();
}

namespace {
void eventRecord(WireWriter& w, EventRecord record) { w.u8(record.cameraCount).u8(0).u8(0).u8(0).u32(record.mask); }
void systemRecord(WireWriter& w, std::array<bool, 8> flags) {
  for (bool flag : flags) w.u8(flag ? 1 : 0);
}
}  // namespace

Bytes event(uint8_t type, uint8_t cameraCount, uint32_t mask) {
  WireWriter w;
  w.u8(type);
  eventRecord(w, {cameraCount, mask});
  return w.result();
}

Bytes systemEvent(std::array<bool, 8> flags) {
  WireWriter w;
  w.u8(5);
  systemRecord(w, flags);
  return w.result();
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
  return w.result();
}

namespace {
void alarmRecord(WireWriter& w, const EmulatedAlarm& a) { w.u8(a.channel).u8(a.enable).u8(a.on).u8(0).field(a.title, 32); }
}  // namespace

Bytes alarmList(const std::vector<EmulatedAlarm>& alarms) {
  WireWriter w;
  w.u8(2).u8(static_cast<uint32_t>(alarms.size()));
  for (const auto& a : alarms) {
    w.u8(0xA5);  // ignored by the client
    alarmRecord(w, a);
  }
  return w.result();
}

Bytes alarm(const EmulatedAlarm& a) {
  WireWriter w;
  w.u8(1);
  alarmRecord(w, a);
  return w.result();
}

Bytes presetLabels(uint8_t camera, const std::vector<std::string>& labels) {
  WireWriter w;
  w.u8(4).u8(camera).u8(static_cast<uint32_t>(labels.size()));
  for (const auto& label : labels) w.field(label, 16);
  return w.result();
}

Bytes streamingReady(int32_t camera, int32_t port, std::string_view playlist) {
  return WireWriter().u32(static_cast<uint32_t>(camera)).u32(static_cast<uint32_t>(port)).string(playlist).result();
}

Bytes mediaOptions(const Frame& f) {
  if (!f.title && !f.codec) return {};
  WireWriter w;
  auto word = [&](uint32_t v) {
    if (f.littleEndianOptions)
      w.le16(v);
    else
      w.u16(v);
  };
  w.u16(f.littleEndianOptions ? 0xFFFF : 0);
  word((f.title ? 1 : 0) + (f.codec ? 1 : 0));
  if (f.title) {
    word(1);
    word(static_cast<uint32_t>(f.title->size() + 1));
    w.bytes(*f.title).u8(0);
  }
  if (f.codec) {
    word(2);
    word(static_cast<uint32_t>(f.codec->size()));
    w.bytes(*f.codec);
  }
  return w.result();
}

Bytes mediaFrame(const Frame& f) {
  Bytes options = mediaOptions(f);
  WireWriter w;
  w.u16(f.type).u16(f.syncIndex).u32(f.syncKeyID).u32(f.channelMask);
  w.u32(f.mediaDataSize.value_or(static_cast<uint32_t>(f.data.size())));
  w.u64(f.mediaID);
  w.u16(static_cast<uint16_t>(f.year)).u8(static_cast<uint8_t>(f.month)).u8(static_cast<uint8_t>(f.day));
  w.u8(static_cast<uint8_t>(f.hour)).u8(static_cast<uint8_t>(f.minute)).u8(static_cast<uint8_t>(f.second)).u8(0);
  w.u16(f.width).u16(f.height).u32(f.timeStampScale).u64(f.timeStamp).u32(f.relatedChannelMask);
  w.u32(f.optionSize.value_or(static_cast<uint32_t>(options.size())));
  w.u32(0).u32(0);
  w.bytes(f.data).bytes(options);
  return w.result();
}

}  // namespace live

namespace setup {

Bytes osdSize(int32_t screenWidth, int32_t screenHeight, int32_t x, int32_t y, int32_t width, int32_t height) {
  WireWriter w;
  for (int32_t v : {screenWidth, screenHeight, x, y, width, height}) w.u32(static_cast<uint32_t>(v));
  return w.result();
}

Bytes osdPicture(int32_t x, int32_t y, std::string_view mime, const Bytes& png, std::optional<int32_t> length) {
  WireWriter w;
  w.u32(static_cast<uint32_t>(x)).u32(static_cast<uint32_t>(y)).string(mime);
  w.u32(static_cast<uint32_t>(length.value_or(static_cast<int32_t>(png.size()))));
  return w.bytes(png).result();
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
