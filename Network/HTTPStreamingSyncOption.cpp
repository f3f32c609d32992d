#include "Network/HTTPStreamingSyncOption.h"

#include "Network/Packet.h"

namespace zelvo {

HTTPStreamingSyncOption::HTTPStreamingSyncOption(Packet& packet) {
  packet.popBytes(4, packet.position());  // both fields or neither
  version_ = packet.popUint16();
  portNumber_ = packet.popUint16();
}

}  // namespace zelvo
