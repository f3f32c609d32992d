#include "ViewControllers/ZelvoAppDelegate.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>

#include "Decoder/AudioPlayer.h"
#include "Foundation/Log.h"
#include "ViewControllers/Store/ManagedObjectContext.h"
#include "ViewControllers/Store/PersistentStack.h"
#include "ViewControllers/Dialogs/PreferenceController.h"
#include "ViewControllers/SiteTree/SiteTreeViewController.h"
#include "ViewControllers/Store/StoreError.h"

namespace zelvo {

namespace {

std::unique_ptr<QSettings> volumeSettings(const QString& file) {
  if (file.isEmpty()) return std::make_unique<QSettings>(QStringLiteral("Zelvo"), QStringLiteral("Zelvo"));
  return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

}  // namespace

ZelvoAppDelegate::ZelvoAppDelegate(Options options, QObject* parent) : QObject(parent), options_(std::move(options)) {
  MainWindowComponents& components = options_.components;
  if (!components.gain) components.gain = [] { return AudioPlayer::sharedPlayer().gain(); };
  if (!components.adjustGain) components.adjustGain = [](float gain) { AudioPlayer::sharedPlayer().adjustGain(gain); };
  if (!options_.presentError) {
    options_.presentError = [this](const StoreError& error) {
      QWidget* window = mainWindow_ && mainWindow_->isVisible() ? mainWindow_.get() : nullptr;
      QMessageBox box(QMessageBox::Critical, QStringLiteral("Zelvo"), error.description, QMessageBox::Ok, window);
      box.setInformativeText(error.failureReason);
      box.exec();
    };
  }
  if (!components.presentError) components.presentError = [this](const StoreError& error) { presentError(error); };
  if (!options_.askQuitAnyway) {
    options_.askQuitAnyway = [this] {
      QMessageBox box(QMessageBox::Warning, QStringLiteral("Zelvo"),
                      tr("Could not save changes while quitting. Quit anyway?"), QMessageBox::NoButton,
                      mainWindow_ && mainWindow_->isVisible() ? mainWindow_.get() : nullptr);
      box.setInformativeText(tr("Quitting now will lose any changes you have made since the last successful save"));
      QPushButton* quit = box.addButton(tr("Quit anyway"), QMessageBox::DestructiveRole);
      QPushButton* cancel = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
      box.setDefaultButton(cancel);
      box.exec();
      return box.clickedButton() == quit;
    };
  }
}

ZelvoAppDelegate::~ZelvoAppDelegate() {
  // The window's controllers use the store and the preferences: they go first.
  mainWindow_.reset();
  preferenceController_.reset();
}

void ZelvoAppDelegate::presentError(const StoreError& error) const { options_.presentError(error); }

PersistentStack& ZelvoAppDelegate::stack() {
  if (!stack_)
    stack_ = std::make_unique<PersistentStack>([this](const StoreError& error) { presentError(error); },
                                               options_.dataFolder);
  return *stack_;
}

bool ZelvoAppDelegate::applicationDidFinishLaunching() {
  loadUserDefaults();
  preferenceController_ = options_.preferencesFile.isEmpty()
                              ? std::make_unique<PreferenceController>()
                              : std::make_unique<PreferenceController>(PreferenceFile(options_.preferencesFile));

  MainWindowComponents components = options_.components;
  components.preferences = preferenceController_.get();
  components.preferenceNotificationObject = static_cast<const void*>(preferenceController_.get());
  mainWindow_ = std::make_unique<MainWindowController>(std::move(components));
  mainWindow_->setTerminationCheck([this] { return applicationShouldTerminate(); });
  connect(mainWindow_.get(), &MainWindowController::preferencesRequested, this, &ZelvoAppDelegate::showPreference);
  connect(mainWindow_.get(), &MainWindowController::quitRequested, this, [this] {
    if (!applicationShouldTerminate()) return;
    terminating_ = true;
    mainWindow_->closeWithoutCheck();
    emit terminate();
  });
  mainWindow_->installEventFilter(this);

  std::shared_ptr<ManagedObjectContext> context = managedObjectContext();
  // Two processes on one store would overwrite each other's rows: the second one ends.
  if (anotherInstanceIsRunning()) return false;
  if (context) {
    mainWindow_->setManagedObjectContext(context);
    mainWindow_->setManagedObjectModel(managedObjectModel());
    mainWindow_->setUndoStack(windowWillReturnUndoManager());
  }
  mainWindow_->showWindow();
  // The tree is the window's form's, there once the window is.
  if (SiteTreeViewController* tree = mainWindow_->siteTreeViewController(); !context && tree && stack().refusal())
    tree->showStoreRefusal(*stack().refusal());
  // Discovery ends with the application (nothing it could still report is wanted).
  if (QCoreApplication* application = QCoreApplication::instance()) {
    SiteTreeViewController* tree = mainWindow_->siteTreeViewController();
    connect(application, &QCoreApplication::aboutToQuit, this, [tree] {
      if (tree) tree->discovery().stop();
    });
  }
  return true;
}

void ZelvoAppDelegate::loadUserDefaults() {
  const std::unique_ptr<QSettings> settings = volumeSettings(options_.settingsFile);
  bool ok = false;
  float gain = settings->value(UserDefaultVolumeKey, 1.0).toFloat(&ok);
  // A damaged value reads as the default; a gain is 0 to 1.
  if (!ok || !(gain >= 0.0f && gain <= 1.0f)) gain = 1.0f;
  options_.components.adjustGain(gain);
}

void ZelvoAppDelegate::saveUserDefaults() {
  const std::unique_ptr<QSettings> settings = volumeSettings(options_.settingsFile);
  settings->setValue(UserDefaultVolumeKey, static_cast<double>(options_.components.gain()));
  settings->sync();
}

QString ZelvoAppDelegate::applicationFilesDirectory() { return PersistentStack::applicationFilesDirectory(); }

std::shared_ptr<const ManagedObjectModel> ZelvoAppDelegate::managedObjectModel() { return stack().managedObjectModel(); }

std::shared_ptr<PersistentStoreCoordinator> ZelvoAppDelegate::persistentStoreCoordinator() {
  return stack().persistentStoreCoordinator();
}

std::shared_ptr<ManagedObjectContext> ZelvoAppDelegate::managedObjectContext() {
  std::shared_ptr<ManagedObjectContext> context = stack().managedObjectContext();
  if (context) contextBuilt_ = true;
  return context;
}

bool ZelvoAppDelegate::anotherInstanceIsRunning() const { return stack_ && stack_->anotherInstanceIsRunning(); }

void ZelvoAppDelegate::saveAction() {
  if (mainWindow_) mainWindow_->saveAction();
}

bool ZelvoAppDelegate::applicationShouldTerminate() {
  saveUserDefaults();
  if (!contextBuilt_) return true;
  const std::shared_ptr<ManagedObjectContext> context = stack().managedObjectContext();
  if (!context) return true;
  if (mainWindow_) mainWindow_->commitEditing();
  if (!context->hasChanges()) return true;
  StoreError error;
  if (context->save(&error)) return true;
  // The error is shown; nothing on this platform can handle it for us.
  presentError(error);
  return options_.askQuitAnyway();
}

bool ZelvoAppDelegate::eventFilter(QObject* watched, QEvent* event) {
  if (mainWindow_ && watched == mainWindow_.get() && event->type() == QEvent::Close) {
    // The window answers the close itself (it may keep open after a failed save): whether
    // it went is known once the event is done with.
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (terminating_ || !mainWindow_ || mainWindow_->isVisible()) return;
          terminating_ = true;
          emit terminate();
        },
        Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

void ZelvoAppDelegate::showPreference() {
  PreferenceController* window = preferenceController_.get();
  if (!window) return;
  if (!window->isVisible()) {
    window->show();
    if (QScreen* screen = mainWindow_ ? mainWindow_->screen() : nullptr) {
      QRect frame = window->frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      window->move(frame.topLeft());
    }
  }
  window->raise();
  window->activateWindow();
}

}  // namespace zelvo
