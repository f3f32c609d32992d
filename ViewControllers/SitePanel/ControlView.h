#pragma once
// The PTZ and colour page of the site panel: which site and camera the selected plane
// shows, the twelve PTZ buttons, the two preset pop-ups, and the page's painted
// background (site box, PTZ and colour title bars). It sends nothing itself: its buttons
// and menus are signals the panel controller turns into commands, and the controller
// drives it through ControlViewPort. Main thread only.
//
// The form makes the view and its children; awakeFromNib() then finds its outlets.

#include <QHash>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <vector>

#include "ViewControllers/SitePanel/ControlViewGeometry.h"
#include "ViewControllers/SitePanel/SitePanelPorts.h"

class QLabel;
class QMenu;
class QToolButton;

namespace zelvo {

class ControlView : public QWidget, public ControlViewPort {
  Q_OBJECT
 public:
  explicit ControlView(QWidget* parent = nullptr);
  ~ControlView() override;

  // Once, after the form has made the children.
  void awakeFromNib();

  int64_t selectedCamera() const override { return selectedCamera_; }
  void setSelectedCamera(int64_t camera) override { selectedCamera_ = camera; }
  void showSiteStatus(const std::shared_ptr<SiteInfo>& site, const std::optional<QString>& title) override;
  void enablePTZButton(bool enable) override;
  void updatePresetLabelArray(const std::vector<QString>& labels) override;
  void updatePresetLabel(const QString& label, int64_t tag) override;
  void clearPresetMenu();

  // The item text for preset index tag: "%d.%@" of tag + 1 and the label, the label's
  // "&" doubled so that it shows as written.
  static QString presetItemTitle(int64_t tag, const QString& label);

  ControlViewGeometry geometryForSize(double width, double height) const;
  double changedViewWidthValue() const { return ControlViewGeometry::DesignWidth - width(); }
  double changedViewHeightValue() const { return ControlViewGeometry::DesignHeight - height(); }

  // Outlets (null before awakeFromNib).
  QLabel* siteNameField() const { return siteName_; }
  QLabel* addressField() const { return address_; }
  QLabel* siteInfoField() const { return siteInfo_; }
  QLabel* cameraTitleField() const { return cameraTitle_; }
  QToolButton* PTZButton(int tag) const;  // 0..11, null otherwise
  QToolButton* setPresetButton() const { return setPresetButton_; }
  QToolButton* movePresetButton() const { return movePresetButton_; }
  QMenu* setPresetMenu() const { return setPresetMenu_; }
  QMenu* moveToPresetMenu() const { return moveToPresetMenu_; }

 signals:
  void PTZButtonPressed(int tag);
  void PTZButtonReleased(int tag);
  // A preset item was chosen: its index and, for the set-preset menu, its current label.
  void setPresetChosen(int tag, const QString& currentLabel);
  void moveToPresetChosen(int tag);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void resizeView();

  int64_t selectedCamera_ = 0;
  QLabel* siteName_ = nullptr;
  QLabel* address_ = nullptr;
  QLabel* siteInfo_ = nullptr;
  QLabel* cameraTitle_ = nullptr;
  std::array<QToolButton*, 12> PTZButtons_{};
  QToolButton* setPresetButton_ = nullptr;
  QToolButton* movePresetButton_ = nullptr;
  QMenu* setPresetMenu_ = nullptr;
  QMenu* moveToPresetMenu_ = nullptr;
  // Children's frames as the form placed them for 213 x 519, and which edge they follow.
  struct Placed {
    QWidget* widget;
    QRect design;
  };
  std::vector<Placed> infoFields_, colorSection_;
  Placed ptzControls_{nullptr, QRect()};
  QImage rowCap_, rowMiddle_, titleBar_, ptzIcon_, colorIcon_;
};

}  // namespace zelvo
