#include "ViewControllers/MainWindowController.h"

#include <QAbstractButton>
#include <QAbstractItemDelegate>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QIcon>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <map>

#include "Decoder/AudioPlayer.h"
#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Network/SystemInfoSyncOption.h"
#include "Resources/Resources.h"
#include "ViewControllers/SiteTree/ChildNode.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/SitePanel/DVRInfoView.h"
#include "ViewControllers/Store/Favorite.h"
#include "ViewControllers/Store/FavoriteCamera.h"
#include "ViewControllers/Store/FavoriteCameraTarget.h"
#include "ViewControllers/Store/FavoriteTarget.h"
#include "ViewControllers/SitePanel/LogViewController.h"
#include "ViewControllers/Dialogs/LoginWindowController.h"
#include "ViewControllers/MainWindow/MainWindowPanes.h"
#include "ViewControllers/Dialogs/PreferenceController.h"
#include "ViewControllers/RemoteSetup/RemoteSetupWindowController.h"
#include "ViewControllers/VideoViewControllerPanelWall.h"
#include "ViewControllers/Store/ManagedObjectContext.h"
#include "ViewControllers/Store/Site.h"
#include "ViewControllers/Store/SiteCamera.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "ViewControllers/Dialogs/SiteSetupDialog.h"
#include "ViewControllers/SiteTree/SiteTreeViewController.h"
#include "ViewControllers/Store/StoreError.h"
#include "ViewControllers/MainWindow/ThreePaneSplitView.h"
#include "ViewControllers/VideoView.h"
#include "ui_MainWindowController.h"

