#include "Network/Setup/MouseInput.h"

#include <cmath>
#include <limits>

#include "Foundation/Assert.h"
#include "Network/ByteBuffer.h"

namespace zelvo {

uint16_t MouseInput::wireCoordinate(double value) {
  ZELVO_PRECONDITION(std::isfinite(value));
  double whole = std::trunc(value);
  // 2^63 is exact as a double; INT64_MAX is not.
  constexpr double twoTo63 = 9223372036854775808.0;
  int64_t integer;
  if (whole >= twoTo63)
    integer = std::numeric_limits<int64_t>::max();
  else if (whole < -twoTo63)
    integer = std::numeric_limits<int64_t>::min();
  else
    integer = static_cast<int64_t>(whole);
  return static_cast<uint16_t>(static_cast<uint64_t>(integer) & 0xFFFFu);
}

void MouseInput::writeTo(ByteBuffer& buffer) const {
  buffer.pushUint8(Form);
  buffer.pushUint8(static_cast<uint8_t>(state));
  buffer.pushUint8(static_cast<uint8_t>(type));
  buffer.pushUint8(0);
  buffer.pushUint16(wireCoordinate(point.x()));
  buffer.pushUint16(wireCoordinate(point.y()));
}

}  // namespace zelvo
