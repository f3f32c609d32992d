#pragma once
// The enumerations that travel in live status messages, with the values they have
// on the wire and in the records.

#include <cstdint>

namespace zelvo {

enum CameraStatus : int32_t {
  CameraStatusNormal = 1,     // the camera delivers video
  CameraStatusInactive = 2,   // shown "Inactive"
  CameraStatusVideoLoss = 3,  // shown "Video Loss"
};

enum CameraCovertLevel : int32_t {
  CameraCovertLevelNone = 1,    // not covert
  CameraCovertLevelCovert = 2,  // covert
  CameraCovertLevelHidden = 3,  // covert, title hidden and PTZ withheld
};

enum CameraInfoType : int32_t {
  CameraInfoTypeAll = 1,  // the whole camera table
  CameraInfoTypeTitle = 2,
  CameraInfoTypeStatus = 3,
  CameraInfoTypeCovertLevel = 4,
  CameraInfoTypePtzAvailability = 5,
  CameraInfoTypeAudioAvailability = 6,
  CameraInfoTypeColor = 7,
};

enum EventInfoType : int32_t {
  EventInfoTypeAll = 1,  // every kind in one message (message form only)
  EventInfoTypeMotion = 2,
  EventInfoTypeSensor = 3,
  EventInfoTypeTextIn = 4,
  EventInfoTypeSystem = 5,
};

// A single enumerated byte read from a message: values 1..last stand, anything
// else becomes 0. (Values inside a whole camera table are stored as received.)
constexpr int32_t enumeratedByte(uint8_t byte, int32_t last) { return byte >= 1 && byte <= last ? byte : 0; }

}  // namespace zelvo
