#include "Network/ProfileListSyncOption.h"

#include "Network/Packet.h"

namespace zelvo {

ProfileListSyncOption::ProfileListSyncOption(Packet& packet, int64_t length) : SyncOption(1, length) {
  const int64_t start = packet.position();
  const int count = packet.popUint8();
  if (packet.remaining() < int64_t{count} * 3) {
    packet.seek(start);
    throw ReadError("profile list of " + std::to_string(count) + " entries runs past the reply");
  }
  for (int i = 0; i < count; ++i) {
    int type = packet.popUint8();
    uint8_t version = packet.popUint8();
    bool backward = packet.popBool();
    // The count byte allows 255 entries; only 16 are kept, but every announced
    // entry is consumed so that the options behind the list are read in place.
    if (profileCount_ < MaxProfiles) profiles_[profileCount_++] = {type >= 1 && type <= 3 ? type : 0, version, backward};
  }
}

bool ProfileListSyncOption::supportsProfile(int profile) const {
  for (int i = 0; i < profileCount_; ++i)
    if (profiles_[i].type == profile) return true;
  return false;
}

}  // namespace zelvo
