#include "Network/Setup/KeyInput.h"

#include "Network/ByteBuffer.h"

namespace zelvo {

void KeyInput::writeTo(ByteBuffer& buffer) const {
  buffer.pushUint8(Form);
  buffer.pushUint8(static_cast<uint8_t>(state));
  buffer.pushUint16(0);
  buffer.pushUint16(static_cast<uint16_t>(key));
  buffer.pushInt16(character);
}

}  // namespace zelvo
