#pragma once
// Test support for the site panel and the toolbar strip: a live client that records what
// it is asked to send, a wall whose selected plane the test sets, the two panel pages
// recording the calls the panel makes of them, and a preset sheet the test ends by hand.

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ViewControllers/SitePanel/SitePanelPorts.h"

namespace zelvo::test {

class FakePanelClient : public PanelClientPort {
 public:
  struct Sent {
    std::string what;  // "ptz", "move", "save", "alarm"
    int64_t a = 0, b = 0, c = 0;
    std::string label;
    friend bool operator==(const Sent&, const Sent&) = default;
  };
  static Sent ptz(int command, int64_t channel, int argument) { return {"ptz", command, channel, argument, {}}; }
  static Sent move(int64_t camera, int64_t preset) { return {"move", camera, preset, 0, {}}; }
  static Sent save(int64_t camera, int64_t preset, std::string label) {
    return {"save", camera, preset, 0, std::move(label)};
  }
  static Sent alarm(int64_t channel, bool on) { return {"alarm", channel, on ? 1 : 0, 0, {}}; }

  const void* identity() const override { return this; }
  bool isGone() const override { return gone; }
  bool isConnected() const override { return connected; }
  bool isDisconnected() const override { return disconnected; }
  std::optional<ChannelCounts> channelCounts() const override { return counts; }
  std::vector<CameraInfo> cameraInfoArray() const override { return cameras; }
  std::vector<AlarmCommand> alarmCommandArray() const override { return alarms; }
  std::optional<BitMask32> eventMaskForEventInfoType(int type) const override {
    if (type == 2) return motion;
    if (type == 3) return sensor;
    return std::nullopt;
  }
  std::vector<std::string> PTZPresetLabelsForCamera(int64_t camera) const override {
    return camera >= 0 && camera < static_cast<int64_t>(labels.size()) ? labels[static_cast<size_t>(camera)]
                                                                       : std::vector<std::string>();
  }
  void sendPTZCommand(int command, int64_t channel, int argument) override {
    sent.push_back(ptz(command, channel, argument));
  }
  void sendPTZMovePresetCommandWithCamera(int64_t camera, int64_t presetID) override {
    sent.push_back(move(camera, presetID));
  }
  void sendPTZSavePresetCommandWithCamera(int64_t camera, int64_t presetID, const std::string& label) override {
    sent.push_back(save(camera, presetID, label));
  }
  void sendAlarmOutChannel(int64_t channel, bool on) override { sent.push_back(alarm(channel, on)); }

  bool gone = false;
  bool connected = true;
  bool disconnected = false;
  std::optional<ChannelCounts> counts = ChannelCounts{4, 2, 3};
  std::vector<CameraInfo> cameras;
  std::vector<AlarmCommand> alarms;
  std::optional<BitMask32> motion, sensor;
  std::vector<std::vector<std::string>> labels;
  std::vector<Sent> sent;
};

// A camera record with the given state.
inline CameraInfo camera(int64_t number, std::string title, int status = 1, int covertLevel = 1, bool ptz = true) {
  CameraInfo info;
  info.setNumber(number);
  info.setTitle(std::move(title));
  info.setStatus(status);
  info.setCovertLevel(covertLevel);
  info.setPtzAvailability(ptz);
  return info;
}

inline std::shared_ptr<SiteInfo> site(const QString& name,
                                      const std::optional<QString>& user = QStringLiteral("admin")) {
  auto info = SiteInfo::create();
  info->setName(name);
  info->setAddress(QStringLiteral("192.0.2.7"));
  info->setUser(user);
  return info;
}

class FakePanelWall : public PanelWallPort {
 public:
  const void* controllerNotificationObject() const override { return &controllerObject; }
  const void* viewNotificationObject() const override { return &viewObject; }
  std::shared_ptr<PanelClientPort> networkClientForSelectedPlane() const override { return client; }
  std::shared_ptr<SiteInfo> siteInfoForSelectedPlane() const override { return sites.empty() ? nullptr : sites.back(); }
  int64_t cameraForSelectedPlane() const override { return client ? cameraIndex : -1; }
  std::vector<std::shared_ptr<SiteInfo>> allSiteInfosForSelectedPlane() const override {
    return attachmentsOverride ? *attachmentsOverride : sites;
  }
  void closeSelectedPlane() override { ++closes; }
  void reconnectSelectedPlane() override { ++reconnects; }
  std::optional<std::string> loginRefusalForSelectedPlane() const override { return loginRefusal; }

