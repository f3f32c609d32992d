#pragma once
// MD5 (RFC 1321), our own code: the login digest needs nothing more.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zelvo {

std::array<uint8_t, 16> MD5Digest(const uint8_t* bytes, size_t length);
inline std::array<uint8_t, 16> MD5Digest(std::string_view bytes) {
  return MD5Digest(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace zelvo
