#pragma once
// The status strip in the main window's toolbar: the sites and user of the plane selected
// on the video wall and one status line (connecting, disconnected, or the camera's state
// or the time of the frame just shown), with close and reconnect buttons for that plane
// and a warning button shown while the event log has rows the user has not looked at.
// It follows only the wall's, the site panel's and the event log's notifications.
// Main thread only.
//
// The main window makes it, puts view() in its toolbar and calls awake() once the wall
// exists.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "Network/DateTime.h"
#include "Network/Live/CameraInfo.h"
#include "ViewControllers/MainWindow/FrameTimeFormatter.h"
#include "ViewControllers/SitePanel/SitePanelPorts.h"

class QFontMetrics;
class QLabel;
class QProgressBar;
class QToolButton;

namespace Ui {
class ToolbarInfoViewController;
}

namespace zelvo {

class ToolbarInfoViewDelegate {
 public:
  virtual ~ToolbarInfoViewDelegate() = default;
  // The user clicked the warning button (the main window then shows the event log).
  virtual void toolbarInfoViewWarningClicked() = 0;
};

class ToolbarInfoViewController : public QObject {
  Q_OBJECT
 public:
  // The two runs of the site line: the site names (each but the last followed by ",",
  // the last by one space) and the last site's user name.
  struct SiteText {
    QString sites;
    QString user;
    friend bool operator==(const SiteText&, const SiteText&) = default;
  };

  explicit ToolbarInfoViewController(QObject* parent = nullptr);
  ~ToolbarInfoViewController() override;

  // The strip; it has no parent until the main window places it, and then goes with its
  // new parent (the controller stops following the wall when it does).
  QWidget* view() const { return view_; }

  // Starts following the wall, which must outlive the controller.
  void awake(PanelWallPort& wall);
  void setDelegate(ToolbarInfoViewDelegate* delegate) { delegate_ = delegate; }

  // Hides or shows the site and status lines and the close button; hiding also hides the
  // reconnect button and the connecting indicator. The warning button stays as it is.
  void setHidden(bool hidden);
  // Hides the warning button.
  void reset();

  // The buttons' actions.
  void close();
  void reconnect();
  void warningClicked();

  // Whether a state change of the selected client refreshes the strip (0 to 5 and 9).
  static bool refreshesOnState(int state);
  // The status line of a connected camera.
  static QString stringByCameraInfo(const std::optional<CameraInfo>& info, const std::optional<DateTime>& frameTime,
                                    const FrameTimeFormatter& formatter);
  static SiteText siteText(const std::vector<std::shared_ptr<SiteInfo>>& sites);
  // Both runs cut in the middle of the whole line (one ellipsis) to fit width.
  static SiteText elided(const SiteText& text, const QFontMetrics& metrics, int width);

  const FrameTimeFormatter& dateFormatter() const { return *dateFormatter_; }
  // The site line as it was last set, before eliding.
  const SiteText& shownSiteText() const { return siteText_; }

  // Outlets.
  QLabel* textSite() const;
  QLabel* textContent() const;
  QToolButton* btnReconnect() const;
  QToolButton* btnClose() const;
  QToolButton* btnWarning() const;
  QProgressBar* connectingIndicator() const;

 signals:
  void warningButtonClicked();

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void selectedCameraChanged();
  void selectedCameraInfoUpdated(const Notification& notification);
  void update(const std::shared_ptr<PanelClientPort>& client, const std::optional<DateTime>& frameTime);
  void showSiteText();
  void setStatus(const QString& text);

  // Owned until the main window gives the strip a parent.
  std::unique_ptr<QWidget> ownedView_;
  QPointer<QWidget> view_;
  std::unique_ptr<Ui::ToolbarInfoViewController> ui_;
  std::unique_ptr<FrameTimeFormatter> dateFormatter_;
  PanelWallPort* wall_ = nullptr;
  ToolbarInfoViewDelegate* delegate_ = nullptr;
  SiteText siteText_;
  std::vector<Observation> observations_;
};

}  // namespace zelvo