namespace zelvo {

namespace {

// Sequence intervals a tour may use (a missing or broken preference reads as 0).
constexpr int kMinimumSequenceInterval = 5;
constexpr int kMaximumSequenceInterval = 60;
constexpr int kSiteCameraCount = 16;
// A hidden site made for a favourite titles at most the wall's planes: the camera count
// comes from the recorder.
constexpr qint64 kMaximumAutoSiteCameras = VideoViewPlaneCount;
// The window is at least this wide, so that the wall's divider (at most 566 from the right
// edge) always stays right of the tree's (at most 333).
constexpr int kMinimumWindowWidth = 900;

const QString kUntitledFavorite = QStringLiteral("Untitled Favorite");

bool isYes(const std::optional<bool>& flag) { return flag.value_or(false); }

QIcon namedIcon(const QString& name) {
  QIcon icon;
  const QImage normal = imageResource(name, QStringLiteral("png"));
  if (!normal.isNull()) icon.addPixmap(QPixmap::fromImage(normal));
  const QImage doubled = imageResource(name + QStringLiteral("@2x"), QStringLiteral("png"));
  if (!doubled.isNull()) {
    QPixmap pixmap = QPixmap::fromImage(doubled);
    pixmap.setDevicePixelRatio(2.0);
    icon.addPixmap(pixmap);
  }
  return icon;
}

// A form's placeholder replaced by the real widget: same name, frame, and place in its
// parent's layout; the placeholder's children move over.
void replaceWidget(QWidget* placeholder, QWidget* widget) {
  QWidget* parent = placeholder->parentWidget();
  const bool hidden = placeholder->isHidden();
  widget->setObjectName(placeholder->objectName());
  widget->setParent(parent);
  widget->setGeometry(placeholder->geometry());
  widget->setSizePolicy(placeholder->sizePolicy());
  if (parent && parent->layout() && parent->layout()->indexOf(placeholder) >= 0)
    delete parent->layout()->replaceWidget(placeholder, widget);
  widget->setVisible(!hidden);
  delete placeholder;
}

std::shared_ptr<SiteInfo> lastAttachment(const LiveClientPort& client) {
  const std::vector<std::any> attachments = client.attachments();
  if (attachments.empty()) return nullptr;
  const auto* site = std::any_cast<std::shared_ptr<SiteInfo>>(&attachments.back());
  return site ? *site : nullptr;
}

}  // namespace

MainWindowController::MainWindowController(MainWindowComponents components, QWidget* parent)
    : QMainWindow(parent), components_(std::move(components)) {
  setObjectName(QStringLiteral("MainWindowController"));
  if (!components_.gain) components_.gain = [] { return AudioPlayer::sharedPlayer().gain(); };
  if (!components_.adjustGain) components_.adjustGain = [](float gain) { AudioPlayer::sharedPlayer().adjustGain(gain); };
  if (!components_.presentError) {
    components_.presentError = [this](const StoreError& error) {
      QMessageBox box(QMessageBox::Critical, QStringLiteral("Zelvo"), error.description, QMessageBox::Ok,
                      isVisible() ? this : nullptr);
      box.setInformativeText(error.failureReason);
      box.setWindowModality(Qt::WindowModal);
      box.exec();
    };
  }
  if (!components_.confirmRemove) {
    components_.confirmRemove = [](QWidget* window) {
      QMessageBox box(QMessageBox::Warning, QStringLiteral("Zelvo"), tr("Are you sure to remove?"), QMessageBox::NoButton,
                      window);
      QPushButton* yes = box.addButton(tr("YES"), QMessageBox::AcceptRole);
      box.addButton(tr("NO"), QMessageBox::RejectRole);
      box.setDefaultButton(yes);
      box.setWindowModality(Qt::WindowModal);
      box.exec();
      return box.clickedButton() == yes;
    };
  }

  // The child controllers, in the order the window needs them.
  std::unique_ptr<ServiceDiscoveryBackend> backend =
      components_.discoveryBackend ? components_.discoveryBackend() : nullptr;
  siteTreeViewController_ = new SiteTreeViewController(this, std::move(backend));
  siteTreeViewController_->hide();
  loginWindow_ = new LoginWindowController(this);
  siteSetupDialog_ = new SiteSetupDialog(
      [this](const QString& name, const QUrl& objectID) { return hasSameSiteName(name, objectID); }, this);
  if (!components_.showRemoteSetup) {
    remoteSetupWindow_ = std::make_unique<RemoteSetupWindowController>();
    connect(remoteSetupWindow_.get(), &RemoteSetupWindowController::windowWillClose, this,
            &MainWindowController::remoteSetupWindowWillClose);
    components_.showRemoteSetup = [this](QObject* sender, const std::shared_ptr<SiteInfo>& site) {
      remoteSetupWindow_->showWindow(sender, site);
      return true;
    };
    components_.closeRemoteSetup = [this] { remoteSetupWindow_->close(); };
  }
  toolbarInfoViewController_ = new ToolbarInfoViewController(this);
  toolbarInfoViewController_->setDelegate(this);
  logViewController_ = new LogViewController(this);
}

MainWindowController::~MainWindowController() {
  // Closing the window and deleting its children move the focus, which the application
  // announces and which ends the tree's editing of a favourite's name, while only the
  // QWidget part of this object is left: neither may reach us then.
  QObject::disconnect(qApp, nullptr, this, nullptr);
  for (QObject* child : findChildren<QObject*>()) QObject::disconnect(child, nullptr, this, nullptr);
  observations_.clear();
  stopTimer();
  if (remoteSetupWindow_) remoteSetupWindow_->disconnect(this);
  // The panes' animations and the wall's controller go before the widgets they use.
  panes_.reset();
  if (splitView_) splitView_->setDelegate(nullptr);
  videoViewController_.reset();
}

void MainWindowController::setManagedObjectContext(std::shared_ptr<ManagedObjectContext> context) {
  context_ = std::move(context);
}

void MainWindowController::setManagedObjectModel(std::shared_ptr<const ManagedObjectModel> model) {
  model_ = std::move(model);
}

void MainWindowController::showWindow() {
  if (!loaded_) {
    ui_ = std::make_unique<Ui::MainWindowController>();
    ui_->setupUi(this);
    // The frames the side panes restore to are the form's, before any layout moves them.
    leftViewFrame_ = QRectF(ui_->leftSideView->geometry());
    rightViewFrame_ = QRectF(ui_->rightSideView->geometry());
    setMinimumWidth(std::max(minimumWidth(), kMinimumWindowWidth));
    promoteCustomViews();
    loaded_ = true;
    awakeFromNib();
  }
  show();
  raise();
  activateWindow();
}

void MainWindowController::promoteCustomViews() {
  // The video wall.
  videoView_ = new VideoView(nullptr, components_.screenFactory);
  replaceWidget(ui_->videoView, videoView_);
  ui_->videoView = videoView_;

  // The split view of three panes.
  QWidget* placeholder = ui_->splitView;
  splitView_ = new ThreePaneSplitView;
  const QRect frame = placeholder->geometry();
  splitView_->setPanes(ui_->leftSideView, videoView_, ui_->rightSideView);
  replaceWidget(placeholder, splitView_);
  splitView_->setGeometry(frame);
  ui_->splitView = splitView_;

  // The site tree in its pane.
  siteTreeViewController_->show();
  replaceWidget(ui_->siteTreeView, siteTreeViewController_);
  ui_->siteTreeView = siteTreeViewController_;

  // The site panel with its status page.
  sitePanelController_ = new SitePanelController;
  replaceWidget(ui_->sitePanel, sitePanelController_);
  ui_->sitePanel = sitePanelController_;
  if (QWidget* page = sitePanelController_->dvrView()) {
    dvrInfoView_ = DVRInfoView::fillPlaceholder(page);
    connect(dvrInfoView_, &DVRInfoView::changeAlarmState, sitePanelController_, &SitePanelController::changeAlarmState);
  }

  // The wall's controller: it observes the view, which it needs awake before the
  // window controller observes it.
  VideoViewController::Collaborators wall = components_.wall;
  if (!wall.clients || !wall.decoders || !wall.audio || !wall.timers) wall = VideoViewController::Collaborators::shared();
  videoViewController_ = std::make_unique<VideoViewController>(*videoView_, wall);
  videoView_->setControllerQueries(videoViewController_.get());
  videoView_->setPreferences(components_.preferences);
  videoViewController_->setMainWindow(this);
  videoViewController_->setPreferences(components_.preferences);
  videoViewController_->awake();
  panelWall_ = std::make_unique<VideoViewControllerPanelWall>(*videoViewController_);

  MainWindowPanes::Outlets outlets;
  outlets.splitView = splitView_;
  outlets.leftSideView = ui_->leftSideView;
  outlets.videoView = videoView_;
  outlets.rightSideView = ui_->rightSideView;
  outlets.treeSegment = ui_->treePaneSegment;
  outlets.panelSegment = ui_->panelPaneSegment;
  outlets.rightPanelSelector = sitePanelController_->findChild<QWidget*>(QStringLiteral("rightPanelSelector"));
  outlets.panelMatrix = sitePanelController_->panelMatrix();
  outlets.ptzCustomView = [this] { return ptzCustomView(); };
  outlets.window = this;
  panes_ = std::make_unique<MainWindowPanes>(outlets, leftViewFrame_, rightViewFrame_);
  splitView_->setDelegate(panes_.get());
}

void MainWindowController::awakeFromNib() {
  loadSiteInfo();
  loadFavoriteInfo();
  siteTreeViewController_->expandNodeParents();
  registerObserver();
  settingToolbarItem();
  sitePanelController_->setDelegate(this);
  sitePanelController_->awake(*panelWall_, dvrInfoView_);
  toolbarInfoViewController_->awake(*panelWall_);
  logViewController_->loadView(sitePanelController_->logView());
  // Recorded when the form loaded (showWindow), before any layout pass.
  ui_->volumeSlider->setValue(qRound(ui_->volumeSlider->maximum() * components_.gain()));
  wireActions();
  updateColorControls();
  updateLayoutControlState();
  videoViewLayoutChanged();
  validateActions();
}

void MainWindowController::registerObserver() {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  const void* view = videoView_->notificationObject();
  const void* wall = videoViewController_.get();
  observations_.emplace_back(center, VideoViewSelectedPlaneChangedNotification, view,
                             [this](const Notification&) { videoViewSelectedPlaneChanged(); });
  observations_.emplace_back(center, VideoViewLayoutChangedNotification, view,
                             [this](const Notification&) { videoViewLayoutChanged(); });
  observations_.emplace_back(center, VideoViewControllerSelectedNetworkClientStateChangedNotification, wall,
                             [this](const Notification& n) { videoViewControllerSelectedNetworkClientStateChanged(n); });
  observations_.emplace_back(center, VideoViewControllerPlaneBoundNotification, wall,
                             [this](const Notification&) { videoViewControllerPlaneBound(); });
  observations_.emplace_back(center, VideoViewControllerPlaneUnboundNotification, wall,
                             [this](const Notification&) { videoViewControllerPlaneUnbound(); });
  observations_.emplace_back(center, LiveCameraInfoUpdatedNotification, nullptr,
                             [this](const Notification& n) { liveClientCameraInfoUpdated(n); });
  if (const void* preferences = components_.preferenceNotificationObject) {
    observations_.emplace_back(center, PreferenceSequenceNotification, preferences,
                               [this](const Notification& n) { sequenceDurationChanged(n); });
    observations_.emplace_back(center, PreferenceAutoReconnectNotification, preferences,
                               [this](const Notification&) { autoReconnectPreferenceChanged(); });
    observations_.emplace_back(center, PreferenceAspectRatioNotification, preferences,
                               [this](const Notification&) { keepAspectRatioPreferenceChanged(); });
  }
  connect(siteTreeViewController_, &SiteTreeViewController::selectionChanged, this,
          &MainWindowController::siteSelectionChanged);
  connect(siteTreeViewController_, &SiteTreeViewController::editingEnded, this, &MainWindowController::editFavorite);
  connect(siteTreeViewController_, &SiteTreeViewController::doubleClicked, this,
          &MainWindowController::doubleClickHandler);
}

void MainWindowController::settingToolbarItem() {
  QToolBar* toolbar = ui_->toolbar;
  if (QWidget* info = toolbarInfoViewController_->view()) {
    info->setMinimumSize(ui_->toolbarInfoView->minimumSize().expandedTo(info->minimumSize()));
    info->setSizePolicy(ui_->toolbarInfoView->sizePolicy());
    replaceWidget(ui_->toolbarInfoView, info);
    ui_->toolbarInfoView = info;
  }
  toolbarInfoView_ = ui_->toolbarInfoView;
  for (QWidget* view : {ui_->toolbarConnectionView, ui_->toolbarLayoutView})
    toolbar->addWidget(view)->setVisible(true);
  toolbar->addWidget(toolbarInfoView_)->setVisible(true);
  toolbar->addWidget(ui_->toolbarVolumeView)->setVisible(true);
  for (QWidget* view : {ui_->toolbarConnectionView, ui_->toolbarLayoutView, ui_->toolbarVolumeView})
    view->setFixedSize(view->sizeHint());
  // The maximise and mute buttons push in while held.
  ui_->volumeMaximize->setDown(false);
  ui_->volumeMute->setDown(false);
}

void MainWindowController::wireActions() {
  // Menus and shortcuts: every action checks again that it may run (a shortcut fires
  // without its menu being opened).
  const std::map<QString, std::function<void()>> handlers{
      {"addSite:", [this] { addSite(); }},
      {"editSite:", [this] { editSite(); }},
      {"removeSite:", [this] { removeSite(); }},
      {"addFavorite:", [this] { addFavorite(); }},
      {"saveAction:", [this] { saveAction(); }},
      {"showPreference:", [this] { emit preferencesRequested(); }},
      {"terminate:", [this] { emit quitRequested(); }},
      {"copy:", [this] { copy(); }},
      {"performDelete:", [this] { performDelete(); }},
      {"connect:", [this] { connectSelected(); }},
      {"disconnect:", [this] { disconnect(); }},
      {"connectSetupFromMenu:", [this] { connectSetupFromMenu(); }},
  };
  for (QAction* action : findChildren<QAction*>()) {
    const QString name = action->property("action").toString();
    if (name == QLatin1String("handleLayoutMenu:")) {
      connect(action, &QAction::triggered, this, [this, action] {
        if (validateAction(action)) handleLayoutMenu(action->property("tag").toInt());
      });
      continue;
    }
    const auto handler = handlers.find(name);
    if (handler == handlers.end()) continue;
    // Quit and close-window shortcuts act whatever has focus in the window.
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, action, run = handler->second] {
      if (validateAction(action)) run();
    });
  }
  for (QMenu* menu : ui_->menuBar->findChildren<QMenu*>())
    connect(menu, &QMenu::aboutToShow, this, &MainWindowController::validateActions);
  connect(qApp, &QApplication::focusChanged, this, [this] { validateActions(); });

  // Toolbar.
  connect(ui_->connectButton, &QAbstractButton::clicked, this, &MainWindowController::connectSelected);
  connect(ui_->disconnectButton, &QAbstractButton::clicked, this, &MainWindowController::disconnect);
  connect(ui_->favoriteButton, &QAbstractButton::clicked, this, [this] {
    if (hasStore()) addFavorite();
  });
  connect(ui_->remoteSetupButton, &QAbstractButton::clicked, this, &MainWindowController::connectSetup);
  connect(ui_->previousLayoutSegment, &QAbstractButton::clicked, this, [this] { changeLayout(0); });
  connect(ui_->nextLayoutSegment, &QAbstractButton::clicked, this, [this] { changeLayout(1); });
  connect(ui_->sequenceButton, &QAbstractButton::clicked, this, &MainWindowController::sequenceAction);
  for (QToolButton* segment : {ui_->treePaneSegment, ui_->panelPaneSegment})
    connect(segment, &QAbstractButton::clicked, this, [this, segment] { panes_->resizeSplitView(segment); });
  connect(ui_->volumeSlider, &QSlider::valueChanged, this, &MainWindowController::volumeChanged);
  connect(ui_->volumeMaximize, &QAbstractButton::clicked, this, &MainWindowController::maximizeVolume);
  connect(ui_->volumeMute, &QAbstractButton::clicked, this, &MainWindowController::muteVolume);
  connect(ui_->treeSearchField, &QLineEdit::textChanged, siteTreeViewController_,
          &SiteTreeViewController::updateFilter);

  // The colour controls, wherever the site panel put them.
  for (int i = 0; i < 4; ++i)
    if (QSlider* slider = colorSlider(i))
      connect(slider, &QSlider::valueChanged, this, &MainWindowController::colorControlChanged);
  if (QAbstractButton* reset = resetColorControlsButton())
    connect(reset, &QAbstractButton::clicked, this, &MainWindowController::resetColorControl);
}

