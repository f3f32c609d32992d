// A received media frame message, read as the live and playback clients read it:
// the frame from the payload, then its title, codec information and options. The
// option list walk is also run over the raw input. A read past the message must
// fail with ReadError; nothing else may happen.
#include <cstdint>
#include <cstring>

#include "Network/Interval.h"
#include "Network/MediaFrame.h"
#include "Network/MediaFrameOptionList.h"
#include "Network/Packet.h"

namespace {

volatile uint32_t sink;

void touch(const uint8_t* bytes, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum += bytes[i];
  sink = sink + sum;
}

void readOptions(const zelvo::MediaFrame& frame) {
  zelvo::MediaFrameOption option;
  for (uint16_t type = 0; type < 4; ++type)
    if (frame.findOption(type, &option) && option.value) touch(option.value, option.length);
  if (auto title = frame.title()) touch(reinterpret_cast<const uint8_t*>(title->data()), title->size());
  zelvo::CodecInfo info;
  if (frame.getCodecInfo(&info)) sink = sink + (zelvo::CodecTagEquals(info.vendor(), zelvo::CodecTagHiSi) ? 1 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Like the receive packet: the payload right behind the header, 8 spare bytes.
  auto packet = zelvo::Packet::create(zelvo::Packet::HeaderSize + static_cast<int64_t>(size), 8);
  if (!packet) return 0;
  packet->pushUint16(zelvo::Packet::Marker);
  packet->pushUint16(zelvo::MessageTypeLiveMediaFrame);
  packet->pushUint32(static_cast<uint32_t>(size));
  if (size) packet->pushBytes(data, static_cast<int64_t>(size));
  packet->flip();
  packet->seekToPayload();

  try {
    zelvo::MediaFrame frame;
    packet->popObject(frame);
    touch(frame.data(), frame.mediaDataSize());
    readOptions(frame);
    sink = sink + static_cast<uint32_t>(frame.channel());
    // Text formatting is slow; let the input ask for it.
    if (size > 0 && (data[0] & 0x80)) sink = sink + static_cast<uint32_t>(frame.description().size());
  } catch (const zelvo::ReadError&) {
  }

  // The option walk over the raw bytes, as if they were a frame's whole list.
  if (size <= 0x7FFFFFFF) {
    zelvo::MediaFrameOptionList list;
    if (list.attach(data, static_cast<int>(size))) {
      zelvo::MediaFrameOption option;
      for (uint16_t type = 0; type < 4; ++type)
        if (list.find(type, &option) && option.value) touch(option.value, option.length);
      sink = sink + list.count();
    }
  }

  // The date and interval readers from the payload's start.
  packet->seekToPayload();
  try {
    zelvo::Interval interval;
    packet->popObject(interval);
    sink = sink + (interval.contains(interval.from()) ? 1 : 0);
  } catch (const zelvo::ReadError&) {
  }
  return 0;
}