  // Binds the selected plane to camera of client, which serves the sites.
  void select(std::shared_ptr<PanelClientPort> c, int64_t cam, std::vector<std::shared_ptr<SiteInfo>> s) {
    client = std::move(c);
    cameraIndex = cam;
    sites = std::move(s);
  }
  void unbind() { select(nullptr, -1, {}); }

  int controllerObject = 0, viewObject = 0;
  std::shared_ptr<PanelClientPort> client;
  int64_t cameraIndex = -1;
  std::vector<std::shared_ptr<SiteInfo>> sites;
  // When set, the attachment list disagrees with the last site (a client left with none).
  std::optional<std::vector<std::shared_ptr<SiteInfo>>> attachmentsOverride;
  int closes = 0, reconnects = 0;
  std::optional<std::string> loginRefusal;
};

// Records each call as one line.
class FakeDVRInfoView : public DVRInfoViewPort {
 public:
  void showSiteStatus(const std::shared_ptr<SiteInfo>& s) override {
    calls.push_back("dvr.showSiteStatus(" + (s ? s->name().value_or(QString()).toStdString() : std::string("none")) +
                    ")");
  }
  void updateCameraCount(int32_t cameraCount, int32_t sensorCount, int32_t alarmCount) override {
    calls.push_back("dvr.updateCameraCount(" + std::to_string(cameraCount) + "," + std::to_string(sensorCount) + "," +
                    std::to_string(alarmCount) + ")");
  }
  void updateCameraInfoArray(const std::optional<std::vector<CameraInfo>>& cameras) override {
    calls.push_back("dvr.updateCameraInfoArray(" + (cameras ? std::to_string(cameras->size()) : std::string("none")) +
                    ")");
  }
  void updateMotionMask(BitMask32 mask) override {
    calls.push_back("dvr.updateMotionMask(" + std::to_string(mask.asUint32()) + ")");
  }
  void updateSensorMask(BitMask32 mask) override {
    calls.push_back("dvr.updateSensorMask(" + std::to_string(mask.asUint32()) + ")");
  }
  void updateAlarmInfo(const std::optional<std::vector<AlarmCommand>>& alarms) override {
    calls.push_back("dvr.updateAlarmInfo(" + (alarms ? std::to_string(alarms->size()) : std::string("none")) + ")");
  }
  void enableAlarmButton(bool enable) override {
    calls.push_back(std::string("dvr.enableAlarmButton(") + (enable ? "YES" : "NO") + ")");
  }
  std::vector<std::string> calls;
};

class FakeControlView : public ControlViewPort {
 public:
  explicit FakeControlView(std::vector<std::string>& calls) : calls(calls) {}
  int64_t selectedCamera() const override { return camera; }
  void setSelectedCamera(int64_t c) override {
    camera = c;
    calls.push_back("control.setSelectedCamera(" + std::to_string(c) + ")");
  }
  void showSiteStatus(const std::shared_ptr<SiteInfo>& s, const std::optional<QString>& t) override {
    title = t;
    calls.push_back("control.showSiteStatus(" +
                    (s ? s->name().value_or(QString()).toStdString() : std::string("none")) + "," +
                    (t ? "\"" + t->toStdString() + "\"" : std::string("none")) + ")");
  }
  void enablePTZButton(bool enable) override {
    enabled = enable;
    calls.push_back(std::string("control.enablePTZButton(") + (enable ? "YES" : "NO") + ")");
  }
  void updatePresetLabelArray(const std::vector<QString>& l) override {
    labels = l;
    calls.push_back("control.updatePresetLabelArray(" + std::to_string(l.size()) + ")");
  }
  void updatePresetLabel(const QString& label, int64_t tag) override {
    calls.push_back("control.updatePresetLabel(" + label.toStdString() + "," + std::to_string(tag) + ")");
  }
  std::vector<std::string>& calls;
  int64_t camera = 0;
  bool enabled = false;
  std::optional<QString> title;
  std::vector<QString> labels;
};

class FakePresetSheet : public PresetLabelSheetPort {
 public:
  void openPresetLabelSheet(int n, const QString& label, std::function<void(std::optional<QString>)> d) override {
    number = n;
    shownLabel = label;
    done = std::move(d);
    ++opened;
  }
  // Ends the open sheet: with a label (confirmed) or none (cancelled).
  void end(std::optional<QString> confirmed) {
    auto d = std::move(done);
    done = nullptr;
    if (d) d(std::move(confirmed));
  }
  int opened = 0;
  int number = 0;
  QString shownLabel;
  std::function<void(std::optional<QString>)> done;
};

}  // namespace zelvo::test
