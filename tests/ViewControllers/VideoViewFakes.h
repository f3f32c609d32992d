#pragma once
// Stand-ins around the wall's view: a screen that records what it is told, the
// controller's answers and the preferences, and a spy on the view's notifications.

#include <QImage>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "ViewControllers/VideoView.h"

namespace zelvo::test {

inline std::string gradientName(const Gradient& gradient) {
  if (gradient == VideoView::inactiveGradient()) return "inactive";
  if (gradient == VideoView::videoLossGradient()) return "videoLoss";
  if (gradient == VideoView::disconnectedGradient()) return "disconnected";
  if (gradient == VideoView::focusedRingGradient()) return "focused";
  if (gradient == VideoView::unfocusedRingGradient()) return "unfocused";
  return "other";
}

// Records every call as one line; no GL at all. The view calls it from the GUI thread
// and from its render thread, always with its context lock held; the render count and
// times are read by tests without that lock, so they have a lock of their own.
class RecordingScreen final : public VideoViewScreen {
 public:
  explicit RecordingScreen(std::vector<std::string>* log, bool initSucceeds = true)
      : log_(log), initSucceeds_(initSucceeds) {}

  bool init(float width, float height) override {
    width_ = width;
    height_ = height;
    add("init " + std::to_string(int(width)) + "x" + std::to_string(int(height)));
    return initSucceeds_;
  }
  void renderIfNeeded(float time) override {
    std::lock_guard lock(renderMutex_);
    ++renders_;
    times_.push_back(time);
  }
  int renders() const {
    std::lock_guard lock(renderMutex_);
    return renders_;
  }
  std::vector<float> times() const {
    std::lock_guard lock(renderMutex_);
    return times_;
  }
  void reshape(float width, float height) override {
    width_ = width;
    height_ = height;
    add("reshape " + std::to_string(int(width)) + "x" + std::to_string(int(height)));
  }
  float viewWidth() const override { return width_; }
  float viewHeight() const override { return height_; }
  int planeCount() const override { return 64; }
  void setLayout(int selectedPlane, int divisions) override {
    add("setLayout " + std::to_string(selectedPlane) + " " + std::to_string(divisions));
  }
  void setKeepAspectRatio(bool keep) override { add(std::string("setKeepAspectRatio ") + (keep ? "1" : "0")); }
  void setSelectionGradient(const Gradient& gradient) override { add("setSelectionGradient " + gradientName(gradient)); }
  void setVideoFrame(int plane, int width, int height, int lineSize, const uint8_t*, float xScale, float yScale,
                     const uint8_t*, const uint8_t*) override {
    add("setVideoFrame " + std::to_string(plane) + " " + std::to_string(width) + "x" + std::to_string(height) + " " +
        std::to_string(lineSize) + " " + std::to_string(xScale).substr(0, 3) + " " + std::to_string(yScale).substr(0, 3));
  }
  void clearPlane(int plane) override { add("clearPlane " + std::to_string(plane)); }
  void clearPlaneWithGradient(int plane, const Gradient& gradient) override {
    add("clearPlaneWithGradient " + std::to_string(plane) + " " + gradientName(gradient));
  }
  void clearAllPlanes() override { add("clearAllPlanes"); }
  void setTitle(int plane, std::optional<std::string> title) override {
    add("setTitle " + std::to_string(plane) + " " + title.value_or("<none>"));
  }
  void showPtzIcon(int plane) override { add("showPtzIcon " + std::to_string(plane)); }
  void hidePtzIcon(int plane) override { add("hidePtzIcon " + std::to_string(plane)); }
  bool showHighlight(int plane) override {
    add("showHighlight " + std::to_string(plane));
    return true;
  }
  bool hideHighlight() override {
    add("hideHighlight");
    return true;
  }
  void setCameraConfiguration(int plane, const CameraConfiguration& configuration) override {
    configurations[plane] = configuration;
    add("setCameraConfiguration " + std::to_string(plane));
  }
  CameraConfiguration getCameraConfiguration(int plane) const override {
    auto it = configurations.find(plane);
    return it == configurations.end() ? CameraConfiguration{} : it->second;
  }
  std::optional<RgbaImage> imageOfPlane(int plane, bool asShown) override {
    add("imageOfPlane " + std::to_string(plane) + (asShown ? " shown" : " own"));
    return RgbaImage{8, 8, std::vector<uint8_t>(8 * 8 * 4, 200)};
  }
  std::optional<RgbaImage> dragImageOfPlane(int plane) override {
    add("dragImageOfPlane " + std::to_string(plane));
    return RgbaImage{8, 8, std::vector<uint8_t>(8 * 8 * 4, 0)};
  }

  std::map<int, CameraConfiguration> configurations;

 private:
  void add(std::string line) { log_->push_back(std::move(line)); }
  std::vector<std::string>* log_;
  bool initSucceeds_;
  float width_ = 0, height_ = 0;
  mutable std::mutex renderMutex_;
  int renders_ = 0;
  std::vector<float> times_;
};

class FakeQueries final : public VideoViewControllerQueries {
 public:
  struct Plane {
    int64_t camera = 0;
    std::optional<CameraInfo> info;
    std::shared_ptr<SiteInfo> site;
  };
  std::map<int64_t, Plane> planes;

  bool hasNetworkClientForPlane(int64_t plane) const override { return planes.count(plane) > 0; }
  int64_t cameraForPlane(int64_t plane) const override {
    auto it = planes.find(plane);
    return it == planes.end() ? -1 : it->second.camera;
  }
  std::shared_ptr<SiteInfo> siteInfoForPlane(int64_t plane) const override {
    auto it = planes.find(plane);
    return it == planes.end() ? nullptr : it->second.site;
  }
  std::optional<CameraInfo> cameraInfoForPlane(int64_t plane) const override {
    auto it = planes.find(plane);
    return it == planes.end() ? std::nullopt : it->second.info;
  }
};

inline CameraInfo cameraInfo(int64_t number, int32_t status, int32_t covert, bool ptz = false, std::string title = "") {
  CameraInfo info;
  info.setNumber(number);
  info.setStatus(status);
  info.setCovertLevel(covert);
  info.setPtzAvailability(ptz);
  info.setTitle(std::move(title));
  return info;
}

class FakePreferences final : public VideoViewPreferences {
 public:
  std::map<QString, QVariant> values;
  QVariant preferenceValueForKey(const QString& key) const override {
    auto it = values.find(key);
    return it == values.end() ? QVariant() : it->second;
  }
};

// The view's notifications in the order they were posted, with their names apart for
// comparing sequences. (The view itself asserts that none is posted under its context
// lock.)
class NotificationSpy {
 public:
  explicit NotificationSpy(VideoView& view) {
    for (const std::string& name :
         {VideoViewSelectedPlaneChangedNotification, VideoViewLayoutChangedNotification,
          VideoViewDeleteRequestedNotification, VideoViewConnectionTargetDroppedNotification,
          VideoViewPlaneDraggedNotification})
      observations_.emplace_back(NotificationCenter::defaultCenter(), name, view.notificationObject(),
                                 [this](const Notification& n) {
                                   names.push_back(n.name);
                                   notifications.push_back(n);
                                 });
  }
  void clear() {
    names.clear();
    notifications.clear();
  }
  std::vector<std::string> names;
  std::vector<Notification> notifications;

 private:
  std::vector<Observation> observations_;
};

}  // namespace zelvo::test
