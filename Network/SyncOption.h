#pragma once
// One typed entry of the recorder's sync reply. The option classes read their own
// value fields from the packet's cursor; the list goes on right after the bytes an
// option consumed (the entry's length field is not used to skip a known option).

#include <cstdint>

namespace zelvo {

class Packet;

class SyncOption {
 public:
  virtual ~SyncOption() = default;
  // Filled by the options of types 1 to 5; 0 for the others.
  int optionType() const { return optionType_; }
  int64_t optionLength() const { return optionLength_; }

 protected:
  SyncOption() = default;
  SyncOption(int type, int64_t length) : optionType_(type), optionLength_(length) {}

 private:
  int optionType_ = 0;
  int64_t optionLength_ = 0;
};

}  // namespace zelvo
