#pragma once
// The parser of a whole camera table (N cameras, column by column, 1 + 40N bytes),
// read once from a received packet and read-only after that.

#include <cstdint>
#include <string>
#include <vector>

#include "Network/Live/CameraInfo.h"

namespace zelvo {

class ByteBuffer;

class CameraInfoList {
 public:
  static constexpr int64_t BytesPerCamera = CameraInfo::TitleFieldSize + 8;

  // Reads the table at the cursor. A table that does not fit in what remains
  // throws ReadError with the cursor unmoved. Status and covert level are kept
  // as received: a table is not mapped into the enumerations' ranges.
  explicit CameraInfoList(ByteBuffer& buffer);

  int64_t cameraCount() const { return cameraCount_; }
  // index from 0 to cameraCount - 1 (precondition)
  const std::string& cameraTitle(int64_t index) const;
  int32_t cameraStatus(int64_t index) const;
  int32_t cameraCovertLevel(int64_t index) const;
  CameraColor cameraColor(int64_t index) const;
  bool isPTZAvailable(int64_t index) const;
  bool isAudioAvailable(int64_t index) const;

  // One record per camera, the i-th with number i.
  std::vector<CameraInfo> convertAsMutableArray() const;

 private:
  // Appends count u8 values.
  static void readBytes(int64_t count, ByteBuffer& buffer, std::vector<int32_t>& values);
  void checkIndex(int64_t index) const;

  int64_t cameraCount_ = 0;
  std::vector<std::string> titles_;
  std::vector<int32_t> statuses_;
  std::vector<int32_t> covertLevels_;
  std::vector<int32_t> ptzFlags_;
  std::vector<int32_t> audioFlags_;
  std::vector<CameraColor> colors_;
};

}  // namespace zelvo
