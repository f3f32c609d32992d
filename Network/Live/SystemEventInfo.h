#pragma once
// The recorder's eight health flags, one byte each on the wire, in this order.

#include <cstdint>

namespace zelvo {

class ByteBuffer;

class SystemEventInfo {
 public:
  static constexpr int64_t Size = 8;

  SystemEventInfo() = default;
  // Reads the 8 bytes at the cursor; fewer remaining throws ReadError with the
  // cursor unmoved.
  explicit SystemEventInfo(ByteBuffer& buffer);

  bool smartBad() const { return smartBad_; }
  bool smartTemperature() const { return smartTemperature_; }
  bool diskBad() const { return diskBad_; }
  bool recordBad() const { return recordBad_; }
  bool recordDiskFull() const { return recordDiskFull_; }
  bool archiveDiskFull() const { return archiveDiskFull_; }
  bool gravity() const { return gravity_; }
  bool fanFailure() const { return fanFailure_; }

  friend bool operator==(const SystemEventInfo&, const SystemEventInfo&) = default;

 private:
  bool smartBad_ = false;
  bool smartTemperature_ = false;
  bool diskBad_ = false;
  bool recordBad_ = false;
  bool recordDiskFull_ = false;
  bool archiveDiskFull_ = false;
  bool gravity_ = false;
  bool fanFailure_ = false;
};

}  // namespace zelvo
