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
#include <QUndoCommand>
#include <QUndoStack>
#include <algorithm>
#include <map>

#include "Decoder/AudioPlayer.h"
#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Network/SystemInfoSyncOption.h"
#include "Network/SyncOptionType.h"
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
// The window is at least this wide, so that the wall's divider (at most 566 from the right
// edge) always stays right of the tree's (at most 333).
constexpr int kMinimumWindowWidth = 900;
static_assert(AddressBook::kWallPlaneCount == VideoViewPlaneCount);

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

// A form's place taken by a widget made elsewhere: same name, frame, and place in its
// parent's layout.
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

// One change to the address book on the undo stack. It was made before it was pushed, so
// the stack's first redo does nothing; each later one, and each undo, first empties the
// search field, so that the tree shows every row the change touches.
class AddressBookCommand : public QUndoCommand {
 public:
  AddressBookCommand(AddressBook::UndoStep step, std::function<void()> prepare)
      : QUndoCommand(step.actionName), step_(std::move(step)), prepare_(std::move(prepare)) {}
  void undo() override {
    prepare_();
    step_.undo();
  }
  void redo() override {
    if (std::exchange(done_, false)) return;
    prepare_();
    step_.redo();
  }

 private:
  AddressBook::UndoStep step_;
  std::function<void()> prepare_;
  bool done_ = true;
};

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
  ownUndoStack_ = std::make_unique<QUndoStack>();
  undoStack_ = ownUndoStack_.get();
  setManagedObjectContext(nullptr);
}

MainWindowController::~MainWindowController() {
  // Closing the window and deleting its children move the focus, which the application
  // announces and which ends the tree's editing of a favourite's name, while only the
  // QWidget part of this object is left: neither may reach us then.
  QObject::disconnect(qApp, nullptr, this, nullptr);
  // The steps act on this window's address book.
  if (undoStack_) {
    undoStack_->disconnect(this);
    undoStack_->clear();
  }
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
  addressBook_ = std::make_unique<AddressBook>(context_, components_.presentError);
  addressBook_->setListener(this);
  addressBook_->setUndoRegistrar([this](AddressBook::UndoStep step) {
    undoStack_->push(new AddressBookCommand(std::move(step), [this] { clearSearchField(); }));
  });
  // Steps of another store's book cannot be taken back in this one.
  if (undoStack_) undoStack_->clear();
}

void MainWindowController::setUndoStack(QUndoStack* stack) {
  if (undoStack_) undoStack_->disconnect(this);
  undoStack_ = stack ? stack : ownUndoStack_.get();
  if (loaded_) {
    connect(undoStack_, &QUndoStack::indexChanged, this, &MainWindowController::validateActions);
    validateActions();
  }
}

void MainWindowController::undo() {
  if (undoStack_->canUndo()) undoStack_->undo();
}

void MainWindowController::redo() {
  if (undoStack_->canRedo()) undoStack_->redo();
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
    setUpCustomViews();
    loaded_ = true;
    awakeFromNib();
  }
  show();
  raise();
  activateWindow();
}

