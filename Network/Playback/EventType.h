#pragma once
// The kinds of recorded event. Each is a single bit, so that a set of kinds is an
// EventMask.

namespace zelvo {

enum EventType : int {
  EventTypeUnknown = 0,
  EventTypeMotion = 1,
  EventTypeSensor = 2,
  EventTypeVideoLoss = 4,
  EventTypeTextIn = 8,
  EventTypePanic = 16,
  EventTypeGSensor = 32,
};

// "Motion", "Sensor" ...; the empty string for a value that is no kind.
const char* eventTypeName(int type);

}  // namespace zelvo
