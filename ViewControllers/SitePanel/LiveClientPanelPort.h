#pragma once
// A real LiveClient as the site panel and the toolbar strip see it, held weakly: once the
// wall has let the client go, the port reads empty tables and sends nothing.

#include <memory>

#include "Network/Live/LiveClient.h"
#include "ViewControllers/SitePanel/SitePanelPorts.h"

namespace zelvo {

class LiveClientPanelPort : public PanelClientPort {
 public:
  explicit LiveClientPanelPort(const std::shared_ptr<LiveClient>& client);

  const void* identity() const override { return identity_; }
  bool isGone() const override { return client_.expired(); }
  bool isConnected() const override;
  bool isDisconnected() const override;
  std::optional<ChannelCounts> channelCounts() const override;
  std::vector<CameraInfo> cameraInfoArray() const override;
  std::vector<AlarmCommand> alarmCommandArray() const override;
  std::optional<BitMask32> eventMaskForEventInfoType(int type) const override;
  std::vector<std::string> PTZPresetLabelsForCamera(int64_t camera) const override;
  void sendPTZCommand(int command, int64_t channel, int argument) override;
  void sendPTZMovePresetCommandWithCamera(int64_t camera, int64_t presetID) override;
  void sendPTZSavePresetCommandWithCamera(int64_t camera, int64_t presetID, const std::string& label) override;
  void sendAlarmOutChannel(int64_t channel, bool on) override;

 private:
  const std::weak_ptr<LiveClient> client_;
  // The client's notification object, kept to compare with after the client has gone.
  const void* const identity_;
};

}  // namespace zelvo
