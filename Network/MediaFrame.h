#pragma once
// One unit of compressed video or audio from a recorder: a 64-byte big-endian
// media header, the media data, then the option list (title, codec information).
//
// The frame never copies its media data: data() points into the packet it was read
// from, which the frame holds for as long as it lives.
//
// readFrom() fails (ReadError, cursor unchanged) when the header, the media data
// or the option list would pass the end of the message. A malformed option list
// reads as having no options, and a date or time out of range as the blank
// dateTime(); the frame is kept in both cases.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Network/BitMask32.h"
#include "Network/CodecInfo.h"
#include "Network/DateTime.h"
#include "Network/ISerializable.h"
#include "Network/MediaFrameOptionList.h"

namespace zelvo {

class Packet;

enum MediaFrameType : int {
  MediaFrameTypeVideo = 0,
  MediaFrameTypeAudio = 1,
};

class MediaFrame : public ISerializable {
 public:
  static constexpr int64_t HeaderSize = 64;
  static constexpr int64_t DateTimeOffset = 24;
  static constexpr int64_t DateTimeSize = 8;

  MediaFrame() = default;

  void readFrom(ByteBuffer& buffer) override;
  // Frames are only received.
  void writeTo(ByteBuffer& buffer) const override;

  int type() const { return type_; }
  uint16_t syncIndex() const { return syncIndex_; }
  uint32_t syncKeyID() const { return syncKeyID_; }
  const BitMask32& channelMask() const { return channelMask_; }
  uint32_t mediaDataSize() const { return mediaDataSize_; }
  uint64_t mediaID() const { return mediaID_; }
  const DateTime& dateTime() const { return dateTime_; }
  uint16_t width() const { return width_; }
  uint16_t height() const { return height_; }
  uint32_t timeStampScale() const { return timeStampScale_; }
  uint64_t timeStamp() const { return timeStamp_; }
  const BitMask32& relatedChannelMask() const { return relatedChannelMask_; }
  uint32_t optionSize() const { return optionSize_; }
  const uint8_t* data() const { return data_; }
  // The packet the data lies in (none when read from a buffer that is no shared packet).
  const std::shared_ptr<Packet>& buffer() const { return buffer_; }

  // The lowest channel of channelMask, -1 (all bits set) when the mask is empty.
  int channel() const { return channelMask_.firstChannel(); }

  // The first option of that type: true and the record filled, or false and the
  // record zeroed (always when there is no option list, or it is malformed).
  bool findOption(uint16_t type, MediaFrameOption* option) const;
  // The text of option 1 up to its 0 byte (or its end); none when there is no such
  // option, its length is 0 or its text is not valid UTF-8.
  std::optional<std::string> title() const;
  // True and the five codes copied when option 2 exists with at least 20 bytes.
  bool getCodecInfo(CodecInfo* info) const;

  // Reads the 8 date-time bytes of the header at the cursor into dateTime():
  // i16 year, i8 month, day, hour, minute, second, one reserved byte.
  void getMediaDateTimeFrom(ByteBuffer& buffer);

  std::string description() const;

 private:
  int type_ = MediaFrameTypeVideo;
  uint16_t syncIndex_ = 0;
  uint32_t syncKeyID_ = 0;
  BitMask32 channelMask_;
  uint32_t mediaDataSize_ = 0;
  uint64_t mediaID_ = 0;
  DateTime dateTime_;
  uint16_t width_ = 0;
  uint16_t height_ = 0;
  uint32_t timeStampScale_ = 0;
  uint64_t timeStamp_ = 0;
  BitMask32 relatedChannelMask_;
  uint32_t optionSize_ = 0;
  const uint8_t* data_ = nullptr;
  std::shared_ptr<Packet> buffer_;
};

}  // namespace zelvo
