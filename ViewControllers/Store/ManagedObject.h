#pragma once
// One row of the address-book store, living in a ManagedObjectContext. Attribute values
// and relationships are read and written in memory; the context's save writes them.
//
// Values are QVariant: a null QVariant is an empty attribute; otherwise qint64 for
// "integer64", bool for "boolean", QString for "string". Reading gives exactly those
// types; writing another type is a precondition failure.
//
// An object belongs to the context that inserted it and keeps a link to it only as long
// as the context lives. Main thread only, like its context.

#include <QString>
#include <QStringView>
#include <QUrl>
#include <QVariant>
#include <memory>
#include <vector>

#include "ViewControllers/Store/ManagedObjectModel.h"

namespace zelvo {

class ManagedObjectContext;
struct ManagedObjectContextState;

class ManagedObject : public std::enable_shared_from_this<ManagedObject> {
 public:
  virtual ~ManagedObject();
  ManagedObject(const ManagedObject&) = delete;
  ManagedObject& operator=(const ManagedObject&) = delete;

  const EntityDescription& entity() const { return *entity_; }
  const QString& entityName() const { return entity_->name; }

  // "zelvo-store://<store UUID>/<Entity>/p<number>": fixed at insert, the same after
  // every later start, never given to another object (also not after a delete).
  QUrl objectURI() const { return uri_; }
  // The number in the URI, unique per entity of one store.
  qint64 primaryKey() const { return primaryKey_; }

  // Inserted into the context and not yet saved.
  bool isInserted() const;
  // Deleted from the context: fetches and URI look-ups no longer find it; the next save
  // removes its row.
  bool isDeleted() const { return deleted_; }

  QVariant value(QStringView attribute) const;
  void setValue(QStringView attribute, const QVariant& value);

  // To-one relationship: the destination, or null (also while it is not inserted, or deleted).
  std::shared_ptr<ManagedObject> object(QStringView relationship) const;
  // Sets a to-one relationship (null clears it); the inverse side follows.
  void setObject(QStringView relationship, const std::shared_ptr<ManagedObject>& destination);
  // To-many relationship: the destinations that are inserted and not deleted, in order of
  // insertion.
  std::vector<std::shared_ptr<ManagedObject>> objects(QStringView relationship) const;

 public:
  // Only a context makes objects (it inserts them or hands them out to be inserted).
  class ConstructionKey {
    friend class ManagedObjectContext;
    ConstructionKey() = default;
  };
  ManagedObject(ConstructionKey, std::shared_ptr<const ManagedObjectModel> model, const EntityDescription& entity);

 private:
  friend class ManagedObjectContext;
  friend struct ManagedObjectContextState;

  int attributeIndex(QStringView attribute) const;
  int relationshipIndex(QStringView relationship) const;
  bool hasUnsavedChanges() const;
  void markSaved();

  std::shared_ptr<const ManagedObjectModel> model_;
  const EntityDescription* entity_;
  std::weak_ptr<ManagedObjectContextState> context_;
  qint64 primaryKey_ = 0;
  QUrl uri_;
  bool deleted_ = false;
  bool registered_ = false;  // inserted into the context (saved or not)
  bool persisted_ = false;   // its row exists in the file
  std::vector<QVariant> values_;     // per attribute, in the model's order
  std::vector<QVariant> savedValues_;
  // Per relationship: to-one keeps one weak link, to-many the list of its destinations.
  std::vector<std::vector<std::weak_ptr<ManagedObject>>> links_;
  std::vector<qint64> savedToOne_;  // per relationship: the saved destination's key, or 0
};

}  // namespace zelvo
