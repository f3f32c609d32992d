// The live status records read from hostile bytes: the first byte picks the
// record, the rest is what it reads. A short input must throw ReadError with the
// cursor unmoved; nothing else may happen, and every accessor must hold up.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Network/ByteBuffer.h"
#include "Network/Live/AlarmCommand.h"
#include "Network/Live/CameraInfoList.h"
#include "Network/Live/EventInfo.h"
#include "Network/Live/SystemEventInfo.h"

using namespace zelvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<uint8_t> bytes(data + 1, data + size);
  bytes.reserve(1);
  ByteBuffer buffer(bytes.data(), static_cast<int64_t>(bytes.size()), ByteBuffer::BigEndianByteOrder);
  try {
    switch (data[0] % 4) {
      case 0: {
        CameraInfoList list(buffer);
        if (buffer.position() != 1 + list.cameraCount() * CameraInfoList::BytesPerCamera) std::abort();
        for (const CameraInfo& camera : list.convertAsMutableArray()) {
          camera.titleWithDefaultValue();
          camera.isPtzAvaliable();
          camera.isVisible();
          if (camera.title().size() > CameraInfo::TitleFieldSize) std::abort();
        }
        break;
      }
      case 1: {
        AlarmCommand command(buffer);
        command.titleWithDefaultValue();
        if (buffer.position() != AlarmCommand::Size) std::abort();
        break;
      }
      case 2: {
        EventInfo info(buffer, data[0] >> 2);
        for (int64_t i = -1; i <= 64; ++i) info.on(i);
        break;
      }
      case 3: {
        SystemEventInfo info(buffer);
        break;
      }
    }
  } catch (const ReadError&) {
    if (buffer.position() != 0) std::abort();
  }
  return 0;
}
