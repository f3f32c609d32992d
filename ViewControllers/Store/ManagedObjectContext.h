#pragma once
// The address book in memory: every stored object, with the unsaved inserts, edits and
// deletes on top. Fetches answer from memory, so they see unsaved inserts and edits and do
// not see unsaved deletes. A save writes all pending changes in one transaction; a failed
// save rolls the file back and keeps every change pending, to be saved again later.
// Main thread only.

#include <QString>
#include <QUrl>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

#include "ViewControllers/Store/ManagedObject.h"
#include "ViewControllers/Store/PersistentStoreCoordinator.h"
#include "ViewControllers/Store/StoreError.h"

namespace zelvo {

// Objects of one entity, all of them or those whose attribute equals a value ("%K == %@":
// exact, case-sensitive for text; a null value matches the empty attributes, and an empty
// attribute equals no other value).
struct FetchRequest {
  QString entityName;
  QString key;  // empty: no predicate
  QVariant value;

  static FetchRequest all(QString entityName) { return {std::move(entityName), {}, {}}; }
  static FetchRequest where(QString entityName, QString key, QVariant value) {
    return {std::move(entityName), std::move(key), std::move(value)};
  }
};

struct ManagedObjectContextState;

class ManagedObjectContext {
 public:
  // The coordinator must hold a store; the context takes the rows it read.
  explicit ManagedObjectContext(std::shared_ptr<PersistentStoreCoordinator> coordinator);
  ~ManagedObjectContext();
  ManagedObjectContext(const ManagedObjectContext&) = delete;
  ManagedObjectContext& operator=(const ManagedObjectContext&) = delete;

  const std::shared_ptr<PersistentStoreCoordinator>& persistentStoreCoordinator() const { return coordinator_; }
  const std::shared_ptr<const ManagedObjectModel>& managedObjectModel() const;

  // A new object of the entity ("Site", "SiteCamera", "Favorite", "FavoriteCamera"),
  // inserted: its URI is final at once. An unknown entity is a precondition failure.
  std::shared_ptr<ManagedObject> insertNewObject(const QString& entityName);
  template <class T>
  std::shared_ptr<T> insertNewObject() {
    return std::static_pointer_cast<T>(insertNewObject(T::kEntityName));
  }

  // A new object that is not inserted yet: it has its URI, but fetches, URI look-ups and
  // saves ignore it until insertObject (for a record that is being filled in while saves
  // may run). Dropping it unused leaves nothing behind; its URI is never given again.
  std::shared_ptr<ManagedObject> createObject(const QString& entityName);
  template <class T>
  std::shared_ptr<T> createObject() {
    return std::static_pointer_cast<T>(createObject(T::kEntityName));
  }
  void insertObject(const std::shared_ptr<ManagedObject>& object);

  // Marks the object deleted, with the objects its cascading relationships reach; other
  // objects' links to it are cleared. An object that was never saved simply goes away.
  void deleteObject(const std::shared_ptr<ManagedObject>& object);

  // Objects in order of insertion; nothing and the error for an entity or key that the
  // model does not have.
  std::optional<std::vector<std::shared_ptr<ManagedObject>>> executeFetchRequest(const FetchRequest& request,
                                                                                StoreError* error = nullptr) const;
  template <class T>
  std::optional<std::vector<std::shared_ptr<T>>> fetch(const QString& key = {}, const QVariant& value = {},
                                                       StoreError* error = nullptr) const {
    auto objects = executeFetchRequest(key.isEmpty() ? FetchRequest::all(T::kEntityName)
                                                     : FetchRequest::where(T::kEntityName, key, value),
                                       error);
    if (!objects) return std::nullopt;
    std::vector<std::shared_ptr<T>> typed;
    typed.reserve(objects->size());
    for (auto& object : *objects) typed.push_back(std::static_pointer_cast<T>(object));
    return typed;
  }

  // The inserted, not deleted object a URI names; null for a malformed, foreign or
  // unknown URI, or one whose object was deleted.
  std::shared_ptr<ManagedObject> objectWithURI(const QUrl& uri) const;
  std::shared_ptr<ManagedObject> objectWithID(const ManagedObjectID& id) const;
  template <class T>
  std::shared_ptr<T> objectWithURI(const QUrl& uri) const {
    return std::dynamic_pointer_cast<T>(objectWithURI(uri));
  }

  bool hasChanges() const;
  // Writes every pending change in one transaction. On failure nothing of it is in the
  // file, the changes stay pending and the error says why.
  bool save(StoreError* error = nullptr);

 private:
  // The entity's own class ("Site" is a Site), or a plain ManagedObject.
  static std::shared_ptr<ManagedObject> makeObject(const std::shared_ptr<const ManagedObjectModel>& model,
                                                   const EntityDescription& entity);

  std::shared_ptr<PersistentStoreCoordinator> coordinator_;
  std::shared_ptr<ManagedObjectContextState> state_;
};

}  // namespace zelvo
