#include "Network/MediaFrameOptionList.h"

#include "Foundation/Assert.h"

namespace zelvo {

bool MediaFrameOptionList::attach(const uint8_t* list, int size) {
  wellFormed_ = false;
  if (!list || size < HeaderSize) return false;
  // The reading role never writes through the pointer.
  init(const_cast<uint8_t*>(list), size, HostByteOrder);
  uint16_t marker = getUint16(0);
  setByteOrder(marker != 0 ? HostByteOrder : ReversedByteOrder);
  // Walk every entry once so that find() never meets a length past the end.
  int64_t offset = HeaderSize;
  for (int entry = 0, entries = getUint16(2); entry < entries; ++entry) {
    if (offset + EntryHeaderSize > limit()) return false;
    int64_t length = getUint16(static_cast<int>(offset) + 2);
    offset += EntryHeaderSize + length;
    if (offset > limit()) return false;
  }
  wellFormed_ = true;
  return true;
}

uint16_t MediaFrameOptionList::count() { return wellFormed_ ? getUint16(2) : 0; }

bool MediaFrameOptionList::find(uint16_t type, MediaFrameOption* option) {
  if (option) *option = MediaFrameOption{};
  if (!wellFormed_) return false;
  int offset = HeaderSize;
  for (int entry = 0, entries = getUint16(2); entry < entries; ++entry) {
    uint16_t entryType = getUint16(offset);
    uint16_t length = getUint16(offset + 2);
    if (entryType == type) {
      if (option) {
        option->type = entryType;
        option->length = length;
        option->value = length != 0 ? get(offset + EntryHeaderSize, length) : nullptr;
      }
      return true;
    }
    offset += EntryHeaderSize + length;
  }
  return false;
}

void MediaFrameOptionList::start(uint8_t* buffer, int capacity) {
  init(buffer, capacity, HostByteOrder);
  putUint16(0, WriterMarker);
  putUint16(2, 0);
  seek(HeaderSize);
  wellFormed_ = true;
}

void MediaFrameOptionList::add(uint16_t type, uint16_t length, const void* value) {
  uint16_t entries = getUint16(2);
  putUint16(position(), type);
  seek(position() + 2);
  putUint16(position(), length);
  seek(position() + 2);
  if (length != 0) {
    const void* data = value;
    ZELVO_PRECONDITION(data);
    put(data, length);
  }
  putUint16(2, static_cast<uint16_t>(entries + 1));
}

}  // namespace zelvo
