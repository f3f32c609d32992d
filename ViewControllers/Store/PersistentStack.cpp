#include "ViewControllers/Store/PersistentStack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "Foundation/Log.h"

namespace zelvo {

PersistentStack::PersistentStack(ErrorPresenter presenter, QString folder, ModelLoader modelLoader)
    : presenter_([this, show = std::move(presenter)](const StoreError& error) {
        if (!error.isReadOnlyNotice() && !refusal_) refusal_ = error;
        if (show) show(error);
      }),
      folder_(folder.isEmpty() ? applicationFilesDirectory() : std::move(folder)),
      modelLoader_(std::move(modelLoader)) {
  if (!modelLoader_) modelLoader_ = [](QString* reason) { return ManagedObjectModel::fromResources(reason); };
}

PersistentStack::~PersistentStack() = default;

QString PersistentStack::applicationFilesDirectory() {
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString PersistentStack::storePath() const {
  return folder_ + QLatin1Char('/') + PersistentStoreCoordinator::kStoreFileName;
}

std::shared_ptr<const ManagedObjectModel> PersistentStack::managedObjectModel() {
  if (!model_) {
    QString reason;
    if (auto model = modelLoader_(&reason))
      model_ = std::make_shared<const ManagedObjectModel>(std::move(*model));
    else
      zelvoLog("Store: the object model could not be read: %s", qPrintable(reason));
  }
  return model_;
}

namespace {

QString posixError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

StoreError folderError(const QString& folder, const QString& why) {
  return StoreError::store(StoreError::FolderCreationFailed,
                           QStringLiteral("The folder \u201c%1\u201d could not be made or read.").arg(folder), why);
}

}  // namespace

std::shared_ptr<PersistentStoreCoordinator> PersistentStack::persistentStoreCoordinator() {
  if (coordinator_) return coordinator_;
  refusal_.reset();
  auto model = managedObjectModel();
  if (!model) {
    zelvoLog("%s:%s No model to generate a store from", "ZelvoAppDelegate", "persistentStoreCoordinator");
    return nullptr;
  }

  const QByteArray native = QFile::encodeName(folder_);
  struct stat st {};
  if (folder_.isEmpty()) {
    presenter_(folderError(folder_, QStringLiteral("There is no data folder for this user.")));
    return nullptr;
  }
  if (::stat(native.constData(), &st) != 0) {
    if (errno != ENOENT) {
      presenter_(folderError(folder_, posixError(errno)));
      return nullptr;
    }
    // Only the owner may look inside: the store holds passwords.
    const QString parent = QFileInfo(folder_).absolutePath();
    if (!QDir().mkpath(parent) || (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)) {
      presenter_(folderError(folder_, posixError(errno)));
      return nullptr;
    }
    if (::stat(native.constData(), &st) != 0) {
      presenter_(folderError(folder_, posixError(errno)));
      return nullptr;
    }
  }
  if (!S_ISDIR(st.st_mode)) {
    presenter_(StoreError{StoreError::kApplicationDomain, StoreError::kFolderIsFileCode,
                          QStringLiteral("Expected a folder to store application data, found a file (%1).").arg(folder_),
                          {}});
    return nullptr;
  }
  // Tightened to the user alone, never widened: a folder the user made read-only stays so.
  if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), st.st_mode & 0700) != 0)
    zelvoLog("Store: the folder %s could not be made private: %s", native.constData(), std::strerror(errno));

  auto coordinator = std::make_shared<PersistentStoreCoordinator>(model);
  StoreError error;
  if (!coordinator->addPersistentStore(storePath(), &error)) {
    anotherInstanceIsRunning_ = error.isAlreadyInUse();
    presenter_(error);
    return nullptr;
  }
  anotherInstanceIsRunning_ = false;
  coordinator_ = std::move(coordinator);
  // Said at start, not at the first save that fails.
  if (std::optional<StoreError> notice = coordinator_->readOnlyNotice()) presenter_(*notice);
  return coordinator_;
}

std::shared_ptr<ManagedObjectContext> PersistentStack::managedObjectContext() {
  if (context_) return context_;
  auto coordinator = persistentStoreCoordinator();
  if (!coordinator) {
    // A second instance is told only that: it is about to exit.
    if (!anotherInstanceIsRunning_)
      presenter_(StoreError{StoreError::kApplicationDomain, StoreError::kStoreInitializationCode,
                            QStringLiteral("Failed to initialize the store"),
                            QStringLiteral("There was an error building up the data file.")});
    return nullptr;
  }
  context_ = std::make_shared<ManagedObjectContext>(coordinator);
  return context_;
}

}  // namespace zelvo