void MainWindowController::setUpCustomViews() {
  // The form made them; what they need goes in before the window first shows (the wall
  // makes its screen when it is first painted).
  videoView_ = ui_->videoView;
  videoView_->setScreenFactory(components_.screenFactory);
  splitView_ = ui_->splitView;
  splitView_->setPanes(ui_->leftSideView, videoView_, ui_->rightSideView);
  siteTreeViewController_ = ui_->siteTreeView;
  siteTreeViewController_->startDiscovery(components_.discoveryBackend ? components_.discoveryBackend() : nullptr);
  // The form makes the search field before the tree under it, but the window opens with the
  // keyboard on the tree's outline, and Tab goes from there to the field, then on to the wall
  // and the site panel: the outline leads the focus chain.
  setTabOrder(siteTreeViewController_->outlineView(), ui_->treeSearchField);

  // The site panel with its status page.
  sitePanelController_ = ui_->sitePanel;
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
  Ui::MainWindowController& ui = *ui_;
  // Every menu command checks again that it may run: a shortcut fires without its menu
  // being opened.
  auto wire = [this](QAction* action, auto slot) {
    // Quit and close-window shortcuts act whatever has focus in the window.
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, action, slot] {
      if (validateAction(action)) (this->*slot)();
    });
  };
  wire(ui.actionAddSite, &MainWindowController::addSite);
  wire(ui.actionEditSite, &MainWindowController::editSite);
  wire(ui.actionRemoveSite, &MainWindowController::removeSite);
  wire(ui.actionAddFavorite, &MainWindowController::addFavorite);
  wire(ui.actionSave, &MainWindowController::saveAction);
  wire(ui.actionPreferences, &MainWindowController::preferencesRequested);
  wire(ui.actionQuit, &MainWindowController::quitRequested);
  wire(ui.actionUndo, &MainWindowController::undo);
  wire(ui.actionRedo, &MainWindowController::redo);
  connect(undoStack_, &QUndoStack::indexChanged, this, &MainWindowController::validateActions);
  wire(ui.actionCopy, &MainWindowController::copy);
  wire(ui.actionDelete, &MainWindowController::performDelete);
  wire(ui.actionConnect, &MainWindowController::connectSelected);
  wire(ui.actionDisconnect, &MainWindowController::disconnectAll);
  wire(ui.actionRemoteSetup, &MainWindowController::connectSetupFromMenu);
  for (QAction* action : ui.layoutActionGroup->actions())
    connect(action, &QAction::triggered, this, [this, action] {
      if (validateAction(action)) handleLayoutMenu(action->property("tag").toInt());
    });
  // The site tree's context menu: the same commands, on the row that was clicked (the
  // tree makes it the selected node as the menu opens).
  SiteTreeViewController* tree = siteTreeViewController_;
  for (const auto& entry : {std::pair{tree->editAction(), &MainWindowController::editSite},
                            std::pair{tree->removeAction(), &MainWindowController::removeSite},
                            std::pair{tree->remoteSetupAction(), &MainWindowController::connectSetupFromMenu}}) {
    // Copied out of the pair: clang 14 cannot capture a structured binding.
    QAction* action = entry.first;
    void (MainWindowController::*slot)() = entry.second;
    connect(action, &QAction::triggered, this, [this, action, slot] {
      if (validateAction(action)) (this->*slot)();
    });
  }
  connect(tree->editMenu(), &QMenu::aboutToShow, this, &MainWindowController::validateActions);
  for (QMenu* menu : ui.menuBar->findChildren<QMenu*>())
    connect(menu, &QMenu::aboutToShow, this, &MainWindowController::validateActions);
  connect(qApp, &QApplication::focusChanged, this, [this] { validateActions(); });

  // Toolbar.
  connect(ui.connectButton, &QAbstractButton::clicked, this, &MainWindowController::connectSelected);
  connect(ui.disconnectButton, &QAbstractButton::clicked, this, &MainWindowController::disconnectAll);
  connect(ui.favoriteButton, &QAbstractButton::clicked, this, [this] {
    if (validateAction(ui_->actionAddFavorite)) addFavorite();
  });
  connect(ui.remoteSetupButton, &QAbstractButton::clicked, this, &MainWindowController::connectSetup);
  connect(ui.previousLayoutSegment, &QAbstractButton::clicked, this, [this] { changeLayout(0); });
  connect(ui.nextLayoutSegment, &QAbstractButton::clicked, this, [this] { changeLayout(1); });
  connect(ui.sequenceButton, &QAbstractButton::clicked, this, &MainWindowController::sequenceAction);
  for (QToolButton* segment : {ui.treePaneSegment, ui.panelPaneSegment})
    connect(segment, &QAbstractButton::clicked, this, [this, segment] { panes_->resizeSplitView(segment); });
  connect(ui.volumeSlider, &QSlider::valueChanged, this, &MainWindowController::volumeChanged);
  connect(ui.volumeMaximize, &QAbstractButton::clicked, this, &MainWindowController::maximizeVolume);
  connect(ui.volumeMute, &QAbstractButton::clicked, this, &MainWindowController::muteVolume);
  connect(ui.treeSearchField, &QLineEdit::textChanged, siteTreeViewController_, &SiteTreeViewController::updateFilter);

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
  if (node.index() <= 0 || siteTreeViewController_->core().nodeType(&node) == SectionFavorite) return false;
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

std::vector<std::pair<QAction*, bool>> MainWindowController::actionStates() const {
  const Ui::MainWindowController& ui = *ui_;
  const bool store = hasStore();
  const bool wallFocused = videoView_ && videoView_->hasFocus();
  const std::shared_ptr<ChildNode> node = selectedNode();
  const SiteTreeCore& tree = siteTreeViewController_->core();
  // Adding a site needs no selection: an empty address book has no row to select (its
  // sections are not selectable), and its first site must still be addable.
  const bool editRemove = node && node->index() == 0 && store && node->nodeID().has_value();
  const bool remoteSetup = node && tree.nodeType(node.get()) != SectionFavorite && hasConnectionTarget(*node);
  std::vector<std::pair<QAction*, bool>> states{
      {ui.actionAddSite, store},
      {ui.actionAddFavorite, store && canAddFavorite()},
      {ui.actionSave, store},
      {ui.actionPreferences, true},
      {ui.actionQuit, true},
      {ui.actionUndo, store && undoStack_->canUndo()},
      {ui.actionRedo, store && undoStack_->canRedo()},
      {ui.actionCopy, wallFocused && videoView_->canCopy()},
      {ui.actionDelete, wallFocused || editRemove},
      {ui.actionConnect, node && hasConnectionTarget(*node)},
      {ui.actionDisconnect, node != nullptr},
      {ui.actionRemoteSetup, remoteSetup},
      {ui.actionEditSite, editRemove},
      {ui.actionRemoveSite, editRemove},
      {siteTreeViewController_->editAction(), editRemove},
      {siteTreeViewController_->removeAction(), editRemove},
      {siteTreeViewController_->remoteSetupAction(), remoteSetup},
  };
  for (QAction* layout : ui.layoutActionGroup->actions()) states.emplace_back(layout, true);
  return states;
}

