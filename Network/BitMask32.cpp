#include "Network/BitMask32.h"

#include <bit>
#include <cstdio>

#include "Foundation/Assert.h"

namespace zelvo {

const BitMask32& BitMask32::zero() {
  static const BitMask32 empty;
  return empty;
}

void BitMask32::set(int index) {
  ZELVO_PRECONDITION(0 <= index && index < 32);
  _mask |= 1u << index;
}

void BitMask32::reset(int index) {
  ZELVO_PRECONDITION(0 <= index && index < 32);
  _mask &= ~(1u << index);
}

bool BitMask32::isSet(int index) const {
  ZELVO_PRECONDITION(0 <= index && index < 32);
  return (_mask >> index) & 1u;
}

int BitMask32::firstChannel() const { return _mask == 0 ? -1 : std::countr_zero(_mask); }

int BitMask32::setCount() const { return std::popcount(_mask); }

std::string BitMask32::description() const {
  char text[16];
  std::snprintf(text, sizeof text, "%x", _mask);
  return text;
}

}  // namespace zelvo
