#pragma once
// The optional receiver of a live client's tables and streaming answers, called on
// the network thread before the matching notification. Set it as the client's
// delegate; the user interface sets none and relies on the notifications.

#include <cstdint>
#include <string>
#include <vector>

#include "Network/Live/AlarmCommand.h"
#include "Network/Live/CameraInfo.h"
#include "Network/Live/EventInfo.h"
#include "Network/Live/SystemEventInfo.h"
#include "Network/NetworkClientDelegate.h"

namespace zelvo {

class LiveClientDelegate : public NetworkClientDelegate {
 public:
  virtual void receivedCameraInfoArray(const std::vector<CameraInfo>& /*array*/) {}
  virtual void eventReceived(const EventInfo& /*info*/, int /*type*/) {}
  virtual void systemEventReceived(const SystemEventInfo& /*info*/) {}
  // Called before the list replaces the client's own.
  virtual void receivedAlarmCommandArray(const std::vector<AlarmCommand>& /*array*/) {}
  virtual void channel(int64_t /*channel*/, const AlarmCommand& /*updatedAlarmCommand*/) {}
  virtual void camera(int64_t /*camera*/, int64_t /*streamingReadyWithPort*/, const std::string& /*andPlaylist*/) {}
  virtual void streamingFailed() {}
};

}  // namespace zelvo
