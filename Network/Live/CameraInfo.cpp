#include "Network/Live/CameraInfo.h"

#include <cinttypes>
#include <cstdio>

#include "Foundation/Assert.h"

namespace zelvo {

bool isBlankTitle(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

std::string CameraInfo::defaultCameraTitle(int64_t number) {
  char text[32];
  std::snprintf(text, sizeof text, "CAM%" PRId64, number + 1);
  return text;
}

std::string CameraInfo::titleWithDefaultValue() const {
  if (covertLevel_ == CameraCovertLevelHidden || isBlankTitle(title_)) return defaultCameraTitle(number_);
  return title_;
}

bool CameraInfo::isPtzAvaliable() const {
  if (status_ == CameraStatusInactive || covertLevel_ == CameraCovertLevelHidden) return false;
  return ptzAvailability_;
}

bool CameraInfo::isVisible() const { return status_ == CameraStatusNormal && covertLevel_ == CameraCovertLevelNone; }

bool CameraInfo::isPropertyKey(std::string_view key) {
  return key == "title" || key == "status" || key == "covertLevel" || key == "ptzAvailability" ||
         key == "audioAvailability" || key == "color";
}

CameraInfoValue CameraInfo::valueForKey(std::string_view key) const {
  if (key == "title") return title_;
  if (key == "status") return status_;
  if (key == "covertLevel") return covertLevel_;
  if (key == "ptzAvailability") return ptzAvailability_;
  if (key == "audioAvailability") return audioAvailability_;
  ZELVO_PRECONDITION(key == "color");
  return color_;
}

void CameraInfo::setValueForKey(std::string_view key, const CameraInfoValue& value) {
  if (key == "title") {
    ZELVO_PRECONDITION(std::holds_alternative<std::string>(value));
    title_ = std::get<std::string>(value);
  } else if (key == "status") {
    ZELVO_PRECONDITION(std::holds_alternative<int32_t>(value));
    status_ = std::get<int32_t>(value);
  } else if (key == "covertLevel") {
    ZELVO_PRECONDITION(std::holds_alternative<int32_t>(value));
    covertLevel_ = std::get<int32_t>(value);
  } else if (key == "ptzAvailability") {
    ZELVO_PRECONDITION(std::holds_alternative<bool>(value));
    ptzAvailability_ = std::get<bool>(value);
  } else if (key == "audioAvailability") {
    ZELVO_PRECONDITION(std::holds_alternative<bool>(value));
    audioAvailability_ = std::get<bool>(value);
  } else {
    ZELVO_PRECONDITION(key == "color");
    ZELVO_PRECONDITION(std::holds_alternative<CameraColor>(value));
    color_ = std::get<CameraColor>(value);
  }
}

}  // namespace zelvo
