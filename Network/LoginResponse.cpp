#include "Network/LoginResponse.h"

#include "Network/Packet.h"

namespace zelvo {

LoginResponse::LoginResponse(Packet& packet) {
  packet.seekToPayload();
  packet.popBytes(5, packet.position());  // the whole reply or nothing
  int code = packet.popUint8();
  responseCode_ = code >= 1 && code <= 5 ? code : 0;
  permissionMask_ = packet.popUint32();
}

}  // namespace zelvo
