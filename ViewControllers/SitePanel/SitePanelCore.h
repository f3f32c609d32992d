#pragma once
// What the site panel decides, apart from its widgets: which page calls each change of
// the selected plane's client makes, what a PTZ button's press, hold and release send
// and where, what a preset save sends after its sheet, and what an alarm toggle sends.
// SitePanelController turns the widgets' events and the wall's notifications into
// calls on it. Main thread only.
//
// A held PTZ button sends its start once, after it has been held for one repeat period;
// the stop goes to the client, camera and command the start went to (the client held
// weakly), on release, and also when the hold is cut short: before the PTZ buttons are
// disabled, when the selected plane changes, and when the window stops being active.
// A release after such a cut sends nothing.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ViewControllers/SitePanel/SitePanelPorts.h"
#include "ViewControllers/Controls/TimerFactory.h"

namespace zelvo {

class SitePanelCore {
 public:
  // Each PTZ button repeats every this long while it is held.
  static constexpr double PTZRepeatInterval = 0.2;
  static constexpr int PTZButtonCount = 12;
  // PTZ arguments.
  static constexpr int PTZArgumentStep = 0;
  static constexpr int PTZArgumentStart = 1;
  static constexpr int PTZArgumentStop = 2;

  // All four must outlive the core.
  SitePanelCore(PanelWallPort& wall, DVRInfoViewPort& dvrView, ControlViewPort& controlView,
                PresetLabelSheetPort& presetLabelWindow, TimerFactory& timers = mainThreadTimerFactory());
  ~SitePanelCore();
  SitePanelCore(const SitePanelCore&) = delete;
  SitePanelCore& operator=(const SitePanelCore&) = delete;

  // The one table from a PTZ button's tag (0 up, 1 left-up, 2 left, 3 left-down, 4 down,
  // 5 right-up, 6 right, 7 right-down, 8 zoom in, 9 zoom out, 10 focus in, 11 focus out)
  // to the recorder's command; none for any other tag.
  static std::optional<int> PTZCommandForTag(int64_t tag);

  // The camera's title when its record exists and its status is 1, 2 or 3, else "".
  static QString stringByCameraInfo(const std::optional<CameraInfo>& info);
  // PTZ controls and labels follow the camera's own availability, which withholds PTZ
  // from inactive (status 2) and hidden (covert level 3) cameras.
  static bool isPTZCamera(const std::optional<CameraInfo>& info);

  // The wall's notifications.
  void videoViewSelectedNetworkClientStateChanged(int state);
  void videoViewSelectedPlaneChanged();
  // The window stopped being the active one.
  void windowDidResignActive();

  // Panel updates, each from the given client's current tables.
  void updatePanelViews(PanelClientPort& client);
  void updateCameraInfo(PanelClientPort& client);
  void updateAlarmInfo(PanelClientPort& client);
  void updateEventInfo(PanelClientPort& client);
  void updatePresetLabels(PanelClientPort& client);
  void clearSiteStatus();
  void clearPanelViews();

  // PTZ buttons.
  void PTZButtonPressed(int64_t tag);
  void PTZButtonReleased(int64_t tag);
  // One step of a button: state 0 is a repeat while held, any other state the release.
  void handlePTZCommand(int64_t tag, int state);
  // Ends a hold: the started camera gets its stop, the repeats end, the release is ignored.
  void stopContinuedPTZ();
  bool isContinued() const { return continued_; }
  bool isHolding() const { return heldTag_.has_value(); }

  // Presets (tag = preset index from 0; label = the current one, from the item).
  void handleSetPreset(int64_t tag, const QString& currentLabel);
  void handleMoveToPreset(int64_t tag);

  // An alarm-output toggle (tag = output channel).
  void changeAlarmState(int64_t tag, bool on);

 private:
  struct PTZTarget {
    std::shared_ptr<PanelClientPort> client;
    int64_t camera = 0;
    int command = 0;
  };

  std::optional<CameraInfo> cameraInfo(const PanelClientPort& client, int64_t camera) const;
  void disablePTZ();

  PanelWallPort& wall_;
  DVRInfoViewPort& dvrView_;
  ControlViewPort& controlView_;
  PresetLabelSheetPort& presetLabelWindow_;
  TimerFactory& timers_;

  bool continued_ = false;
  std::optional<PTZTarget> target_;
  std::optional<int64_t> heldTag_;
  std::unique_ptr<RepeatingTimer> repeat_;
  // Sheets still open when the core goes tell it by this.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zelvo
