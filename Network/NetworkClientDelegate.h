#pragma once
// The optional receiver of a client's login and disconnection, called on the
// network thread. Not owned by the client: clear it before it goes away.

#include <optional>

#include "Network/ByteStream.h"

namespace zelvo {

class NetworkClient;

class NetworkClientDelegate {
 public:
  virtual ~NetworkClientDelegate() = default;
  virtual void networkClientLoginSucceed(NetworkClient& /*client*/) {}
  // error is set for reason 8 only.
  virtual void networkClient(NetworkClient& /*client*/, int /*disconnectedByReason*/,
                             const std::optional<StreamError>& /*error*/) {}
};

}  // namespace zelvo
