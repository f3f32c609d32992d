#pragma once
// The application: at launch it restores the audio volume, makes the preferences and the
// main window, builds the address-book store and hands it to the window, and shows it; at
// quit it stores the volume and saves what is pending in the store, asking the operator
// when the save fails. Main thread only.

#include <QObject>
#include <QUndoStack>
#include <QString>
#include <functional>
#include <memory>

#include "ViewControllers/MainWindowController.h"

namespace zelvo {

class ManagedObjectContext;
class ManagedObjectModel;
class PersistentStack;
class PersistentStoreCoordinator;
class PreferenceController;
struct StoreError;

inline const QString UserDefaultVolumeKey = QStringLiteral("UserDefaultVolumeKey");

class ZelvoAppDelegate : public QObject {
  Q_OBJECT

 public:
  struct Options {
    // The store's folder; empty: ~/.local/share/Zelvo.
    QString dataFolder;
    // The volume's settings file; empty: QSettings("Zelvo", "Zelvo").
    QString settingsFile;
    // The preference file; empty: the user's.
    QString preferencesFile;
    // Errors for the operator; the default is a message box.
    std::function<void(const StoreError&)> presentError;
    // The failed-save question at quit: true for "Quit anyway". The default is an alert.
    std::function<bool()> askQuitAnyway;
    // The window's parts and the process's services.
    MainWindowComponents components;
  };

  explicit ZelvoAppDelegate(Options options = {}, QObject* parent = nullptr);
  ~ZelvoAppDelegate() override;

  // The launch steps. False when the application must end at once (another instance
  // holds the store; the operator was told).
  bool applicationDidFinishLaunching();

  void loadUserDefaults();
  void saveUserDefaults();

  static QString applicationFilesDirectory();
  // Made on first request; null after a failure (a later request tries again).
  std::shared_ptr<const ManagedObjectModel> managedObjectModel();
  std::shared_ptr<PersistentStoreCoordinator> persistentStoreCoordinator();
  std::shared_ptr<ManagedObjectContext> managedObjectContext();
  bool anotherInstanceIsRunning() const;
  // The store's undo stack, so that undo in the main window acts on the store.
  QUndoStack* windowWillReturnUndoManager() { return &undoManager_; }

  // Commits the tree's open rename and saves; a failed save is presented.
  void saveAction();
  // True: quit now. False: the application goes on (the window stays).
  bool applicationShouldTerminate();
  static bool applicationShouldTerminateAfterLastWindowClosed() { return true; }
  // Closing the main window ends the application, also while the preferences or the
  // remote-setup window is still open (they are no way back to the wall): terminate()
  // follows the close once the window has agreed to it.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showPreference();

  PreferenceController* preferenceController() const { return preferenceController_.get(); }
  MainWindowController* mainWindow() const { return mainWindow_.get(); }

 signals:
  // Quit was asked for and agreed to.
  void terminate();

 private:
  void presentError(const StoreError& error) const;
  PersistentStack& stack();

  Options options_;
  std::unique_ptr<PersistentStack> stack_;
  QUndoStack undoManager_;
  bool contextBuilt_ = false;
  std::unique_ptr<PreferenceController> preferenceController_;
  std::unique_ptr<MainWindowController> mainWindow_;
  bool terminating_ = false;
};

}  // namespace zelvo
