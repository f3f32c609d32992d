#pragma once
// One key event for a recorder's setup screen and its 8-byte form in an input
// message.

#include <cstdint>

namespace zelvo {

class ByteBuffer;

enum KeyInputKey : int {
  KeyInputKeyCharacter = 0,  // the character field carries it
  KeyInputKeyForwardDelete = 1,
  KeyInputKeyDelete = 2,  // backspace
  KeyInputKeyHome = 3,
  KeyInputKeyEnd = 4,
  KeyInputKeyUpArrow = 5,
  KeyInputKeyDownArrow = 6,
  KeyInputKeyLeftArrow = 7,
  KeyInputKeyRightArrow = 8,
  KeyInputKeyReturn = 9,
};

enum KeyInputState : int { KeyInputStateDown = 0, KeyInputStateUp = 1 };

struct KeyInput {
  static constexpr int64_t Size = 8;
  static constexpr uint8_t Form = 1;  // first byte of the key form

  int key = KeyInputKeyCharacter;
  int state = KeyInputStateDown;
  // Signed on every platform (plain char is unsigned on some): the wire widens it
  // with its sign, 0x80..0xFF becoming 0xFF80..0xFFFF.
  int8_t character = 0;

  // u8 1, u8 state, u16 0, u16 key (low 16 bits), u16 character sign-extended.
  void writeTo(ByteBuffer& buffer) const;
};

}  // namespace zelvo
