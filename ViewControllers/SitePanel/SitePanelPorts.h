#pragma once
// What the site panel and the toolbar strip use of the world around them, so that their
// logic runs against fakes: the selected plane's live client, the wall's answers about
// the selected plane, the two panel pages the panel controller drives, and the preset
// label sheet. Main thread only.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Network/BitMask32.h"
#include "Network/Live/AlarmCommand.h"
#include "Network/Live/CameraInfo.h"
#include "ViewControllers/Store/SiteInfo.h"

namespace zelvo {

// One live recorder connection as the panel sees it. An implementation holds its
// connection weakly: once the connection is gone, isGone() is true, the tables read
// empty and the senders send nothing.
class PanelClientPort {
 public:
  virtual ~PanelClientPort() = default;

  // The same value for every port over the same connection (the connection's notification
  // object); the panel compares clients by it.
  virtual const void* identity() const = 0;
  virtual bool isGone() const = 0;

  virtual bool isConnected() const = 0;
  virtual bool isDisconnected() const = 0;
  bool isConnecting() const { return !isConnected() && !isDisconnected(); }

  // Channel counts of the recorder's system-information option; none before the sync
  // reply, or when the recorder sent no such option.
  struct ChannelCounts {
    int64_t cameras = 0;
    int64_t alarms = 0;
    int64_t sensors = 0;
  };
  virtual std::optional<ChannelCounts> channelCounts() const = 0;

  virtual std::vector<CameraInfo> cameraInfoArray() const = 0;
  virtual std::vector<AlarmCommand> alarmCommandArray() const = 0;
  virtual std::optional<BitMask32> eventMaskForEventInfoType(int type) const = 0;
  // None for a camera the table does not hold.
  virtual std::vector<std::string> PTZPresetLabelsForCamera(int64_t camera) const = 0;

  virtual void sendPTZCommand(int command, int64_t channel, int argument) = 0;
  virtual void sendPTZMovePresetCommandWithCamera(int64_t camera, int64_t presetID) = 0;
  virtual void sendPTZSavePresetCommandWithCamera(int64_t camera, int64_t presetID, const std::string& label) = 0;
  virtual void sendAlarmOutChannel(int64_t channel, bool on) = 0;
};

// The wall's answers about its selected plane (the table at the moment of the call), and
// the two commands the strip gives it.
class PanelWallPort {
 public:
  virtual ~PanelWallPort() = default;

  // Objects of the notifications the panel and the strip observe: the wall controller's
  // state changes and the view's selection changes.
  virtual const void* controllerNotificationObject() const = 0;
  virtual const void* viewNotificationObject() const = 0;

  virtual std::shared_ptr<PanelClientPort> networkClientForSelectedPlane() const = 0;
  virtual std::shared_ptr<SiteInfo> siteInfoForSelectedPlane() const = 0;
  // -1 when the selected plane is unbound.
  virtual int64_t cameraForSelectedPlane() const = 0;
  virtual std::vector<std::shared_ptr<SiteInfo>> allSiteInfosForSelectedPlane() const = 0;

  virtual void closeSelectedPlane() = 0;
  virtual void reconnectSelectedPlane() = 0;
  // Why the selected plane's recorder refused the last login ("Invalid password"...),
  // while that refusal stands; none otherwise.
  virtual std::optional<std::string> loginRefusalForSelectedPlane() const { return std::nullopt; }
};

// The site-status page as the panel drives it.
class DVRInfoViewPort {
 public:
  virtual ~DVRInfoViewPort() = default;
  virtual void showSiteStatus(const std::shared_ptr<SiteInfo>& site) = 0;
  virtual void updateCameraCount(int32_t cameraCount, int32_t sensorCount, int32_t alarmCount) = 0;
  // None: no camera table.
  virtual void updateCameraInfoArray(const std::optional<std::vector<CameraInfo>>& cameras) = 0;
  virtual void updateMotionMask(BitMask32 mask) = 0;
  virtual void updateSensorMask(BitMask32 mask) = 0;
  virtual void updateAlarmInfo(const std::optional<std::vector<AlarmCommand>>& alarms) = 0;
  virtual void enableAlarmButton(bool enable) = 0;
};

// The PTZ page as the panel drives it.
class ControlViewPort {
 public:
  virtual ~ControlViewPort() = default;
  virtual int64_t selectedCamera() const = 0;
  virtual void setSelectedCamera(int64_t camera) = 0;
  virtual void showSiteStatus(const std::shared_ptr<SiteInfo>& site, const std::optional<QString>& title) = 0;
  virtual void enablePTZButton(bool enable) = 0;
  virtual void updatePresetLabelArray(const std::vector<QString>& labels) = 0;
  virtual void updatePresetLabel(const QString& label, int64_t tag) = 0;
};

// The sheet that names a preset: shown for preset number `number` (index + 1) with the
// current label; `done` runs once when it ends, with the confirmed label or none when
// it was cancelled or closed.
class PresetLabelSheetPort {
 public:
  virtual ~PresetLabelSheetPort() = default;
  virtual void openPresetLabelSheet(int number, const QString& label,
                                    std::function<void(std::optional<QString> confirmed)> done) = 0;
};

}  // namespace zelvo
