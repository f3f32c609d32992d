#pragma once
// The site panel at the side of the main window: three pages chosen by a row of tab
// buttons (0 the site status view, 1 the PTZ and colour control view, 2 the event log),
// all describing the plane selected on the video wall, and the PTZ, preset and
// alarm-output commands the user gives for it. The decisions are SitePanelCore's; this
// class wires the form, the wall's notifications and the preset sheet to it.
// Main thread only.
//
// The main window makes it, puts it on its sitePanel placeholder and calls awake() once
// the wall exists. Only a click on a tab button posts the panel-selected notification;
// selectPanel() (the toolbar's warning button) posts none.

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "ViewControllers/SitePanel/SitePanelCore.h"
#include "ViewControllers/SitePanel/SitePanelPorts.h"

class QButtonGroup;
class QStackedWidget;

namespace Ui {
class SitePanelController;
}

namespace zelvo {

class ControlView;
class LogView;
class PTZPresetLabelWindow;

// Posted on the default centre with the controller as object when the user picks a page
// with the tab buttons; SitePanelControllerPanelTypeKey (int) is the page, 0 to 2.
inline const std::string SitePanelControllerPanelSelectedNotification = "SitePanelControllerPanelSelectedNotification";
inline const std::string SitePanelControllerPanelTypeKey = "SitePanelControllerPanelTypeKey";

// The panel asks nothing of its delegate.
class SitePanelControllerDelegate {
 public:
  virtual ~SitePanelControllerDelegate() = default;
};

class SitePanelController : public QWidget {
  Q_OBJECT
 public:
  static constexpr int EventLogPanel = 2;

  explicit SitePanelController(QWidget* parent = nullptr);
  ~SitePanelController() override;

  // Starts following the wall. dvrView is the status page's view (the panel's page 0);
  // without one the status page shows nothing. Both must outlive the controller, and so
  // must timers (the PTZ buttons' repeat).
  void awake(PanelWallPort& wall, DVRInfoViewPort* dvrView = nullptr, TimerFactory& timers = mainThreadTimerFactory());

  void setDelegate(SitePanelControllerDelegate* delegate) { delegate_ = delegate; }
  SitePanelControllerDelegate* delegate() const { return delegate_; }

  // Shows page 0..2 and marks its tab, without telling anyone.
  void selectPanel(int panel);
  // The tab buttons' action: shows the page and posts the panel-selected notification.
  void selectPanelView(int tag);
  // The status page's alarm-output toggles (tag = output channel).
  void changeAlarmState(int tag, bool on);

  // Outlets.
  QStackedWidget* tabView() const;
  QButtonGroup* panelMatrix() const;
  ControlView* controlView() const;
  QWidget* dvrView() const;
  // The event log's page, for the log's controller (loadView).
  LogView* logView() const;
  PTZPresetLabelWindow* presetLabelWindow() const { return presetLabelWindow_; }
  // Null before awake().
  SitePanelCore* core() const { return core_.get(); }

 signals:
  // The same moment as the notification.
  void panelSelected(int panel);

 protected:
  bool event(QEvent* event) override;

 private:
  class PresetSheet;
  class NoStatusView;

  void registerObserver(PanelWallPort& wall);

  std::unique_ptr<Ui::SitePanelController> ui_;
  PTZPresetLabelWindow* presetLabelWindow_ = nullptr;
  std::unique_ptr<PresetSheet> presetSheet_;
  std::unique_ptr<NoStatusView> noStatusView_;
  std::unique_ptr<SitePanelCore> core_;
  SitePanelControllerDelegate* delegate_ = nullptr;
  std::vector<Observation> observations_;
};

}  // namespace zelvo
