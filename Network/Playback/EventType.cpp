#include "Network/Playback/EventType.h"

namespace zelvo {

const char* eventTypeName(int type) {
  switch (type) {
    case EventTypeUnknown: return "Unknown";
    case EventTypeMotion: return "Motion";
    case EventTypeSensor: return "Sensor";
    case EventTypeVideoLoss: return "VideoLoss";
    case EventTypeTextIn: return "TextIn";
    case EventTypePanic: return "Panic";
    case EventTypeGSensor: return "GSensor";
  }
  return "";
}

}  // namespace zelvo
