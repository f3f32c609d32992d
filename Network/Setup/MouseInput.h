#pragma once
// One mouse event for a recorder's setup screen, in the recorder's screen space
// (y from the top), and its 8-byte form in an input message.

#include <cstdint>

#include <QPointF>

namespace zelvo {

class ByteBuffer;

enum MouseInputType : int { MouseInputTypePrimary = 1 };  // the only type sent
enum MouseInputState : int { MouseInputStateDown = 2, MouseInputStateUp = 3 };

struct MouseInput {
  static constexpr int64_t Size = 8;
  static constexpr uint8_t Form = 2;  // first byte of the mouse form

  int type = MouseInputTypePrimary;
  int state = MouseInputStateDown;
  QPointF point;

  // u8 2, u8 state, u8 type, u8 0, u16 x, u16 y. The point must be finite.
  void writeTo(ByteBuffer& buffer) const;

  // The coordinate cut toward zero, then to its low 16 bits (so -1 travels as
  // 0xFFFF). It goes through a signed 64-bit integer, saturated at its range:
  // a direct cast of a negative or huge double to an unsigned type is undefined.
  static uint16_t wireCoordinate(double value);
};

}  // namespace zelvo