// Outlets found by name.

QSlider* MainWindowController::colorSlider(int index) const {
  static const char* const names[] = {"hueControlSlider", "saturationControlSlider", "brightnessControlSlider",
                                      "contrastControlSlider"};
  ZELVO_PRECONDITION(index >= 0 && index < 4);
  return findChild<QSlider*>(QLatin1String(names[index]));
}

QAbstractButton* MainWindowController::resetColorControlsButton() const {
  return findChild<QAbstractButton*>(QStringLiteral("resetColorControlsButton"));
}

QWidget* MainWindowController::ptzCustomView() const { return findChild<QWidget*>(QStringLiteral("ptzCustomView")); }

bool MainWindowController::hasConnectionTarget(const ChildNode& node) const {
  if (!node.data().isEmpty()) return true;
  // A camera row borrows its site's target; a section row has none.
  if (node.index() <= 0 || siteTreeViewController_->core().nodeType(&node) == 0) return false;
  const std::shared_ptr<BaseNode> parent = node.parent();
  return parent && !parent->data().isEmpty();
}

std::shared_ptr<ChildNode> MainWindowController::selectedNode() const {
  return siteTreeViewController_ ? siteTreeViewController_->selectedNode() : nullptr;
}

void MainWindowController::setButtonImage(QAbstractButton* button, const char* image) {
  if (button) button->setIcon(namedIcon(QString::fromLatin1(image)));
}

