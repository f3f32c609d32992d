#pragma once
// What the recorder announced in its sync reply: the protocol header and the typed
// option list. Immutable once read; the client publishes it whole as peerInfo.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "Network/SyncOption.h"

namespace zelvo {

class Packet;

class SyncInfo {
 public:
  static constexpr char ProtocolSignature[] = "QRZT";

  // Reads a received sync reply (a packet of type 1; any other type is a
  // programming error). A payload of 7 bytes or less gives no SyncInfo. An option
  // list that runs past the payload makes the reply unusable: ReadError.
  static std::shared_ptr<const SyncInfo> create(Packet& packet);

  const std::string& protocolName() const { return protocolName_; }
  int protocolVersion() const { return protocolVersion_; }
  bool backwardCompatible() const { return backwardCompatible_; }
  int currentEndian() const { return currentEndian_; }
  int supportingEndian() const { return supportingEndian_; }

  // "QRZT", and a version other than 0 unless the recorder is backward compatible.
  bool isCompatibleProtocol() const;
  // The option of that type, or null.
  std::shared_ptr<const SyncOption> syncOptionByType(int type) const;
  template <typename T>
  std::shared_ptr<const T> syncOption(int type) const {
    return std::dynamic_pointer_cast<const T>(syncOptionByType(type));
  }
  const std::map<int, std::shared_ptr<const SyncOption>>& syncOptions() const { return syncOptions_; }
  // The 4 key bytes of option 4 as one 32-bit value in memory order (their
  // arrival order survives a copy back to bytes); 0 without option 4.
  uint32_t encryptionKey() const;

 private:
  SyncInfo() = default;
  void readOptions(Packet& packet);

  std::string protocolName_;
  int protocolVersion_ = 0;
  bool backwardCompatible_ = false;
  int currentEndian_ = 0;
  int supportingEndian_ = 0;
  std::map<int, std::shared_ptr<const SyncOption>> syncOptions_;
};

}  // namespace zelvo
