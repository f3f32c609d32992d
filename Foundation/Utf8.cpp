#include "Foundation/Utf8.h"

namespace zelvo {

namespace {

// Length of the valid sequence starting at bytes[i], or 0 when it is invalid.
size_t sequenceLength(const unsigned char* bytes, size_t length, size_t i) {
  unsigned char lead = bytes[i];
  if (lead < 0x80) return 1;
  size_t need;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (length - i < need) return 0;
  if (bytes[i + 1] < low || bytes[i + 1] > high) return 0;
  for (size_t k = 2; k < need; ++k)
    if ((bytes[i + k] & 0xC0) != 0x80) return 0;
  return need;
}

}  // namespace

bool isValidUtf8(const unsigned char* bytes, size_t length) {
  size_t i = 0;
  while (i < length) {
    size_t n = sequenceLength(bytes, length, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

size_t utf8PrefixLength(std::string_view text, size_t maxBytes) {
  auto bytes = reinterpret_cast<const unsigned char*>(text.data());
  size_t length = text.size();
  size_t i = 0;
  while (i < length) {
    size_t n = sequenceLength(bytes, length, i);
    if (n == 0 || i + n > maxBytes) break;
    i += n;
  }
  return i;
}

}  // namespace zelvo
