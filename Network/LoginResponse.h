#pragma once
// The recorder's answer to the login request: a code and the user's permissions.

#include <cstdint>

namespace zelvo {

class Packet;

class LoginResponse {
 public:
  enum Code { Success = 1, UnknownUser = 3, InvalidPassword = 4, PermissionDenied = 5 };

  // Reads the 5-byte payload of a received type-3 packet. Throws ReadError when it
  // is shorter: such a reply is unusable.
  explicit LoginResponse(Packet& packet);
  LoginResponse(int responseCode, uint32_t permissionMask)
      : responseCode_(responseCode), permissionMask_(permissionMask) {}

  int responseCode() const { return responseCode_; }  // 1 to 5, any other code read as 0
  uint32_t permissionMask() const { return permissionMask_; }
  // True when the mask and permission share a set bit.
  bool hasPermission(uint32_t permission) const { return (permissionMask_ & permission) != 0; }

 private:
  int responseCode_ = 0;
  uint32_t permissionMask_ = 0;
};

}  // namespace zelvo
