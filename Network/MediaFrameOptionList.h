#pragma once
// The option list that ends a media frame: u16 byte-order marker, u16 count, then
// entries of u16 type, u16 length and length bytes of value. A non-zero marker
// means the integers are in host order, 0 that they are byte-reversed; a writer
// puts 0xFFFF.
//
// Reading: attach() walks the whole list once; a list that is too short for its
// header, or whose entries run past its end, is malformed and reads as having no
// options. Writing: start(), then add() per entry.

#include <cstdint>

#include "Network/Buffer.h"

namespace zelvo {

enum MediaFrameOptionType : uint16_t {
  MediaFrameOptionTypeTitle = 1,      // UTF-8 text ending with a 0 byte
  MediaFrameOptionTypeCodecInfo = 2,  // at least 20 bytes: five four-character codes
};

struct MediaFrameOption {
  uint16_t type = 0;
  uint16_t length = 0;
  const uint8_t* value = nullptr;  // none when length is 0
};

class MediaFrameOptionList : public Buffer {
 public:
  static constexpr int HeaderSize = 4;
  static constexpr int EntryHeaderSize = 4;
  static constexpr uint16_t WriterMarker = 0xFFFF;

  // Reading a received list. The bytes are only read, never written. False (and no
  // options) when the list is malformed.
  bool attach(const uint8_t* list, int size);
  bool isWellFormed() const { return wellFormed_; }
  // The first entry of that type: true and the record filled, or false and the
  // record zeroed.
  bool find(uint16_t type, MediaFrameOption* option);
  bool hasTitle() { return find(MediaFrameOptionTypeTitle, nullptr); }
  uint16_t count();

  // Writing a new list into a block of at least HeaderSize bytes.
  void start(uint8_t* buffer, int capacity);
  // A value is needed whenever length is not 0; the entry must fit the block.
  void add(uint16_t type, uint16_t length, const void* value);

 private:
  bool wellFormed_ = false;
};

}  // namespace zelvo