// Validation.

bool MainWindowController::validateAction(const QAction* action) const {
  if (!action || !loaded_) return false;
  const QString name = action->property("action").toString();
  if (name == QLatin1String("handleLayoutMenu:")) return true;
  if (name == QLatin1String("terminate:") || name == QLatin1String("showPreference:")) return true;
  if (name == QLatin1String("saveAction:")) return hasStore();
  const bool wallFocused = videoView_ && videoView_->hasFocus();
  if (name == QLatin1String("copy:")) return wallFocused && videoView_->canCopy();
  if (name == QLatin1String("performDelete:") && wallFocused) return true;
  // Adding needs no selection: an empty address book has no row to select (its
  // sections are not selectable), and its first site must still be addable.
  if (name == QLatin1String("addSite:") || name == QLatin1String("addFavorite:")) return hasStore();

  const std::shared_ptr<ChildNode> node = selectedNode();
  if (!node) return false;
  const SiteTreeCore& tree = siteTreeViewController_->core();
  if (name == QLatin1String("connectSetupFromMenu:"))
    return tree.nodeType(node.get()) != 0 && hasConnectionTarget(*node);
  if (name == QLatin1String("connect:")) return hasConnectionTarget(*node);
  if (name == QLatin1String("removeSite:") || name == QLatin1String("editSite:") ||
      name == QLatin1String("performDelete:"))
    return node->index() == 0 && hasStore() && node->nodeID().has_value();
  return true;
}

void MainWindowController::validateActions() {
  if (!loaded_) return;
  for (QAction* action : findChildren<QAction*>())
    if (action->property("action").isValid()) action->setEnabled(validateAction(action));
}

// Tree selection and the wall's notices.

void MainWindowController::siteSelectionChanged() {
  SiteTreeCore& tree = siteTreeViewController_->core();
  const std::shared_ptr<ChildNode> node = tree.selectedNode();
  if (node && !tree.isParentExpanded(node.get())) siteTreeViewController_->outlineView()->clearSelection();
  // A section row has nothing to connect to.
  const std::shared_ptr<ChildNode> selected = selectedNode();
  ui_->connectButton->setEnabled(selected && hasConnectionTarget(*selected));
  validateActions();
}

void MainWindowController::videoViewSelectedPlaneChanged() {
  updateRemoteSetupWindowButtonState();
  updateColorControls();
  validateActions();
}

void MainWindowController::videoViewLayoutChanged() {
  const int tag = layoutMenuItemTag(videoView_->layout());
  for (QAction* action : ui_->layoutActionGroup->actions()) {
    if (action->property("tag").toInt() == tag) {
      action->setChecked(true);
      ui_->layoutPopupButton->setText(action->text());
    }
  }
  updateLayoutControlState();
}

void MainWindowController::videoViewControllerSelectedNetworkClientStateChanged(const Notification& notification) {
  const int* state = notification.get<int>(VideoViewControllerNetworkClientStateKey);
  updateColorControls();
  if (state && (*state == VideoViewControllerNetworkClientStateBound ||
                *state == VideoViewControllerNetworkClientStateUnbound))
    updateRemoteSetupWindowButtonState();
}

void MainWindowController::videoViewControllerPlaneBound() {
  ui_->favoriteButton->setEnabled(hasStore());
  ui_->disconnectButton->setEnabled(true);
}

void MainWindowController::videoViewControllerPlaneUnbound() {
  if (videoViewController_->boundNetworkClientCount() == 0) {
    ui_->favoriteButton->setEnabled(false);
    ui_->disconnectButton->setEnabled(false);
  }
}

// Connecting.

void MainWindowController::connectSelected() {
  const std::shared_ptr<ChildNode> node = selectedNode();
  // Section rows carry no target.
  if (!node || !hasConnectionTarget(*node)) return;
  disconnect();
  SiteTreeCore& tree = siteTreeViewController_->core();
  if (tree.nodeType(node.get()) != 0 && node->index() > 0) {
    const std::shared_ptr<BaseNode> parent = node->parent();
    if (parent) {
      const QByteArray camera = cameraTargetArchive(parent->data(), node->index());
      if (!camera.isEmpty()) node->setData(camera);
    }
  }
  NotificationCenter::defaultCenter().post(
      VideoViewConnectionTargetDroppedNotification, videoView_->notificationObject(),
      {{VideoViewPlaneKey, std::any(int64_t{0})}, {VideoViewConnectionTargetDataKey, std::any(node->data())}});
}

void MainWindowController::disconnect() {
  videoViewController_->disconnectAllNetworkClients();
  toolbarInfoViewController_->reset();
  if (components_.resetToolbarInfo) components_.resetToolbarInfo();
}

bool MainWindowController::isLoginRequiredForSiteInfo(const SiteInfo& site) const {
  // Only a connected client has logged in with details that work.
  if (videoViewController_) {
    const std::shared_ptr<LiveClientPort> client = videoViewController_->alreadyConnectedNetworkClientBySite(site);
    if (client && client->isConnected()) return false;
  }
  if (!isYes(site.autoLogin())) return true;
  if (isYes(site.autoDetect())) return true;
  return false;
}

