#pragma once
// One camera of a recorder as the live connection reports it. A plain value: the
// live client keeps the current table and replaces records whole.
//
// The properties "title", "status", "covertLevel", "ptzAvailability",
// "audioAvailability" and "color" can also be read and written by name; the live
// client's single-property updates go through those names.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "Network/Live/CameraColor.h"
#include "Network/Live/LiveEnumerations.h"

namespace zelvo {

// A property value by name: the title as text, status and covert level as
// numbers, the two availabilities as booleans, the colour as its 4-byte record.
using CameraInfoValue = std::variant<std::string, int32_t, bool, CameraColor>;

class CameraInfo {
 public:
  static constexpr int64_t TitleFieldSize = 32;

  CameraInfo() = default;

  // "CAM%d" with number + 1.
  static std::string defaultCameraTitle(int64_t number);

  // The default title when the camera is hidden (covert level 3) or its title is
  // only spaces and tabs; otherwise the title as it is, untrimmed.
  std::string titleWithDefaultValue() const;
  // No PTZ for an inactive or hidden camera, whatever the flag says.
  bool isPtzAvaliable() const;
  // Only a normal, non-covert camera is shown.
  bool isVisible() const;

  // By property name. An unknown name, or a value of the wrong kind for the
  // name, is a programming error.
  CameraInfoValue valueForKey(std::string_view key) const;
  void setValueForKey(std::string_view key, const CameraInfoValue& value);
  static bool isPropertyKey(std::string_view key);

  int64_t number() const { return number_; }
  void setNumber(int64_t number) { number_ = number; }
  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  int32_t status() const { return status_; }
  void setStatus(int32_t status) { status_ = status; }
  int32_t covertLevel() const { return covertLevel_; }
  void setCovertLevel(int32_t covertLevel) { covertLevel_ = covertLevel; }
  CameraColor color() const { return color_; }
  void setColor(CameraColor color) { color_ = color; }
  bool ptzAvailability() const { return ptzAvailability_; }
  void setPtzAvailability(bool available) { ptzAvailability_ = available; }
  bool audioAvailability() const { return audioAvailability_; }
  void setAudioAvailability(bool available) { audioAvailability_ = available; }

  friend bool operator==(const CameraInfo&, const CameraInfo&) = default;

 private:
  int64_t number_ = 0;
  std::string title_;
  int32_t status_ = 0;
  int32_t covertLevel_ = 0;
  CameraColor color_;
  bool ptzAvailability_ = false;
  bool audioAvailability_ = false;
};

// True when the text is empty or holds only spaces and tabs (other white space,
// such as line breaks, counts as text here).
bool isBlankTitle(std::string_view text);

}  // namespace zelvo