bool MainWindowController::canAddFavorite() const {
  // As the star: an empty wall is no favourite.
  return videoViewController_ && videoViewController_->boundNetworkClientCount() > 0;
}

bool MainWindowController::validateAction(const QAction* action) const {
  if (!action || !loaded_) return false;
  for (const auto& [known, enabled] : actionStates())
    if (known == action) return enabled;
  return false;
}

void MainWindowController::validateActions() {
  if (!loaded_) return;
  for (const auto& [action, enabled] : actionStates()) action->setEnabled(enabled);
  ui_->favoriteButton->setEnabled(ui_->actionAddFavorite->isEnabled());
  // The titles name the change they take back or do again ("Undo Remove Site").
  const QString undone = undoStack_->undoText();
  const QString redone = undoStack_->redoText();
  ui_->actionUndo->setText(undone.isEmpty() ? tr("Undo") : tr("Undo %1").arg(undone));
  ui_->actionRedo->setText(redone.isEmpty() ? tr("Redo") : tr("Redo %1").arg(redone));
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
  ui_->disconnectButton->setEnabled(true);
  validateActions();
}

void MainWindowController::videoViewControllerPlaneUnbound() {
  if (videoViewController_->boundNetworkClientCount() == 0) ui_->disconnectButton->setEnabled(false);
  validateActions();
}

// Connecting.