bool MainWindowController::requestLoginInfoForSiteInfo(const std::shared_ptr<SiteInfo>& site) {
  if (!site) return false;
  if (!isLoginRequiredForSiteInfo(*site)) return true;
  loginWindow_->showLoginWindowWithTitle(site->name().value_or(QString()), this);
  if (loginWindow_->wasCancelled()) return false;
  site->setUser(loginWindow_->user());
  site->setPassword(loginWindow_->password());
  return true;
}

// Layouts.

void MainWindowController::handleLayoutMenu(int tag) {
  if (tag < 0 || tag > VideoViewLayoutMax) return;
  videoView_->setLayout(tag);
}

void MainWindowController::changeLayout(int segment) {
  if (segment == 0) videoView_->changeToPreviousLayout();
  else if (segment == 1) videoView_->changeToNextLayout();
}

int MainWindowController::layoutMenuItemTag(int64_t layout) {
  if (layout >= 0 && layout <= VideoViewLayoutMax) return static_cast<int>(layout);
  ZELVO_ASSERT(!"Invalid Layout");
  return 0;
}

void MainWindowController::updateLayoutControlState() {
  ui_->previousLayoutSegment->setEnabled(videoView_->canChangeToPreviousLayout());
  ui_->nextLayoutSegment->setEnabled(videoView_->canChangeToNextLayout());
}

// Volume.

void MainWindowController::volumeChanged() { applyCurrentVolume(); }

void MainWindowController::maximizeVolume() {
  ui_->volumeSlider->setValue(ui_->volumeSlider->maximum());
  applyCurrentVolume();
}

void MainWindowController::muteVolume() {
  ui_->volumeSlider->setValue(ui_->volumeSlider->minimum());
  applyCurrentVolume();
}

void MainWindowController::applyCurrentVolume() {
  const int maximum = ui_->volumeSlider->maximum();
  if (maximum <= 0) return;
  components_.adjustGain(static_cast<float>(ui_->volumeSlider->value()) / static_cast<float>(maximum));
}

// The sequence (tour of pages).

void MainWindowController::sequenceAction() {
  if (ui_->sequenceButton->isChecked()) {
    const QVariant stored =
        components_.preferences ? components_.preferences->preferenceValueForKey(PreferenceSequenceIntervalKey)
                                : QVariant();
    startTimerWithTimeInterval(stored.toInt());
    setButtonImage(ui_->sequenceButton, "toolbar_sequence_clicked");
  } else {
    setButtonImage(ui_->sequenceButton, "toolbar_sequence_normal");
    stopTimer();
  }
}

void MainWindowController::startSequence() { videoView_->changeToNextLayoutWithRotation(true, true); }

void MainWindowController::startTimerWithTimeInterval(int seconds) {
  stopTimer();
  // A missing or broken preference must not make a timer that fires without pause.
  const int interval = std::clamp(seconds, kMinimumSequenceInterval, kMaximumSequenceInterval);
  // A QTimer on the main thread also fires while a menu or a modal dialog runs its loop.
  repeatingTimer_ = new QTimer(this);
  repeatingTimer_->setInterval(interval * 1000);
  connect(repeatingTimer_, &QTimer::timeout, this, &MainWindowController::startSequence);
  repeatingTimer_->start();
}

void MainWindowController::stopTimer() {
  if (!repeatingTimer_) return;
  repeatingTimer_->stop();
  repeatingTimer_->deleteLater();
  repeatingTimer_ = nullptr;
}

void MainWindowController::sequenceDurationChanged(const Notification& notification) {
  const QVariant* value = notification.get<QVariant>(PreferenceSequenceIntervalKey.toStdString());
  if (!value || !ui_->sequenceButton->isChecked()) return;
  stopTimer();
  startTimerWithTimeInterval(value->toInt());
}

void MainWindowController::autoReconnectPreferenceChanged() {
  if (!components_.preferences) return;
  const int flag = components_.preferences->preferenceValueForKey(PreferenceAutoReconnectFlagKey).toInt();
  const double interval = components_.preferences->preferenceValueForKey(PreferenceAutoReconnectIntervalKey).toDouble();
  videoViewController_->setReconnectInterval(interval);
  videoViewController_->setAutoReconnect(flag == 1);
}

void MainWindowController::keepAspectRatioPreferenceChanged() {
  if (!components_.preferences) return;
  videoViewController_->setKeepAspectRatio(
      components_.preferences->preferenceValueForKey(PreferenceAspectRatioKey).toInt() == 1);
}

// Colour controls.

void MainWindowController::colorControlChanged() {
  float values[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    QSlider* slider = colorSlider(i);
    if (!slider) return;
    // The sliders run -100..100 for -1.0..1.0.
    values[i] = static_cast<float>(slider->value()) / 100.0f;
  }
  videoView_->setCameraConfigurationToSelectedPlane(CameraConfiguration{values[0], values[1], values[2], values[3]});
}

void MainWindowController::resetColorControl() {
  resetColorControls();
  colorControlChanged();
}

void MainWindowController::resetColorControls() {
  for (int i = 0; i < 4; ++i)
    if (QSlider* slider = colorSlider(i)) {
      const bool blocked = slider->blockSignals(true);
      slider->setValue(0);
      slider->blockSignals(blocked);
    }
}

void MainWindowController::enableColorControls(bool enable) {
  for (int i = 0; i < 4; ++i)
    if (QSlider* slider = colorSlider(i)) slider->setEnabled(enable);
  if (QAbstractButton* reset = resetColorControlsButton()) reset->setEnabled(enable);
}

void MainWindowController::updateColorControls() {
  if (videoViewController_->networkClientForSelectedPlane()) {
    const CameraConfiguration configuration = videoView_->getCameraConfigurationFromSelectedPlane();
    enableColorControls(true);
    const float values[4] = {configuration.hue, configuration.saturation, configuration.brightness,
                             configuration.contrast};
    for (int i = 0; i < 4; ++i)
      if (QSlider* slider = colorSlider(i)) {
        // Showing the plane's values is no change of them.
        const bool blocked = slider->blockSignals(true);
        slider->setValue(qRound(values[i] * 100.0f));
        slider->blockSignals(blocked);
      }
  } else {
    resetColorControls();
    enableColorControls(false);
  }
}

// Remote setup.

