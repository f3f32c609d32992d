#pragma once
// Strict UTF-8 (RFC 3629): overlong forms, surrogates, code points above U+10FFFF
// and truncated sequences are invalid. QString::fromUtf8 never fails, so it cannot
// tell valid text from damaged text.

#include <cstddef>
#include <string_view>

namespace zelvo {

bool isValidUtf8(const unsigned char* bytes, size_t length);
inline bool isValidUtf8(std::string_view text) {
  return isValidUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

// The longest prefix of at most maxBytes bytes that ends on a whole character of
// valid UTF-8 text (fixed-size wire fields are cut this way).
size_t utf8PrefixLength(std::string_view text, size_t maxBytes);

}  // namespace zelvo