void MainWindowController::connectSelected() {
  const std::shared_ptr<ChildNode> node = selectedNode();
  // Section rows carry no target.
  if (!node || !hasConnectionTarget(*node)) return;
  disconnectAll();
  SiteTreeCore& tree = siteTreeViewController_->core();
  if (tree.nodeType(node.get()) != SectionFavorite && node->index() > 0) {
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

void MainWindowController::disconnectAll() {
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
  if (tree.nodeType(node.get()) == SectionFavorite) return;
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

void MainWindowController::commitEditing() {
  if (!loaded_) return;
  SiteOutlineView* outline = siteTreeViewController_->outlineView();
  if (!outline) return;
  // An open in-place editor is a line edit over the outline's rows.
  QLineEdit* editor = nullptr;
  for (QLineEdit* candidate : outline->viewport()->findChildren<QLineEdit*>())
    if (candidate->isVisible()) editor = candidate;
  if (!editor) return;
  QMetaObject::invokeMethod(outline, "commitData", Qt::DirectConnection, Q_ARG(QWidget*, editor));
  QMetaObject::invokeMethod(outline, "closeEditor", Qt::DirectConnection, Q_ARG(QWidget*, editor),
                            Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
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

void MainWindowController::saveAction() {
  if (!hasStore()) return;
  commitEditing();
  addressBook_->save();
}

void MainWindowController::clearSearchField() {
  if (!loaded_) return;
  ui_->treeSearchField->setText(QString());
  siteTreeViewController_->updateFilter(QString());
}

void MainWindowController::loadSiteInfo() {
  for (const std::shared_ptr<SiteInfo>& site : addressBook_->loadSiteInfo())
    siteTreeViewController_->core().loadSiteInfo(*site);
}

void MainWindowController::loadFavoriteInfo() {
  for (const std::shared_ptr<FavoriteTarget>& favorite : addressBook_->loadFavoriteInfo())
    siteTreeViewController_->core().addFavorite(*favorite, favorite->favoriteID(), false);
}

void MainWindowController::addSite() {
  if (!hasStore()) return;
  if (!ui_->treeSearchField->text().isEmpty()) clearSearchField();
  const std::shared_ptr<Site> site = addressBook_->newSite();
  siteSetupDialog_->add(site, this);
  if (siteSetupDialog_->wasCancelled()) return;
  addressBook_->addSite(site);
}

void MainWindowController::editSite() {
  const std::shared_ptr<ChildNode> node = selectedNode();
  if (!node || !node->nodeID() || !hasStore()) return;
  const std::shared_ptr<ManagedObject> row = addressBook_->managedObjectWithID(node->nodeID());
  if (const auto site = std::dynamic_pointer_cast<Site>(row)) {
    const AddressBook::SiteValues before = AddressBook::siteValues(*site);
    siteSetupDialog_->edit(site, this);
    const std::shared_ptr<SiteInfo> info = unarchiveSiteInfo(node->data());
    if (!info) {
      zelvoLog("MainWindowController: the edited site's row carries no site");
      return;
    }
    addressBook_->siteEdited(*info, site, before);
    videoViewController_->siteEdited(*info);
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
  if (!node || !node->nodeID()) return;
  const std::shared_ptr<ManagedObject> row = addressBook_->managedObjectWithID(node->nodeID());
  if (std::dynamic_pointer_cast<Site>(row)) addressBook_->removeSite(*node->nodeID());
  else if (std::dynamic_pointer_cast<Favorite>(row)) addressBook_->removeFavorite(*node->nodeID());
}

void MainWindowController::performDelete() {
  if (videoView_ && videoView_->hasFocus()) {
    videoView_->performDelete();
    return;
  }
  if (siteTreeViewController_->core().canRemove()) removeSite();
}

void MainWindowController::addFavorite() {
  if (!hasStore()) return;
  clearSearchField();
  std::vector<AddressBook::WallCamera> wall;
  const CameraMappingTable::Slots& table = videoViewController_->cameraMappingTable();
  for (size_t plane = 0; plane < table.size(); ++plane) {
    const std::shared_ptr<const CameraMappingTableItem>& item = table[plane];
    if (!item || !item->networkClient) continue;
    const std::shared_ptr<SiteInfo> wallSite = lastAttachment(*item->networkClient);
    if (!wallSite) {
      zelvoLog("MainWindowController: plane %zu left out of the favourite: its recorder has no site", plane);
      continue;
    }
    wall.push_back({static_cast<qint64>(plane), item->camera, wallSite});
  }
  addressBook_->addFavorite(wall);
}

void MainWindowController::editFavorite() {
  const std::shared_ptr<ChildNode> node = selectedNode();
  if (!node || !node->nodeID() || !hasStore()) return;
  const std::optional<QString> name = addressBook_->renameFavorite(*node->nodeID(), node->nodeTitle());
  if (!name) return;
  node->setNodeTitle(*name);
  siteTreeViewController_->core().editFavoriteWhileSearching(*node, true);
}

bool MainWindowController::hasSameSiteName(const QString& name, const QUrl& objectID) const {
  return addressBook_->hasSameSiteName(name, objectID);
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
  const auto system = peer ? peer->syncOption<SystemInfoSyncOption>(SyncOptionTypeSystemInfo) : nullptr;
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
  if (!isYes(site->autoDetect())) addressBook_->updateSite(*site);
}

// The tree follows the address book.

std::shared_ptr<ChildNode> MainWindowController::selectRowOf(const QUrl& nodeID) {
  SiteTreeCore& tree = siteTreeViewController_->core();
  const std::shared_ptr<ChildNode> selected = tree.selectedNode();
  if (selected && objcEqual(selected->nodeID(), std::optional<QUrl>(nodeID))) return selected;
  tree.selectNode(nodeID, false);
  const std::shared_ptr<ChildNode> found = tree.selectedNode();
  return found && objcEqual(found->nodeID(), std::optional<QUrl>(nodeID)) ? found : nullptr;
}

void MainWindowController::siteAdded(const std::shared_ptr<SiteInfo>& site) {
  siteTreeViewController_->core().addSite(*site);
}

void MainWindowController::siteEdited(const std::shared_ptr<SiteInfo>& site) {
  if (site->siteID() && selectRowOf(*site->siteID())) siteTreeViewController_->core().editSite(*site);
}

void MainWindowController::siteRemoved(const QUrl& siteID) {
  if (selectRowOf(siteID)) siteTreeViewController_->core().removeSite();
}

void MainWindowController::favoriteAdded(const std::shared_ptr<FavoriteTarget>& favorite, bool isNew) {
  siteTreeViewController_->core().addFavorite(*favorite, favorite->favoriteID(), isNew);
}

void MainWindowController::favoriteRenamed(const QUrl& favoriteID, const QString& name) {
  const std::shared_ptr<ChildNode> node = selectRowOf(favoriteID);
  if (!node) return;
  node->setNodeTitle(name);
  SiteTreeCore& tree = siteTreeViewController_->core();
  tree.nodeChanged(*node);
  tree.editFavoriteWhileSearching(*node, tree.searching());
  tree.resort();
}

void MainWindowController::favoriteRemoved(const QUrl& favoriteID) {
  if (selectRowOf(favoriteID)) siteTreeViewController_->core().removeSite();
}

}  // namespace zelvo
