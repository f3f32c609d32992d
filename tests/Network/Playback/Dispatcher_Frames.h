#pragma once
// Media frames for dispatcher and client tests, read from their 64-byte header
// the way the client reads them.

#include <memory>

#include "Coordinator_Records.h"
#include "Network/MediaFrame.h"
#include "Network/Packet.h"

namespace zelvo::test::playback {

inline std::shared_ptr<const MediaFrame> makeFrame(int type, uint64_t mediaID, uint64_t timeStamp, uint32_t scale,
                                                    uint32_t channelMask = 1) {
  WireBytes w;
  w.u16(uint16_t(type)).u16(0).u32(0).u32(channelMask).u32(4).u64(mediaID);
  w.u16(2026).u8(3).u8(4).u8(10).u8(0).u8(uint8_t(mediaID % 60)).u8(0);
  w.u16(704).u16(480).u32(scale).u64(timeStamp).u32(channelMask).u32(0).u64(0);
  w.u32(0xDEADBEEF);  // the media data
  auto packet = Packet::create(int64_t(w.bytes.size()));
  packet->pushBytes(w.bytes.data(), int64_t(w.bytes.size()));
  packet->flip();
  auto frame = std::make_shared<MediaFrame>();
  packet->popObject(*frame);
  return frame;
}

}  // namespace zelvo::test::playback
