#pragma once
// The SQLite file behind the address book, through Qt SQL: opens or creates the store,
// guards it against a second instance, refuses files that are not ours, and turns object
// URIs into identities. Main thread only.
//
// Opening never writes to a file it does not accept: a foreign, damaged, too large or
// differently versioned file is an error and stays byte for byte as it was. An empty file
// (or an SQLite file without a single table) is a new store.
//
// A store that cannot be written (a full disk; a file, folder or disk that is read-only)
// is still opened, read-only and without the instance lock when the lock cannot be made,
// so that the address book is shown; readOnlyNotice() says why, and every save fails
// with that reason, its changes kept pending. On a full disk a save first tries again
// to open the store for writing, once there is room and the file is as it was read.

#include <QString>
#include <QUrl>
#include <QUuid>
#include <memory>
#include <optional>

#include "ViewControllers/Store/ManagedObjectModel.h"
#include "ViewControllers/Store/StoreError.h"

namespace zelvo {

// The identity of one stored object: its entity and its number in that entity.
struct ManagedObjectID {
  QString entityName;
  qint64 primaryKey = 0;
  bool operator==(const ManagedObjectID&) const = default;
};

struct StoreContents;
struct StoreSaveRequest;

class PersistentStoreCoordinator {
 public:
  static const QString kStoreFileName;  // "Zelvo.storedata"
  static const QString kLockFileName;   // "Zelvo.storedata.lock", next to the store
  static const QString kURIScheme;      // "zelvo-store"

  // What a store may hold before it is refused as not an address book.
  static constexpr qint64 kMaximumRows = 1'000'000;             // all entities together
  static constexpr qint64 kMaximumTextBytes = 64 * 1024;        // one text value; longer reads as empty
  static constexpr qint64 kMaximumTotalTextBytes = 256 << 20;   // all text together
  static constexpr qint64 kMaximumPrimaryKey = qint64(1) << 53;

  explicit PersistentStoreCoordinator(std::shared_ptr<const ManagedObjectModel> model);
  ~PersistentStoreCoordinator();  // closes the file and releases the instance lock
  PersistentStoreCoordinator(const PersistentStoreCoordinator&) = delete;
  PersistentStoreCoordinator& operator=(const PersistentStoreCoordinator&) = delete;

  const std::shared_ptr<const ManagedObjectModel>& managedObjectModel() const { return model_; }

  // Takes the instance lock (StoreError::AlreadyInUse while another process holds it),
  // creates the file with mode 0600 when it is missing, opens it, creates the tables of
  // a new store and reads the whole store. One store per coordinator.
  bool addPersistentStore(const QString& path, StoreError* error);
  bool hasStore() const;
  // Why changes cannot be kept (StoreError::DiskFull or ReadOnlyStore), or nothing.
  std::optional<StoreError> readOnlyNotice() const;
  const QString& storePath() const { return path_; }
  QUuid storeUUID() const { return uuid_; }

  // The identity a URI names: the scheme, this store's UUID, an entity of the model and a
  // key in range; anything else (also a URI of another store) gives nothing. Whether such
  // an object exists is the context's question.
  std::optional<ManagedObjectID> managedObjectIDForURIRepresentation(const QUrl& uri) const;
  QUrl uriRepresentation(const ManagedObjectID& id) const;

 private:
  friend class ManagedObjectContext;
  struct Private;

  // The rows read at open, handed once to the context that is built on the store.
  std::unique_ptr<StoreContents> takeContents();
  // Writes one save in one transaction; rolls back on failure.
  bool executeSave(const StoreSaveRequest& request, StoreError* error);
  // A store opened read-only on a full disk becomes writable when there is room again.
  bool reopenForWriting();

  std::shared_ptr<const ManagedObjectModel> model_;
  QString path_;
  QUuid uuid_;
  std::unique_ptr<Private> d_;
};

}  // namespace zelvo
