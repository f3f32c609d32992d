#include "Network/MobileStreamingSyncOption.h"

#include "Network/Packet.h"

namespace zelvo {

MobileStreamingSyncOption::MobileStreamingSyncOption(Packet& packet) { version_ = packet.popUint16(); }

}  // namespace zelvo
