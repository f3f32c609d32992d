#include "ViewControllers/SitePanel/LiveClientPanelPort.h"

#include "Network/SyncOptionType.h"
#include "Network/SystemInfoSyncOption.h"

namespace zelvo {

namespace {
}

LiveClientPanelPort::LiveClientPanelPort(const std::shared_ptr<LiveClient>& client)
    : client_(client), identity_(static_cast<const NetworkClient*>(client.get())) {}

bool LiveClientPanelPort::isConnected() const {
  const std::shared_ptr<LiveClient> client = client_.lock();
  return client && client->isConnected();
}

bool LiveClientPanelPort::isDisconnected() const {
  const std::shared_ptr<LiveClient> client = client_.lock();
  return !client || client->isDisconnected();
}

std::optional<PanelClientPort::ChannelCounts> LiveClientPanelPort::channelCounts() const {
  const std::shared_ptr<LiveClient> client = client_.lock();
  if (!client) return std::nullopt;
  const std::shared_ptr<const SyncInfo> info = client->peerInfo();
  if (!info) return std::nullopt;
  const auto option = info->syncOption<SystemInfoSyncOption>(SyncOptionTypeSystemInfo);
  if (!option) return std::nullopt;
  return ChannelCounts{option->videoInCount(), option->alarmCount(), option->sensorCount()};
}

std::vector<CameraInfo> LiveClientPanelPort::cameraInfoArray() const {
  const std::shared_ptr<LiveClient> client = client_.lock();
  return client ? *client->cameraInfoArray() : std::vector<CameraInfo>();
}

std::vector<AlarmCommand> LiveClientPanelPort::alarmCommandArray() const {
  const std::shared_ptr<LiveClient> client = client_.lock();
  return client ? *client->alarmCommandArray() : std::vector<AlarmCommand>();
}

std::optional<BitMask32> LiveClientPanelPort::eventMaskForEventInfoType(int type) const {
  const std::shared_ptr<LiveClient> client = client_.lock();
  return client ? client->eventMaskForEventInfoType(type) : std::nullopt;
}

std::vector<std::string> LiveClientPanelPort::PTZPresetLabelsForCamera(int64_t camera) const {
  const std::shared_ptr<LiveClient> client = client_.lock();
  return client ? client->PTZPresetLabelsForCamera(camera) : std::vector<std::string>();
}

void LiveClientPanelPort::sendPTZCommand(int command, int64_t channel, int argument) {
  if (const std::shared_ptr<LiveClient> client = client_.lock()) client->sendPTZCommand(command, channel, argument);
}

void LiveClientPanelPort::sendPTZMovePresetCommandWithCamera(int64_t camera, int64_t presetID) {
  if (const std::shared_ptr<LiveClient> client = client_.lock())
    client->sendPTZMovePresetCommandWithCamera(camera, presetID);
}

void LiveClientPanelPort::sendPTZSavePresetCommandWithCamera(int64_t camera, int64_t presetID,
                                                             const std::string& label) {
  if (const std::shared_ptr<LiveClient> client = client_.lock())
    client->sendPTZSavePresetCommandWithCamera(camera, presetID, label);
}

void LiveClientPanelPort::sendAlarmOutChannel(int64_t channel, bool on) {
  if (const std::shared_ptr<LiveClient> client = client_.lock()) client->sendAlarmOutChannel(channel, on);
}

}  // namespace zelvo
