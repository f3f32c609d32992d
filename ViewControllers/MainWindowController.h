#pragma once
// The main window: the site tree on the left, the video wall in the middle, the site panel
// on the right, a toolbar with connection, layout, information and volume items, and the
// menus. Owns the child controllers, wires the interface to the wall and the recorder
// clients, runs the sequence timer, applies colours and volume, asks for login details,
// and asks the questions of the address book (AddressBook), whose changes it shows in the
// site tree.
//
// Made at launch with its child controllers; its form loads at showWindow(), after the
// store was given, because loading fills the tree from the store. The form makes the
// wall, the split view, the site tree and the site panel. Without a store the
// store's actions are disabled. Main thread only.

#include <QMainWindow>
#include <QPointer>
#include <QRectF>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "ViewControllers/SitePanelController.h"
#include "ViewControllers/Store/AddressBook.h"
#include "ViewControllers/ToolbarInfoViewController.h"
#include "ViewControllers/VideoViewController.h"
#include "ViewControllers/Wall/VideoViewScreen.h"
#include "ViewControllers/Wall/WallControllerPorts.h"

class QAbstractButton;
class QAction;
class QButtonGroup;
class QLineEdit;
class QMenu;
class QSlider;
class QToolButton;
class QUndoStack;

namespace Ui {
class MainWindowController;
}

namespace zelvo {

class ChildNode;
class DVRInfoView;
class LogViewController;
class RemoteSetupWindowController;
class VideoViewControllerPanelWall;
class Favorite;
class LoginWindowController;
class MainWindowPanes;
class MainWindowController;
class ManagedObject;
class ManagedObjectContext;
class ManagedObjectModel;
class Site;
class SiteSetupDialog;
class ServiceDiscoveryBackend;
class SiteTreeViewController;
class ThreePaneSplitView;
class VideoView;
struct StoreError;

// The pieces the main window drives but does not make itself: the site panel, the toolbar
// information strip and the remote-setup window, and the process-wide services. Each may be
// missing; what needs it then does nothing.
struct MainWindowComponents {
  // The wall's connections, decoders, sound and timers; left empty, the process's.
  VideoViewController::Collaborators wall{};
  VideoViewScreenFactory screenFactory = makeKitVideoViewScreen;
  // The discovery backend of the site tree; null: the Avahi daemon.
  std::function<std::unique_ptr<ServiceDiscoveryBackend>()> discoveryBackend;
  // The audio gain (0 to 1) of the shared player.
  std::function<float()> gain;
  std::function<void(float)> adjustGain;

  // The preference values and the object their change notices come from.
  VideoViewPreferences* preferences = nullptr;
  const void* preferenceNotificationObject = nullptr;

  // Told as well when the site panel shows a page (2: the log) and when the toolbar strip
  // is reset (tests).
  std::function<void(int page)> selectSitePanel;
  std::function<void()> resetToolbarInfo;
  // The remote-setup window: shows it connected to the site (false when it did not open)
  // and closes it; by default the window controller's own. The window reports its closing
  // through remoteSetupWindowWillClose().
  std::function<bool(QObject* sender, const std::shared_ptr<SiteInfo>& site)> showRemoteSetup;
  std::function<void()> closeRemoteSetup;

