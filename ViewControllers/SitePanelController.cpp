#include "ViewControllers/SitePanelController.h"

#include <QButtonGroup>
#include <QEvent>
#include <QStackedWidget>

#include "Foundation/Assert.h"
#include "ViewControllers/SitePanel/ControlView.h"
#include "ViewControllers/SitePanel/LogView.h"
#include "ViewControllers/SitePanel/PTZPresetLabelWindow.h"
#include "ViewControllers/VideoViewController.h"
#include "ViewControllers/Wall/VideoViewPort.h"
#include "ui_SitePanelController.h"

namespace zelvo {

// The preset label window run as a sheet over the panel's window, without blocking.
class SitePanelController::PresetSheet : public PresetLabelSheetPort {
 public:
  PresetSheet(SitePanelController& panel, PTZPresetLabelWindow& window) : panel_(panel), window_(window) {}
  void openPresetLabelSheet(int number, const QString& label,
                            std::function<void(std::optional<QString>)> done) override {
    QObject::connect(
        &window_, &QDialog::finished, &panel_,
        [this, done = std::move(done)] {
          done(window_.wasCancelled() ? std::nullopt : std::optional<QString>(window_.presetLabel()));
        },
        Qt::SingleShotConnection);
    window_.openPresetLabelWindow(&panel_, number, label);
  }

 private:
  SitePanelController& panel_;
  PTZPresetLabelWindow& window_;
};

// Stands in for the status page until one is given.
class SitePanelController::NoStatusView : public DVRInfoViewPort {
 public:
  void showSiteStatus(const std::shared_ptr<SiteInfo>&) override {}
  void updateCameraCount(int32_t, int32_t, int32_t) override {}
  void updateCameraInfoArray(const std::optional<std::vector<CameraInfo>>&) override {}
  void updateMotionMask(BitMask32) override {}
  void updateSensorMask(BitMask32) override {}
  void updateAlarmInfo(const std::optional<std::vector<AlarmCommand>>&) override {}
  void enableAlarmButton(bool) override {}
};

SitePanelController::SitePanelController(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::SitePanelController>()) {
  ui_->setupUi(this);
  ui_->controlView->awakeFromNib();
  presetLabelWindow_ = new PTZPresetLabelWindow(this);
  presetSheet_ = std::make_unique<PresetSheet>(*this, *presetLabelWindow_);
  noStatusView_ = std::make_unique<NoStatusView>();
  // A tab's id is its tag, the page it shows.
  for (QAbstractButton* tab : ui_->panelMatrix->buttons()) ui_->panelMatrix->setId(tab, tab->property("tag").toInt());
  // Only the user's click: selectPanel() checks a tab too, and must not post.
  connect(ui_->panelMatrix, &QButtonGroup::idClicked, this, &SitePanelController::selectPanelView);
}

SitePanelController::~SitePanelController() {
  // A sheet still open when the panel goes ends with nobody to tell.
  QObject::disconnect(presetLabelWindow_, nullptr, this, nullptr);
  observations_.clear();
  core_.reset();
}

void SitePanelController::awake(PanelWallPort& wall, DVRInfoViewPort* dvrView, TimerFactory& timers) {
  ZELVO_PRECONDITION(!core_);
  core_ = std::make_unique<SitePanelCore>(wall, dvrView ? *dvrView : *noStatusView_, *ui_->controlView, *presetSheet_,
                                          timers);
  ControlView* control = ui_->controlView;
  connect(control, &ControlView::PTZButtonPressed, this, [this](int tag) { core_->PTZButtonPressed(tag); });
  connect(control, &ControlView::PTZButtonReleased, this, [this](int tag) { core_->PTZButtonReleased(tag); });
  connect(control, &ControlView::setPresetChosen, this,
          [this](int tag, const QString& label) { core_->handleSetPreset(tag, label); });
  connect(control, &ControlView::moveToPresetChosen, this, [this](int tag) { core_->handleMoveToPreset(tag); });
  registerObserver(wall);
}

void SitePanelController::registerObserver(PanelWallPort& wall) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  observations_.emplace_back(center, VideoViewControllerSelectedNetworkClientStateChangedNotification,
                             wall.controllerNotificationObject(), [this](const Notification& notification) {
                               const int* state = notification.get<int>(VideoViewControllerNetworkClientStateKey);
                               if (state) core_->videoViewSelectedNetworkClientStateChanged(*state);
                             });
  observations_.emplace_back(center, VideoViewSelectedPlaneChangedNotification, wall.viewNotificationObject(),
                             [this](const Notification&) { core_->videoViewSelectedPlaneChanged(); });
}

bool SitePanelController::event(QEvent* event) {
  // A button held while the window loses the pointer and the keyboard never sees its
  // release; its camera must not go on moving.
  if (event->type() == QEvent::WindowDeactivate && core_) core_->windowDidResignActive();
  return QWidget::event(event);
}

void SitePanelController::selectPanelView(int tag) {
  if (tag < 0 || tag > EventLogPanel) return;
  ui_->tabView->setCurrentIndex(tag);
  NotificationCenter::defaultCenter().post(SitePanelControllerPanelSelectedNotification, this,
                                           {{SitePanelControllerPanelTypeKey, tag}});
  emit panelSelected(tag);
}

void SitePanelController::selectPanel(int panel) {
  if (panel < 0 || panel > EventLogPanel) return;
  if (ui_->tabView->isHidden()) ui_->tabView->show();
  ui_->tabView->setCurrentIndex(panel);
  if (QAbstractButton* tab = ui_->panelMatrix->button(panel)) tab->setChecked(true);
}

void SitePanelController::changeAlarmState(int tag, bool on) {
  if (core_) core_->changeAlarmState(tag, on);
}

QStackedWidget* SitePanelController::tabView() const { return ui_->tabView; }
QButtonGroup* SitePanelController::panelMatrix() const { return ui_->panelMatrix; }
ControlView* SitePanelController::controlView() const { return ui_->controlView; }
QWidget* SitePanelController::dvrView() const { return ui_->dvrView; }
LogView* SitePanelController::logView() const { return ui_->logView; }

}  // namespace zelvo
