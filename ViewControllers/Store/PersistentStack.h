#pragma once
// The store as the application delegate builds it at launch: the model, the coordinator
// with the SQLite file in the application's data folder, and the context, each made on
// first request and kept; a failed step gives null and is tried again on the next request.
// Errors go to the presenter in the order the operator should read them: a failed
// coordinator shows its own error, then the "Failed to initialize the store" error.
// A second instance gets only the AlreadyInUse error (anotherInstanceIsRunning()), so that
// the application can say so and exit. A store that opens but cannot be written (a full
// disk, a read-only file or folder) is presented at once with its DiskFull or
// ReadOnlyStore notice, before any save. Main thread only.

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "ViewControllers/Store/ManagedObjectContext.h"
#include "ViewControllers/Store/ManagedObjectModel.h"
#include "ViewControllers/Store/PersistentStoreCoordinator.h"
#include "ViewControllers/Store/StoreError.h"

namespace zelvo {

class PersistentStack {
 public:
  using ErrorPresenter = std::function<void(const StoreError&)>;
  using ModelLoader = std::function<std::optional<ManagedObjectModel>(QString* reason)>;

  // The folder defaults to applicationFilesDirectory(); the model to the compiled-in one.
  explicit PersistentStack(ErrorPresenter presenter, QString folder = {}, ModelLoader modelLoader = {});
  ~PersistentStack();

  // QStandardPaths::AppDataLocation: "~/.local/share/Zelvo" for the application "Zelvo".
  static QString applicationFilesDirectory();
  const QString& folder() const { return folder_; }
  QString storePath() const;

  std::shared_ptr<const ManagedObjectModel> managedObjectModel();
  std::shared_ptr<PersistentStoreCoordinator> persistentStoreCoordinator();
  std::shared_ptr<ManagedObjectContext> managedObjectContext();

  // The last coordinator attempt failed because another instance holds the store.
  bool anotherInstanceIsRunning() const { return anotherInstanceIsRunning_; }
  // Why there is no store, for as long as there is none: the first error the last
  // failed attempt presented. The window keeps saying it where the sites would be.
  const std::optional<StoreError>& refusal() const { return refusal_; }

 private:
  ErrorPresenter presenter_;
  QString folder_;
  ModelLoader modelLoader_;
  std::shared_ptr<const ManagedObjectModel> model_;
  std::shared_ptr<PersistentStoreCoordinator> coordinator_;
  std::shared_ptr<ManagedObjectContext> context_;
  bool anotherInstanceIsRunning_ = false;
  std::optional<StoreError> refusal_;
};

}  // namespace zelvo