  // Store errors (a failed save, a failed fetch); the default is a message box.
  std::function<void(const StoreError&)> presentError;
  // The remove question; true for "YES". The default is a window-modal alert.
  std::function<bool(QWidget* window)> confirmRemove;
};

class MainWindowController : public QMainWindow,
                             public WallMainWindowPort,
                             public SitePanelControllerDelegate,
                             public ToolbarInfoViewDelegate,
                             private AddressBook::Listener {
  Q_OBJECT

 public:
  explicit MainWindowController(MainWindowComponents components = {}, QWidget* parent = nullptr);
  ~MainWindowController() override;

  // The store, given by the application delegate before showWindow.
  void setManagedObjectContext(std::shared_ptr<ManagedObjectContext> context);
  void setManagedObjectModel(std::shared_ptr<const ManagedObjectModel> model);
  const std::shared_ptr<ManagedObjectContext>& managedObjectContext() const { return context_; }
  AddressBook& addressBook() const { return *addressBook_; }
  // Where undo in this window acts: the changes to the address book. The application
  // gives the store's; without it the window keeps its own.
  void setUndoStack(QUndoStack* stack);
  QUndoStack* undoStack() const { return undoStack_; }
  // Edit > Undo and Redo: take back or do again the last change to the address book.
  void undo();
  void redo();

  // Loads the form (once) and shows the window.
  void showWindow();
  bool isWindowLoaded() const { return loaded_; }

  // What the application asks before it quits: true when it may end now. Also run when the
  // window is closed; a refusal keeps the window open.
  void setTerminationCheck(std::function<bool()> check) { terminationCheck_ = std::move(check); }
  // An open rename in the tree ends and is committed (the editor's text is taken as it
  // stands, so this cannot fail).
  void commitEditing();
  // Closes the window once the application has decided to quit (no second question).
  void closeWithoutCheck();

  // WallMainWindowPort.
  bool requestLoginInfoForSiteInfo(const std::shared_ptr<SiteInfo>& site) override;
  void updateSiteFromSiteInfo(const std::shared_ptr<SiteInfo>& site, const CameraInfoArray& cameras) override;
  bool isLoginRequiredForSiteInfo(const SiteInfo& site) const;

  // Children and outlets: the dialogs and sheets from the window's making, the rest (the
  // site tree and the site panel among them, which the form makes) once it has loaded.
  SiteTreeViewController* siteTreeViewController() const { return siteTreeViewController_; }
  LoginWindowController* loginWindowController() const { return loginWindow_; }
  SiteSetupDialog* siteSetupDialog() const { return siteSetupDialog_; }
  RemoteSetupWindowController* remoteSetupWindow() const { return remoteSetupWindow_.get(); }
  ToolbarInfoViewController* toolbarInfoViewController() const { return toolbarInfoViewController_; }
  SitePanelController* sitePanelController() const { return sitePanelController_; }
  LogViewController* logViewController() const { return logViewController_; }
  DVRInfoView* dvrInfoView() const { return dvrInfoView_; }
  VideoView* videoView() const { return videoView_; }
  VideoViewController* videoViewController() const { return videoViewController_.get(); }
  MainWindowPanes* panes() const { return panes_.get(); }
  ThreePaneSplitView* splitView() const { return splitView_; }
  Ui::MainWindowController* ui() const { return ui_.get(); }
  QTimer* repeatingTimer() const { return repeatingTimer_; }
  const QRectF& leftViewFrame() const { return leftViewFrame_; }
  const QRectF& rightViewFrame() const { return rightViewFrame_; }
  // The colour controls of the site panel's control page, found by name.
  QSlider* colorSlider(int index) const;
  QAbstractButton* resetColorControlsButton() const;
  QWidget* ptzCustomView() const;

  // Store operations.
  void addSite();
  void editSite();
  void removeSite();
  void performDelete();
  void doubleClickHandler() { editSite(); }
  void addFavorite();
  void editFavorite();
  bool hasSameSiteName(const QString& name, const QUrl& objectID) const;
  void liveClientCameraInfoUpdated(const Notification& notification);
  void saveAction();

  // Window actions.
  void connectSelected();
  void disconnectAll();
  void handleLayoutMenu(int tag);
  void changeLayout(int segment);
  static int layoutMenuItemTag(int64_t layout);
  void updateLayoutControlState();
  void volumeChanged();
  void maximizeVolume();
  void muteVolume();
  void applyCurrentVolume();
  void sequenceAction();
  void startSequence();
  void startTimerWithTimeInterval(int seconds);
  void stopTimer();
  void colorControlChanged();
  void resetColorControl();
  void resetColorControls();
  void enableColorControls(bool enable);
  void updateColorControls();
  void connectSetup();
  void connectSetupFromMenu();
  void connectSetupFromConnectionTarget(const QByteArray& data);
  void remoteSetupWindowWillClose();
  void updateRemoteSetupWindowButtonState();
  void toolbarInfoViewWarningClicked() override;
  void copy();

  // Pane operations.
  void collapseSplitSiteTree();
  void expandSplitSiteTree();
  void collapseSplitSitePanel();
  void expandSplitSitePanel();

  // Whether the menu item or toolbar action may run now (the menus' validation).
  bool validateAction(const QAction* action) const;
  // The wall can be stored as a favourite, as the star shows: some plane is bound.
  bool canAddFavorite() const;

  // Every action's enabled state from the current selection, plane and clients.
  void validateActions();

 signals:
  // The menus' Preferences and Quit: the application's to handle.
  void preferencesRequested();
  void quitRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void awakeFromNib();
  // Each action's enabled state, computed from the tree's selection, the wall and its focus.
  std::vector<std::pair<QAction*, bool>> actionStates() const;
  void setUpCustomViews();
  void wireActions();
  void registerObserver();
  void settingToolbarItem();
  void loadSiteInfo();
  void loadFavoriteInfo();
  void siteSelectionChanged();
  void videoViewSelectedPlaneChanged();
  void videoViewLayoutChanged();
  void videoViewControllerSelectedNetworkClientStateChanged(const Notification& notification);
  void videoViewControllerPlaneBound();
  void videoViewControllerPlaneUnbound();
  void sequenceDurationChanged(const Notification& notification);
  void autoReconnectPreferenceChanged();
  void keepAspectRatioPreferenceChanged();

  // Store steps.
  bool hasStore() const { return addressBook_->hasStore(); }
  void removeSelectedNode();
  void clearSearchField();

  // AddressBook::Listener: the tree follows the book.
  void siteAdded(const std::shared_ptr<SiteInfo>& site) override;
  void siteEdited(const std::shared_ptr<SiteInfo>& site) override;
  void siteRemoved(const QUrl& siteID) override;
  void favoriteAdded(const std::shared_ptr<FavoriteTarget>& favorite, bool isNew) override;
  void favoriteRenamed(const QUrl& favoriteID, const QString& name) override;
  void favoriteRemoved(const QUrl& favoriteID) override;
  // The tree's row of a site or favourite, selected; null when it has none.
  std::shared_ptr<ChildNode> selectRowOf(const QUrl& nodeID);

  std::shared_ptr<ChildNode> selectedNode() const;
  // The row stands for a recorder or a camera (a section row does not).
  bool hasConnectionTarget(const ChildNode& node) const;
  void setButtonImage(QAbstractButton* button, const char* image);

  MainWindowComponents components_;
  std::shared_ptr<ManagedObjectContext> context_;
  std::shared_ptr<const ManagedObjectModel> model_;
  std::unique_ptr<AddressBook> addressBook_;
  std::unique_ptr<QUndoStack> ownUndoStack_;
  QUndoStack* undoStack_ = nullptr;
  std::unique_ptr<Ui::MainWindowController> ui_;

  // Child controllers, made with the window controller (Qt children of it), but for the
  // site tree and the site panel, which the form makes.
  SiteTreeViewController* siteTreeViewController_ = nullptr;
  LoginWindowController* loginWindow_ = nullptr;
  SiteSetupDialog* siteSetupDialog_ = nullptr;
  std::unique_ptr<RemoteSetupWindowController> remoteSetupWindow_;
  ToolbarInfoViewController* toolbarInfoViewController_ = nullptr;
  SitePanelController* sitePanelController_ = nullptr;
  LogViewController* logViewController_ = nullptr;
  DVRInfoView* dvrInfoView_ = nullptr;
  std::unique_ptr<VideoViewControllerPanelWall> panelWall_;

  VideoView* videoView_ = nullptr;
  std::unique_ptr<VideoViewController> videoViewController_;
  ThreePaneSplitView* splitView_ = nullptr;
  std::unique_ptr<MainWindowPanes> panes_;
  QRectF leftViewFrame_;
  QRectF rightViewFrame_;
  QTimer* repeatingTimer_ = nullptr;
  QWidget* toolbarInfoView_ = nullptr;
  std::vector<Observation> observations_;
  std::function<bool()> terminationCheck_;
  bool loaded_ = false;
  bool closing_ = false;
};

}  // namespace zelvo
