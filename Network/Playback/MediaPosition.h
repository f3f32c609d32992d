#pragma once
// A place in the recorder's storage, opaque to the client: where a frame or an
// event lies, and where to stop or jump to. 12 bytes on the wire, read and written.

#include <cstdint>
#include <string>

#include "Network/ISerializable.h"

namespace zelvo {

class MediaPosition : public ISerializable {
 public:
  static constexpr int64_t WireSize = 12;

  MediaPosition() = default;
  MediaPosition(uint32_t storageID, uint32_t pageNumber, uint32_t pageOffset)
      : storageID_(storageID), pageNumber_(pageNumber), pageOffset_(pageOffset) {}

  uint32_t storageID() const { return storageID_; }
  uint32_t pageNumber() const { return pageNumber_; }
  uint32_t pageOffset() const { return pageOffset_; }
  void setStorageID(uint32_t value) { storageID_ = value; }
  void setPageNumber(uint32_t value) { pageNumber_ = value; }
  void setPageOffset(uint32_t value) { pageOffset_ = value; }

  // Reads all three fields or, when the bytes run out, none (ReadError).
  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;
  std::string description() const;  // "(storageID, pageNumber, pageOffset)"

  friend bool operator==(const MediaPosition& a, const MediaPosition& b) {
    return a.storageID_ == b.storageID_ && a.pageNumber_ == b.pageNumber_ && a.pageOffset_ == b.pageOffset_;
  }

 private:
  uint32_t storageID_ = 0;
  uint32_t pageNumber_ = 0;
  uint32_t pageOffset_ = 0;
};

}  // namespace zelvo
