#pragma once
// Option 4: the 4 key bytes that salt the login digest, kept in the order they
// arrived (they are appended to the password in that order).

#include <array>
#include <cstdint>

#include "Network/SyncOption.h"

namespace zelvo {

class EncryptionKeySyncOption : public SyncOption {
 public:
  // Throws ReadError when fewer than 4 bytes remain.
  EncryptionKeySyncOption(Packet& packet, int64_t length);

  const std::array<uint8_t, 4>& key() const { return key_; }

 private:
  std::array<uint8_t, 4> key_{};
};

}  // namespace zelvo
