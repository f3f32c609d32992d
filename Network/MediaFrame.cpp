#include "Network/MediaFrame.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "Foundation/Utf8.h"
#include "Network/ByteBuffer.h"
#include "Network/Packet.h"

namespace zelvo {

void MediaFrame::readFrom(ByteBuffer& buffer) {
  // Everything the frame will point at must lie inside the message. The sizes are
  // peeked first, so a frame that does not fit leaves the cursor where it was.
  if (buffer.remaining() < HeaderSize) throw ReadError("media header runs past the end of the message");
  int64_t start = buffer.position();
  uint64_t dataSize = buffer.popUint32At(start + 12);
  uint64_t optionSize = buffer.popUint32At(start + 52);
  // 64-bit sum: two u32 sizes cannot overflow it.
  if (static_cast<uint64_t>(HeaderSize) + dataSize + optionSize > static_cast<uint64_t>(buffer.remaining()))
    throw ReadError("media frame of " + std::to_string(dataSize) + " data bytes and " + std::to_string(optionSize) +
                    " option bytes runs past the end of the message");

  type_ = buffer.popUint16();
  syncIndex_ = buffer.popUint16();
  syncKeyID_ = buffer.popUint32();
  channelMask_.setAsUint32(buffer.popUint32());
  mediaDataSize_ = buffer.popUint32();
  mediaID_ = buffer.popUint64();
  getMediaDateTimeFrom(buffer);
  width_ = buffer.popUint16();
  height_ = buffer.popUint16();
  timeStampScale_ = buffer.popUint32();
  timeStamp_ = buffer.popUint64();
  relatedChannelMask_.setAsUint32(buffer.popUint32());
  optionSize_ = buffer.popUint32();
  buffer.skip(8);
  data_ = buffer.buffer();
  Packet* packet = dynamic_cast<Packet*>(&buffer);
  buffer_ = packet ? packet->weak_from_this().lock() : nullptr;
}

void MediaFrame::writeTo(ByteBuffer&) const {}

void MediaFrame::getMediaDateTimeFrom(ByteBuffer& buffer) {
  if (buffer.remaining() < DateTimeSize) throw ReadError("media date runs past the end of the message");
  int year = buffer.popInt16();
  int month = buffer.popInt8();
  int day = buffer.popInt8();
  int hour = buffer.popInt8();
  int minute = buffer.popInt8();
  int second = buffer.popInt8();
  buffer.skip(1);
  // A recorder with an unset clock sends zeros or nonsense here. That must not stop
  // the program: the frame keeps a blank date instead.
  bool inRange = 0 <= year && 0 < month && month <= 12 && 0 < day && day <= 31 && 0 <= hour && hour <= 24 &&
                 0 <= minute && minute < 60 && 0 <= second && second < 60;
  dateTime_ = inRange ? DateTime(year, month, day, hour, minute, second) : DateTime();
}

bool MediaFrame::findOption(uint16_t type, MediaFrameOption* option) const {
  if (option) *option = MediaFrameOption{};
  if (optionSize_ == 0 || !data_) return false;
  MediaFrameOptionList list;
  if (!list.attach(data_ + mediaDataSize_, static_cast<int>(optionSize_))) return false;
  return list.find(type, option);
}

std::optional<std::string> MediaFrame::title() const {
  MediaFrameOption option;
  if (!findOption(MediaFrameOptionTypeTitle, &option) || option.length == 0) return std::nullopt;
  // The text ends at its 0 byte, or at the end of the option when it has none.
  const void* end = std::memchr(option.value, 0, option.length);
  size_t length = end ? static_cast<size_t>(static_cast<const uint8_t*>(end) - option.value) : option.length;
  if (!isValidUtf8(option.value, length)) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(option.value), length);
}

bool MediaFrame::getCodecInfo(CodecInfo* info) const {
  MediaFrameOption option;
  if (!findOption(MediaFrameOptionTypeCodecInfo, &option) || option.length < CodecInfo::WireSize) return false;
  if (info) std::memcpy(info->codes.data(), option.value, CodecInfo::WireSize);
  return true;
}

std::string MediaFrame::description() const {
  char text[256];
  std::snprintf(text, sizeof text,
                " channel = %d, type = %s, mediaID = %" PRIu64 ", syncKeyID = %u, syncIndex = %u, timestamp= %" PRIu64,
                channel(), type_ != 0 ? "Audio" : "Video", mediaID_, syncKeyID_, static_cast<unsigned>(syncIndex_),
                timeStamp_);
  return dateTime_.description() + text;
}

}  // namespace zelvo
