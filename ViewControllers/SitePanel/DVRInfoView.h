#pragma once
// The site panel's status page: the selected plane's recorder (name, address, description,
// user), one row per camera with its title and its video, motion and sensor pictures, and
// one toggle per alarm output. The site panel controller feeds it; it holds no connection.
//
// Laid out for 213 x 519 and shifted with the real size: rows keep their distance from the
// top, the picture columns and the alarm buttons theirs from the right edge. Main thread only.

#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Network/BitMask32.h"
#include "Network/Live/AlarmCommand.h"
#include "Network/Live/CameraInfo.h"
#include "ViewControllers/SitePanel/SitePanelPorts.h"

class QAbstractButton;
class QLabel;

namespace zelvo {

class SiteInfo;

class DVRInfoView : public QWidget, public DVRInfoViewPort {
  Q_OBJECT

 public:
  static constexpr double DesignWidth = 213.0;
  static constexpr double DesignHeight = 519.0;
  static constexpr int FieldCount = 16;

  // The pictures the view draws, by name ("right_dvr_video.png").
  using ImageLoader = std::function<QImage(const QString& name)>;

  explicit DVRInfoView(QWidget* parent = nullptr);
  ~DVRInfoView() override;

  // Puts a status view where a form's placeholder is (same parent, name, geometry and place
  // in its layout or page stack), moves the placeholder's children into it, deletes the
  // placeholder and awakes the view.
  static DVRInfoView* replacePlaceholder(QWidget* placeholder);
  // Puts a status view inside a form's page (it fills the page, which stays), moves the
  // page's children into it and awakes it.
  static DVRInfoView* fillPlaceholder(QWidget* page);

  // Takes the outlets from the view's children (siteName, address, siteInfo, userInfo,
  // cameraText1..16, alarm1..16, found by name) and hides the alarm buttons. Once.
  void awakeFromNib();

  // Tests draw with their own pictures; the default reads the application's resources.
  void setImageLoader(ImageLoader loader);

  // nil: every field empty and all counts 0.
  void showSiteStatus(const SiteInfo* site);
  void showSiteStatus(const std::shared_ptr<SiteInfo>& site) override { showSiteStatus(site.get()); }
  void updateCameraCount(int32_t cameraCount, int32_t sensorCount, int32_t alarmCount) override;
  void updateCameraInfoArray(std::vector<CameraInfo> cameraInfo);
  // No table yet reads as no cameras.
  void updateCameraInfoArray(const std::optional<std::vector<CameraInfo>>& cameraInfo) override {
    updateCameraInfoArray(cameraInfo.value_or(std::vector<CameraInfo>{}));
  }
  void updateMotionMask(BitMask32 mask) override;
  void updateSensorMask(BitMask32 mask) override;
  // No list (nil) switches the existing outputs' buttons off and disables them; an empty
  // list changes nothing.
  void updateAlarmInfo(const std::optional<std::vector<AlarmCommand>>& alarmInfo) override;
  void enableAlarmButton(bool flag) override;

  // The camera's title for a normal, inactive or video-loss camera, else "" (also with no record).
  static QString stringByCameraInfo(const CameraInfo* info, int selectedCamera);

  QLabel* textFieldForTag(int tag) const;
  QAbstractButton* alarmButtonForTag(int tag) const;

  int32_t cameraCount() const { return cameraCount_; }
  int32_t sensorCount() const { return sensorCount_; }
  int32_t alarmCount() const { return alarmCount_; }
  const std::vector<CameraInfo>& cameraInfo() const { return cameraInfo_; }
  BitMask32 motionMask() const { return motionMask_; }
  BitMask32 sensorMask() const { return sensorMask_; }
  const std::optional<std::vector<AlarmCommand>>& alarmInfo() const { return alarmInfo_; }
  const std::vector<QLabel*>& cameraTextArray() const { return cameraTextArray_; }
  const std::vector<QAbstractButton*>& alarmButtonArray() const { return alarmButtonArray_; }
  QLabel* siteNameField() const { return siteName_; }
  QLabel* addressField() const { return address_; }
  QLabel* siteInfoField() const { return siteInfo_; }
  QLabel* userInfoField() const { return userInfo_; }

  // 213 minus the width and 519 minus the height.
  double changedViewWidthValue() const { return changedViewWidthValue_; }
  double changedViewHeightValue() const { return changedViewHeightValue_; }

 signals:
  // An alarm button was clicked: the output's channel and the state it asks for
  // (the site panel controller's changeAlarmState:).
  void changeAlarmState(int channel, bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void resizeView();
  void resizeTextField();
  void resizeDVRInfoTextField();
  void resetCameraTextField();
  void updateCameraText();
  void updateAlarmButton();
  void placeAlarmButtons();

  void drawSiteInfoBox(QPainter& painter);
  void drawBorder(QPainter& painter);
  void drawCameraState(QPainter& painter);
  void drawMotionEvent(QPainter& painter);
  void drawSensorEvent(QPainter& painter);
  // Draws the picture with its top-left at (x, top), or, with a width, stretched to it.
  void drawImage(QPainter& painter, const QString& name, double x, double top, double width = -1) const;
  const QImage& image(const QString& name) const;
  static bool isBitSet(BitMask32 mask, int64_t bit);

  ImageLoader loader_;
  mutable std::vector<std::pair<QString, QImage>> images_;

  QLabel* siteName_ = nullptr;
  QLabel* address_ = nullptr;
  QLabel* siteInfo_ = nullptr;
  QLabel* userInfo_ = nullptr;
  std::vector<QLabel*> cameraTextArray_;
  std::vector<QAbstractButton*> alarmButtonArray_;
  // The buttons' x as the form places them for the design width.
  std::vector<int> alarmButtonDesignX_;
  bool awake_ = false;

  double changedViewWidthValue_ = 0;
  double changedViewHeightValue_ = 0;
  int32_t cameraCount_ = 0;
  int32_t alarmCount_ = 0;
  int32_t sensorCount_ = 0;
  std::vector<CameraInfo> cameraInfo_;
  BitMask32 motionMask_;
  BitMask32 sensorMask_;
  std::optional<std::vector<AlarmCommand>> alarmInfo_;
};

}  // namespace zelvo
