#include "Network/Live/CameraInfoList.h"

#include "Foundation/Assert.h"
#include "Network/ByteBuffer.h"

namespace zelvo {

CameraInfoList::CameraInfoList(ByteBuffer& buffer) {
  int64_t start = buffer.position();
  int64_t count = buffer.popUint8();
  if (buffer.remaining() < count * BytesPerCamera) {
    buffer.seek(start);
    throw ReadError("camera table shorter than its count");
  }
  cameraCount_ = count;
  titles_.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) titles_.push_back(buffer.popStringFixedSize(CameraInfo::TitleFieldSize));
  readBytes(count, buffer, statuses_);
  readBytes(count, buffer, covertLevels_);
  readBytes(count, buffer, ptzFlags_);
  readBytes(count, buffer, audioFlags_);
  colors_.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    CameraColor color;
    color.brightness = buffer.popInt8();
    color.contrast = buffer.popInt8();
    color.hue = buffer.popInt8();
    color.saturation = buffer.popInt8();
    colors_.push_back(color);
  }
}

void CameraInfoList::readBytes(int64_t count, ByteBuffer& buffer, std::vector<int32_t>& values) {
  values.reserve(values.size() + static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) values.push_back(buffer.popUint8());
}

void CameraInfoList::checkIndex(int64_t index) const { ZELVO_PRECONDITION(0 <= index && index < cameraCount_); }

const std::string& CameraInfoList::cameraTitle(int64_t index) const {
  checkIndex(index);
  return titles_[static_cast<size_t>(index)];
}

int32_t CameraInfoList::cameraStatus(int64_t index) const {
  checkIndex(index);
  return statuses_[static_cast<size_t>(index)];
}

int32_t CameraInfoList::cameraCovertLevel(int64_t index) const {
  checkIndex(index);
  return covertLevels_[static_cast<size_t>(index)];
}

CameraColor CameraInfoList::cameraColor(int64_t index) const {
  checkIndex(index);
  return colors_[static_cast<size_t>(index)];
}

bool CameraInfoList::isPTZAvailable(int64_t index) const {
  checkIndex(index);
  return ptzFlags_[static_cast<size_t>(index)] != 0;
}

bool CameraInfoList::isAudioAvailable(int64_t index) const {
  checkIndex(index);
  return audioFlags_[static_cast<size_t>(index)] != 0;
}

std::vector<CameraInfo> CameraInfoList::convertAsMutableArray() const {
  std::vector<CameraInfo> cameras;
  cameras.reserve(static_cast<size_t>(cameraCount_));
  for (int64_t i = 0; i < cameraCount_; ++i) {
    CameraInfo camera;
    camera.setNumber(i);
    camera.setTitle(cameraTitle(i));
    camera.setStatus(cameraStatus(i));
    camera.setCovertLevel(cameraCovertLevel(i));
    camera.setColor(cameraColor(i));
    camera.setPtzAvailability(isPTZAvailable(i));
    camera.setAudioAvailability(isAudioAvailable(i));
    cameras.push_back(std::move(camera));
  }
  return cameras;
}

}  // namespace zelvo