void MainWindowController::connectSetup() {
  QAbstractButton* button = ui_->remoteSetupButton;
  if (!button->isChecked()) {
    if (components_.closeRemoteSetup) components_.closeRemoteSetup();
    setButtonImage(button, "toolbar_setup_normal");
    return;
  }
  const std::shared_ptr<SiteInfo> site = videoViewController_->siteInfoForSelectedPlane();
  const bool shown = site && components_.showRemoteSetup && components_.showRemoteSetup(button, site);
  if (shown) {
    setButtonImage(button, "toolbar_setup_clicked");
    return;
  }
  // Nothing opened: the toggle must not say it did.
  button->setChecked(false);
  setButtonImage(button, "toolbar_setup_normal");
  updateRemoteSetupWindowButtonState();
}

void MainWindowController::connectSetupFromMenu() {
  const std::shared_ptr<ChildNode> node = selectedNode();
  if (!node || !hasConnectionTarget(*node)) return;
  SiteTreeCore& tree = siteTreeViewController_->core();
  if (tree.nodeType(node.get()) == 0) return;
  const std::shared_ptr<BaseNode> site = node->index() == 0 ? std::static_pointer_cast<BaseNode>(node) : node->parent();
  if (!site || site->data().isEmpty()) return;
  connectSetupFromConnectionTarget(site->data());
}

void MainWindowController::connectSetupFromConnectionTarget(const QByteArray& data) {
  const std::shared_ptr<ConnectionTarget> target = unarchiveConnectionTarget(data);
  if (!target) {
    zelvoLog("MainWindowController: no connection target to set up");
    return;
  }
  const struct {
    int type;
  } connectionTarget{target->type()};
  ZELVO_PRECONDITION(connectionTarget.type != ConnectionTargetTypeFavorite);
  const std::shared_ptr<SiteInfo> site = std::dynamic_pointer_cast<SiteInfo>(target);
  if (!site || !requestLoginInfoForSiteInfo(site)) return;
  if (!components_.showRemoteSetup || !components_.showRemoteSetup(this, site)) return;
  QAbstractButton* button = ui_->remoteSetupButton;
  button->setEnabled(true);
  button->setChecked(true);
  setButtonImage(button, "toolbar_setup_clicked");
}

void MainWindowController::remoteSetupWindowWillClose() {
  if (!loaded_) return;
  ui_->remoteSetupButton->setChecked(false);
  setButtonImage(ui_->remoteSetupButton, "toolbar_setup_normal");
  updateRemoteSetupWindowButtonState();
}

void MainWindowController::updateRemoteSetupWindowButtonState() {
  if (ui_->remoteSetupButton->isChecked()) return;
  ui_->remoteSetupButton->setEnabled(videoViewController_->networkClientForSelectedPlane() != nullptr);
}

void MainWindowController::toolbarInfoViewWarningClicked() {
  if (sitePanelController_) sitePanelController_->selectPanel(SitePanelController::EventLogPanel);
  if (components_.selectSitePanel) components_.selectSitePanel(SitePanelController::EventLogPanel);
  if (!ui_->panelPaneSegment->isChecked()) {
    expandSplitSitePanel();
    ui_->panelPaneSegment->setChecked(true);
  }
}

void MainWindowController::copy() {
  if (videoView_->hasFocus() && videoView_->canCopy()) videoView_->copy();
}

// Panes.

void MainWindowController::collapseSplitSiteTree() { panes_->collapseSplitSiteTree(); }
void MainWindowController::expandSplitSiteTree() { panes_->expandSplitSiteTree(); }
void MainWindowController::collapseSplitSitePanel() { panes_->collapseSplitSitePanel(); }
void MainWindowController::expandSplitSitePanel() { panes_->expandSplitSitePanel(); }

// Closing.

