#pragma once
// Option 1: the client profiles the recorder serves (1 live, 2 playback, 3 remote setup).

#include <array>
#include <cstdint>

#include "Network/SyncOption.h"

namespace zelvo {

class ProfileListSyncOption : public SyncOption {
 public:
  struct Profile {
    int type = 0;  // 1 to 3, any other value stored as 0
    uint8_t version = 0;
    bool backwardCompatible = false;
  };
  static constexpr int MaxProfiles = 16;

  // Reads the count and 3 bytes per announced entry, keeping at most 16 entries.
  // Throws ReadError when the entries run past the packet.
  ProfileListSyncOption(Packet& packet, int64_t length);

  int profileCount() const { return profileCount_; }
  const std::array<Profile, MaxProfiles>& profiles() const { return profiles_; }
  bool supportsProfile(int profile) const;

 private:
  std::array<Profile, MaxProfiles> profiles_{};
  int profileCount_ = 0;
};

}  // namespace zelvo
