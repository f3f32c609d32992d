#include "Network/Live/AlarmCommand.h"

#include <cinttypes>
#include <cstdio>

#include "Network/ByteBuffer.h"
#include "Network/Live/CameraInfo.h"

namespace zelvo {

AlarmCommand::AlarmCommand(ByteBuffer& buffer) {
  if (buffer.remaining() < Size) throw ReadError("alarm output record shorter than 36 bytes");
  channel_ = buffer.popUint8();
  enable_ = buffer.popBool();
  on_ = buffer.popBool();
  buffer.popUint8();  // reserved
  title_ = buffer.popStringFixedSize(TitleFieldSize);
}

std::string AlarmCommand::titleWithDefaultValue() const {
  if (!isBlankTitle(title_)) return title_;
  char text[32];
  std::snprintf(text, sizeof text, "ALARM%" PRId64, channel_ + 1);
  return text;
}

}  // namespace zelvo
