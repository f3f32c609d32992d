#include "ViewControllers/SitePanel/SitePanelCore.h"

#include <array>

#include "Foundation/Log.h"

namespace zelvo {

namespace {

// Event kinds whose masks the status page shows.
constexpr int MotionEventType = 2;
constexpr int SensorEventType = 3;

int32_t count32(const std::optional<qint64>& count) { return count ? static_cast<int32_t>(*count) : 0; }

}  // namespace

SitePanelCore::SitePanelCore(PanelWallPort& wall, DVRInfoViewPort& dvrView, ControlViewPort& controlView,
                             PresetLabelSheetPort& presetLabelWindow, TimerFactory& timers)
    : wall_(wall),
      dvrView_(dvrView),
      controlView_(controlView),
      presetLabelWindow_(presetLabelWindow),
      timers_(timers) {}

SitePanelCore::~SitePanelCore() { *alive_ = false; }

std::optional<int> SitePanelCore::PTZCommandForTag(int64_t tag) {
  // The recorder's motion for each command number is not documented to us; this is the
  // one place to change if a recorder turns out to move otherwise.
  static constexpr std::array<int, PTZButtonCount> commands = {3, 4, 1, 6, 0, 5, 2, 7, 8, 9, 10, 11};
  if (tag < 0 || tag >= PTZButtonCount) return std::nullopt;
  return commands[static_cast<size_t>(tag)];
}

QString SitePanelCore::stringByCameraInfo(const std::optional<CameraInfo>& info) {
  if (!info || info->status() < 1 || info->status() > 3) return QString();
  return QString::fromStdString(info->titleWithDefaultValue());
}

bool SitePanelCore::isPTZCamera(const std::optional<CameraInfo>& info) { return info && info->isPtzAvaliable(); }

std::optional<CameraInfo> SitePanelCore::cameraInfo(const PanelClientPort& client, int64_t camera) const {
  const std::vector<CameraInfo> cameras = client.cameraInfoArray();
  if (camera < 0 || camera >= static_cast<int64_t>(cameras.size())) return std::nullopt;
  return cameras[static_cast<size_t>(camera)];
}

void SitePanelCore::videoViewSelectedNetworkClientStateChanged(int state) {
  const std::shared_ptr<PanelClientPort> client = wall_.networkClientForSelectedPlane();
  if (!client) {
    clearSiteStatus();
    clearPanelViews();
    return;
  }
  switch (state) {
    case 0:
      dvrView_.updateCameraInfoArray(client->cameraInfoArray());
      updatePanelViews(*client);
      updateCameraInfo(*client);
      updateAlarmInfo(*client);
      break;
    case 1:
      clearSiteStatus();
      clearPanelViews();
      break;
    case 2:
      updatePanelViews(*client);
      break;
    case 3:
      updatePanelViews(*client);
      updateAlarmInfo(*client);
      break;
    case 4:
      updatePanelViews(*client);
      clearPanelViews();
      break;
    case 5:
      dvrView_.updateCameraInfoArray(client->cameraInfoArray());
      updatePanelViews(*client);
      break;
    case 6:
      updateAlarmInfo(*client);
      break;
    case 7:
      updateEventInfo(*client);
      break;
    case 10:
      updatePresetLabels(*client);
      break;
    default:  // 8 system event, 9 video frame, and codes the wall does not post
      break;
  }
}

void SitePanelCore::videoViewSelectedPlaneChanged() {
  // Whatever was moving belongs to the plane that was selected.
  stopContinuedPTZ();
  const std::shared_ptr<PanelClientPort> client = wall_.networkClientForSelectedPlane();
  if (!client) {
    clearSiteStatus();
    clearPanelViews();
  } else if (client->isDisconnected()) {
    updatePanelViews(*client);
    clearPanelViews();
  } else {
    updatePanelViews(*client);
    updatePresetLabels(*client);
    updateCameraInfo(*client);
    updateEventInfo(*client);
    updateAlarmInfo(*client);
  }
}

void SitePanelCore::windowDidResignActive() { stopContinuedPTZ(); }

void SitePanelCore::updatePanelViews(PanelClientPort& client) {
  const std::optional<PanelClientPort::ChannelCounts> counts = client.channelCounts();
  const std::shared_ptr<SiteInfo> site = wall_.siteInfoForSelectedPlane();
  const int64_t camera = wall_.cameraForSelectedPlane();
  const std::optional<CameraInfo> info = cameraInfo(client, camera);
  const QString title = info ? stringByCameraInfo(info) : QString::number(camera + 1);
  if (site) {
    site->setCameraCount(counts ? counts->cameras : 0);
    site->setAlarmCount(counts ? counts->alarms : 0);
    site->setSensorCount(counts ? counts->sensors : 0);
  }
  controlView_.setSelectedCamera(camera);
  controlView_.showSiteStatus(site, title);
  dvrView_.showSiteStatus(site);
  if (site)
    dvrView_.updateCameraCount(count32(site->cameraCount()), count32(site->sensorCount()), count32(site->alarmCount()));
  else
    dvrView_.updateCameraCount(0, 0, 0);
  if (isPTZCamera(info))
    controlView_.enablePTZButton(true);
  else
    disablePTZ();
}

void SitePanelCore::updateCameraInfo(PanelClientPort& client) {
  dvrView_.updateCameraInfoArray(client.cameraInfoArray());
}

void SitePanelCore::updateAlarmInfo(PanelClientPort& client) {
  dvrView_.enableAlarmButton(true);
  dvrView_.updateAlarmInfo(client.alarmCommandArray());
}

void SitePanelCore::updateEventInfo(PanelClientPort& client) {
  dvrView_.updateMotionMask(client.eventMaskForEventInfoType(MotionEventType).value_or(BitMask32()));
  dvrView_.updateSensorMask(client.eventMaskForEventInfoType(SensorEventType).value_or(BitMask32()));
}

void SitePanelCore::updatePresetLabels(PanelClientPort& client) {
  const int64_t camera = wall_.cameraForSelectedPlane();
  // A camera without PTZ shows no labels, not those of the camera shown before it.
  if (!isPTZCamera(cameraInfo(client, camera))) {
    controlView_.updatePresetLabelArray({});
    return;
  }
  std::vector<QString> labels;
  for (const std::string& label : client.PTZPresetLabelsForCamera(camera))
    labels.push_back(QString::fromStdString(label));
  controlView_.updatePresetLabelArray(labels);
}

void SitePanelCore::clearSiteStatus() {
  dvrView_.showSiteStatus(nullptr);
  controlView_.showSiteStatus(nullptr, std::nullopt);
}

void SitePanelCore::clearPanelViews() {
  dvrView_.updateCameraCount(0, 0, 0);
  dvrView_.updateCameraInfoArray(std::nullopt);
  dvrView_.enableAlarmButton(false);
  disablePTZ();
}

void SitePanelCore::disablePTZ() {
  // A disabled button never sees its release: end the hold first.
  stopContinuedPTZ();
  controlView_.enablePTZButton(false);
}

void SitePanelCore::PTZButtonPressed(int64_t tag) {
  stopContinuedPTZ();
  heldTag_ = tag;
  repeat_ = timers_.scheduleRepeating(PTZRepeatInterval, [this, tag] { handlePTZCommand(tag, 0); });
}

void SitePanelCore::PTZButtonReleased(int64_t tag) {
  if (!heldTag_ || *heldTag_ != tag) return;  // the hold was cut short: its stop has gone
  repeat_.reset();
  heldTag_.reset();
  handlePTZCommand(tag, 1);
}

void SitePanelCore::handlePTZCommand(int64_t tag, int state) {
  const std::optional<int> command = PTZCommandForTag(tag);
  if (!command) {
    zelvoLog("PTZ button with tag %lld has no command", static_cast<long long>(tag));
    return;
  }
  if (state == 0) {
    if (continued_) return;
    continued_ = true;
    std::shared_ptr<PanelClientPort> client = wall_.networkClientForSelectedPlane();
    if (!client) return;
    const int64_t camera = controlView_.selectedCamera();
    client->sendPTZCommand(*command, camera, PTZArgumentStart);
    target_ = PTZTarget{std::move(client), camera, *command};
    return;
  }
  if (continued_) {
    stopContinuedPTZ();
    return;
  }
  if (std::shared_ptr<PanelClientPort> client = wall_.networkClientForSelectedPlane())
    client->sendPTZCommand(*command, controlView_.selectedCamera(), PTZArgumentStep);
}

void SitePanelCore::stopContinuedPTZ() {
  repeat_.reset();
  heldTag_.reset();
  if (!continued_) return;
  continued_ = false;
  std::optional<PTZTarget> target = std::move(target_);
  target_.reset();
  if (target && !target->client->isGone())
    target->client->sendPTZCommand(target->command, target->camera, PTZArgumentStop);
}

void SitePanelCore::handleSetPreset(int64_t tag, const QString& currentLabel) {
  // The sheet runs while the wall goes on: what it saves is for the client and camera
  // shown when it opened, and only while the selected plane still shows them.
  std::shared_ptr<PanelClientPort> client = wall_.networkClientForSelectedPlane();
  const int64_t camera = controlView_.selectedCamera();
  std::weak_ptr<bool> alive = alive_;
  presetLabelWindow_.openPresetLabelSheet(
      static_cast<int>(tag + 1), currentLabel, [this, alive, client, camera, tag](std::optional<QString> confirmed) {
        if (alive.expired() || !confirmed) return;
        const std::shared_ptr<PanelClientPort> current = wall_.networkClientForSelectedPlane();
        const bool stillShown = client && !client->isGone() && current && current->identity() == client->identity() &&
                                wall_.cameraForSelectedPlane() == camera && controlView_.selectedCamera() == camera;
        if (!stillShown) {
          zelvoLog("Preset %lld of camera %lld not saved: the selected plane no longer shows that camera",
                   static_cast<long long>(tag + 1), static_cast<long long>(camera + 1));
          return;
        }
        controlView_.updatePresetLabel(*confirmed, tag);
        client->sendPTZSavePresetCommandWithCamera(camera, tag, confirmed->toStdString());
      });
}

void SitePanelCore::handleMoveToPreset(int64_t tag) {
  if (std::shared_ptr<PanelClientPort> client = wall_.networkClientForSelectedPlane())
    client->sendPTZMovePresetCommandWithCamera(controlView_.selectedCamera(), tag);
}

void SitePanelCore::changeAlarmState(int64_t tag, bool on) {
  zelvoLog("Alarm ID %lld, State %s", static_cast<long long>(tag), on ? "YES" : "NO");
  if (std::shared_ptr<PanelClientPort> client = wall_.networkClientForSelectedPlane())
    client->sendAlarmOutChannel(tag, on);
}

}  // namespace zelvo