bool MainWindowController::commitEditing(QString* reason) {
  if (!loaded_) return true;
  SiteOutlineView* outline = siteTreeViewController_->outlineView();
  if (!outline) return true;
  // An open in-place editor is a line edit over the outline's rows.
  QLineEdit* editor = nullptr;
  for (QLineEdit* candidate : outline->viewport()->findChildren<QLineEdit*>())
    if (candidate->isVisible()) editor = candidate;
  if (!editor) return true;
  (void)reason;
  QMetaObject::invokeMethod(outline, "commitData", Qt::DirectConnection, Q_ARG(QWidget*, editor));
  QMetaObject::invokeMethod(outline, "closeEditor", Qt::DirectConnection, Q_ARG(QWidget*, editor),
                            Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
  return true;
}

void MainWindowController::closeEvent(QCloseEvent* event) {
  if (!closing_ && terminationCheck_ && !terminationCheck_()) {
    event->ignore();
    return;
  }
  closing_ = true;
  if (panes_) panes_->finishAnimations();
  event->accept();
}

void MainWindowController::closeWithoutCheck() {
  closing_ = true;
  close();
}

// ---------------------------------------------------------------------------------------
// The address book.

void MainWindowController::presentError(const StoreError& error) const { components_.presentError(error); }

bool MainWindowController::save() {
  if (!hasStore()) return false;
  StoreError error;
  if (context_->save(&error)) return true;
  // The changes stay pending; the next save, at the latest at quit, tries again.
  presentError(error);
  return false;
}

void MainWindowController::saveAction() {
  if (!hasStore()) return;
  QString reason;
  if (!commitEditing(&reason)) zelvoLog("MainWindowController:saveAction: unable to commit editing before saving");
  save();
}

std::shared_ptr<ManagedObject> MainWindowController::managedObjectWithID(const std::optional<QUrl>& uri) const {
  if (!hasStore() || !uri) return nullptr;
  return context_->objectWithURI(*uri);
}

void MainWindowController::clearSearchField() {
  if (!loaded_) return;
  ui_->treeSearchField->setText(QString());
  siteTreeViewController_->updateFilter(QString());
}

void MainWindowController::loadSiteInfo() {
  if (!hasStore()) return;
  StoreError error;
  const auto sites = context_->fetch<Site>({}, {}, &error);
  if (!sites) {
    presentError(error);
    return;
  }
  for (const std::shared_ptr<Site>& site : *sites) {
    if (isYes(site->deleted()) || isYes(site->autoDetect())) continue;
    siteTreeViewController_->core().loadSiteInfo(*SiteInfo::makeSiteInfo(*site));
  }
}

std::shared_ptr<SiteInfo> MainWindowController::siteInfoWithID(const QUrl& uri, const FavoriteCameraMap& favorites) const {
  for (const auto& [plane, camera] : favorites) {
    if (camera && camera->siteInfo() && objcEqual(camera->siteInfo()->siteID(), std::optional<QUrl>(uri)))
      return camera->siteInfo();
  }
  const std::shared_ptr<Site> site = std::dynamic_pointer_cast<Site>(managedObjectWithID(uri));
  return site ? SiteInfo::makeSiteInfo(*site) : nullptr;
}

void MainWindowController::loadFavoriteInfo() {
  if (!hasStore()) return;
  StoreError error;
  const auto favorites = context_->fetch<Favorite>({}, {}, &error);
  if (!favorites) {
    presentError(error);
    return;
  }
  for (const std::shared_ptr<Favorite>& favorite : *favorites) {
    auto target = FavoriteTarget::create();
    target->setName(favorite->name());
    target->setFavoriteID(favorite->objectURI());
    for (const std::shared_ptr<FavoriteCamera>& camera : favorite->cameras()) {
      const qint64 plane = camera->planeNumber().value_or(-1);
      if (plane < 0 || plane >= VideoViewPlaneCount) {
        zelvoLog("MainWindowController: favourite plane %lld left out: no such plane", static_cast<long long>(plane));
        continue;
      }
      const QUrl uri(camera->siteID().value_or(QString()));
      std::shared_ptr<SiteInfo> site = uri.isValid() ? siteInfoWithID(uri, target->favoriteCameras()) : nullptr;
      if (!site) {
        zelvoLog("MainWindowController: favourite plane %lld left out: its site is not in the store",
                 static_cast<long long>(plane));
        continue;
      }
      auto entry = FavoriteCameraTarget::create();
      entry->setCamera(camera->cameraNumber().value_or(0));
      entry->setSiteInfo(site);
      target->favoriteCameras()[plane] = entry;
    }
    siteTreeViewController_->core().addFavorite(*target, favorite->objectURI(), false);
  }
}

void MainWindowController::addSite() {
  if (!hasStore()) return;
  if (!ui_->treeSearchField->text().isEmpty()) clearSearchField();
  // The new row joins the store only once the dialog is done: a save while the dialog is
  // open (the sequence of events goes on) must not store a half-filled site.
  const std::shared_ptr<Site> site = context_->createObject<Site>();
  siteSetupDialog_->add(site, this);
  if (siteSetupDialog_->wasCancelled()) return;
  context_->insertObject(site);
  for (int i = 1; i <= kSiteCameraCount; ++i) {
    const std::shared_ptr<SiteCamera> camera = context_->insertNewObject<SiteCamera>();
    camera->setTitle(QStringLiteral("CAM%1").arg(i));
    camera->setCameraIndex(i);
    camera->setSite(site);
  }
  save();
  siteTreeViewController_->core().addSite(*SiteInfo::makeSiteInfo(*site));
}

void MainWindowController::editSiteInfo(SiteInfo& site, const Site& edited) const {
  site.setName(edited.name());
  site.setAddress(edited.address());
  site.setPort(edited.port());
  site.setDvrInfo(edited.dvrInfo());
  site.setAutoLogin(edited.autoLogin());
  site.setUser(edited.user());
  site.setPassword(edited.password());
}

void MainWindowController::editSite() {
  const std::shared_ptr<ChildNode> node = selectedNode();
  if (!node || !node->nodeID() || !hasStore()) return;
  const std::shared_ptr<ManagedObject> row = managedObjectWithID(node->nodeID());
  if (const auto site = std::dynamic_pointer_cast<Site>(row)) {
    siteSetupDialog_->edit(site, this);
    const std::shared_ptr<SiteInfo> info = unarchiveSiteInfo(node->data());
    if (!info) {
      zelvoLog("MainWindowController: the edited site's row carries no site");
      return;
    }
    editSiteInfo(*info, *site);
    videoViewController_->siteEdited(*info);
    updateSite(*info);
    siteTreeViewController_->core().editSite(*info);
  } else if (std::dynamic_pointer_cast<Favorite>(row)) {
    siteTreeViewController_->core().selectNode(node->nodeID(), true);
  }
}

void MainWindowController::removeSite() {
  const std::shared_ptr<ChildNode> node = selectedNode();
  if (!node || !hasStore()) return;
  if (!components_.confirmRemove(this)) return;
  removeSelectedNode();
}

void MainWindowController::removeSelectedNode() {
  const std::shared_ptr<ChildNode> node = selectedNode();
  if (!node) return;
  const std::shared_ptr<ManagedObject> row = managedObjectWithID(node->nodeID());
  if (const auto site = std::dynamic_pointer_cast<Site>(row)) {
    site->setDeleted(true);
    siteTreeViewController_->core().removeSite();
    // Saved at once: a crash must not bring a removed site back.
    save();
  } else if (const auto favorite = std::dynamic_pointer_cast<Favorite>(row)) {
    siteTreeViewController_->core().removeSite();
    context_->deleteObject(favorite);
    save();
  }
}

void MainWindowController::performDelete() {
  if (videoView_ && videoView_->hasFocus()) {
    videoView_->performDelete();
    return;
  }
  if (siteTreeViewController_->core().canRemove()) removeSite();
}

void MainWindowController::addAutoSite(SiteInfo& site) {
  const std::shared_ptr<Site> row = context_->insertNewObject<Site>();
  row->setName(site.name());
  row->setAddress(site.address());
  row->setPort(site.port());
  row->setCameraCount(site.cameraCount());
  row->setAutoDetect(site.autoDetect());
  row->setAutoLogin(site.autoLogin());
  row->setUser(site.user());
  row->setPassword(site.password());
  row->setDvrInfo(QString());
  row->setDeleted(true);
  const qint64 count = std::min(site.cameraCount().value_or(0), kMaximumAutoSiteCameras);
  for (qint64 i = 1; i <= count; ++i) {
    const std::shared_ptr<SiteCamera> camera = context_->insertNewObject<SiteCamera>();
    camera->setTitle(QStringLiteral("Cam%1").arg(i));
    camera->setCameraIndex(i);
    camera->setSite(row);
  }
  site.setSiteID(row->objectURI());
}

void MainWindowController::addFavorite() {
  if (!hasStore()) return;
  clearSearchField();
  const std::shared_ptr<Favorite> favorite = context_->insertNewObject<Favorite>();
  const QString name = handleDuplicatedName(kUntitledFavorite, Favorite::kEntityName, favorite->objectURI());
  favorite->setName(name);
  auto target = FavoriteTarget::create();
  target->setName(name);

  // One copy of the wall's record per recorder: the wall's own record keeps its login
  // choice and its stored identity, whatever the favourite stores.
  std::map<const LiveClientPort*, std::shared_ptr<SiteInfo>> copies;
  const CameraMappingTable::Slots& table = videoViewController_->cameraMappingTable();
  for (size_t plane = 0; plane < table.size(); ++plane) {
    const std::shared_ptr<const CameraMappingTableItem>& item = table[plane];
    if (!item || !item->networkClient) continue;
    std::shared_ptr<SiteInfo>& copy = copies[item->networkClient.get()];
    if (!copy) {
      const std::shared_ptr<SiteInfo> wallSite = lastAttachment(*item->networkClient);
      if (!wallSite) {
        zelvoLog("MainWindowController: plane %zu left out of the favourite: its recorder has no site", plane);
        copies.erase(item->networkClient.get());
        continue;
      }
      copy = deepCopy(*wallSite);
      copy->setAutoLogin(true);
    }
    addAutoSite(*copy);
    const std::shared_ptr<FavoriteCamera> camera = context_->insertNewObject<FavoriteCamera>();
    camera->setCameraNumber(item->camera);
    camera->setPlaneNumber(static_cast<qint64>(plane));
    camera->setSiteID(copy->siteID() ? std::optional<QString>(copy->siteID()->toString()) : std::nullopt);
    camera->setFavorite(favorite);
    auto entry = FavoriteCameraTarget::create();
    entry->setCamera(item->camera);
    entry->setSiteInfo(copy);
    target->favoriteCameras()[static_cast<qint64>(plane)] = entry;
  }
  // One save for the whole favourite: a crash leaves all of it or none.
  save();
  target->setFavoriteID(favorite->objectURI());
  siteTreeViewController_->core().addFavorite(*target, favorite->objectURI(), true);
}

void MainWindowController::editFavorite() {
  const std::shared_ptr<ChildNode> node = selectedNode();
  if (!node || !node->nodeID() || !hasStore()) return;
  const std::shared_ptr<Favorite> favorite = std::dynamic_pointer_cast<Favorite>(managedObjectWithID(node->nodeID()));
  if (!favorite) return;
  if (node->nodeTitle().isEmpty()) node->setNodeTitle(favorite->name().value_or(QString()));
  const QString title = handleDuplicatedName(node->nodeTitle(), Favorite::kEntityName, favorite->objectURI());
  node->setNodeTitle(title);
  favorite->setName(title);
  siteTreeViewController_->core().editFavoriteWhileSearching(*node, true);
  save();
}

bool MainWindowController::checkValidateName(const std::vector<std::shared_ptr<ManagedObject>>& rows,
                                             const QUrl& objectID) const {
  for (const std::shared_ptr<ManagedObject>& row : rows) {
    if (row->objectURI() == objectID) continue;
    if (const auto site = std::dynamic_pointer_cast<Site>(row)) {
      if (!isYes(site->deleted()) && !isYes(site->autoDetect())) return true;
    } else if (std::dynamic_pointer_cast<Favorite>(row)) {
      return true;
    }
  }
  return false;
}

bool MainWindowController::fetchEntity(const QString& entity, const QString& key, const QString& value,
                                       const QUrl& objectID) const {
  if (!hasStore()) return false;
  StoreError error;
  const auto rows = context_->executeFetchRequest(FetchRequest::where(entity, key, value), &error);
  if (!rows) {
    // Counted as no clash: the name check must not stop the operator.
    presentError(error);
    return false;
  }
  return checkValidateName(*rows, objectID);
}

QString MainWindowController::handleDuplicatedName(const QString& name, const QString& entity,
                                                   const QUrl& objectID) const {
  if (!fetchEntity(entity, QStringLiteral("name"), name, objectID)) return name;
  for (int n = 2;; ++n) {
    const QString candidate = QStringLiteral("%1(%2)").arg(name).arg(n);
    if (!fetchEntity(entity, QStringLiteral("name"), candidate, objectID)) return candidate;
  }
}

bool MainWindowController::hasSameSiteName(const QString& name, const QUrl& objectID) const {
  return fetchEntity(Site::kEntityName, QStringLiteral("name"), name, objectID);
}

void MainWindowController::liveClientCameraInfoUpdated(const Notification& notification) {
  if (!videoViewController_) return;
  // The client is one of the wall's: the table holds every client it talks to.
  std::shared_ptr<LiveClientPort> client;
  for (const auto& item : videoViewController_->cameraMappingTable())
    if (item && item->networkClient && item->networkClient->notificationObject() == notification.object) {
      client = item->networkClient;
      break;
    }
  if (!client) return;
  const std::shared_ptr<const SyncInfo> peer = client->peerInfo();
  const auto system = peer ? peer->syncOption<SystemInfoSyncOption>(5) : nullptr;
  for (const std::any& attachment : client->attachments()) {
    const auto* site = std::any_cast<std::shared_ptr<SiteInfo>>(&attachment);
    if (!site || !*site) continue;
    if (system) (*site)->setCameraCount(system->videoInCount());
    updateSiteFromSiteInfo(*site, client->cameraInfoArray());
  }
}

void MainWindowController::updateSiteFromSiteInfo(const std::shared_ptr<SiteInfo>& site,
                                                  const CameraInfoArray& cameras) {
  if (!site) return;
  static const std::vector<CameraInfo> none;
  siteTreeViewController_->core().updateSite(*site, cameras ? *cameras : none, isYes(site->autoDetect()));
  if (!isYes(site->autoDetect())) updateSite(*site);
}

void MainWindowController::updateSite(const SiteInfo& site) {
  const std::shared_ptr<Site> row = std::dynamic_pointer_cast<Site>(managedObjectWithID(site.siteID()));
  if (!row) return;
  row->setCameraCount(site.cameraCount());
  for (const std::shared_ptr<SiteCamera>& camera : row->cameras()) {
    const QString title = site.cameraTitleAtIndex(camera->cameraIndex().value_or(0));
    // A recorder that reports no title for a camera leaves the stored one.
    if (!title.isEmpty()) camera->setTitle(title);
  }
  if (context_->hasChanges()) save();
}

}  // namespace zelvo
