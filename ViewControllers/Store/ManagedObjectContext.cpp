#include "ViewControllers/Store/ManagedObjectContext.h"

#include <algorithm>
#include <limits>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "ViewControllers/Store/Favorite.h"
#include "ViewControllers/Store/FavoriteCamera.h"
#include "ViewControllers/Store/Site.h"
#include "ViewControllers/Store/SiteCamera.h"
#include "ViewControllers/Store/StoreRows.h"

namespace zelvo {

namespace {

bool isIntegral(const QVariant& v) {
  switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
      return true;
    default:
      return false;
  }
}

// "%K == %@" on one stored value.
bool matches(AttributeType type, const QVariant& stored, const QVariant& wanted) {
  if (!wanted.isValid()) return !stored.isValid();
  if (!stored.isValid()) return false;
  switch (type) {
    case AttributeType::String:
      return wanted.metaType().id() == QMetaType::QString && stored.toString() == wanted.toString();
    case AttributeType::Integer64:
      if (wanted.metaType().id() == QMetaType::ULongLong || wanted.metaType().id() == QMetaType::ULong)
        return wanted.toULongLong() <= quint64(std::numeric_limits<qint64>::max()) &&
               stored.toLongLong() == wanted.toLongLong();
      return isIntegral(wanted) && stored.toLongLong() == wanted.toLongLong();
    case AttributeType::Boolean:
      return wanted.metaType().id() == QMetaType::Bool && stored.toBool() == wanted.toBool();
  }
  return false;
}

}  // namespace

ManagedObjectContext::ManagedObjectContext(std::shared_ptr<PersistentStoreCoordinator> coordinator)
    : coordinator_(std::move(coordinator)), state_(std::make_shared<ManagedObjectContextState>()) {
  ZELVO_PRECONDITION(coordinator_ != nullptr && coordinator_->hasStore());
  state_->model = coordinator_->managedObjectModel();
  state_->coordinator = coordinator_.get();
  std::unique_ptr<StoreContents> contents = coordinator_->takeContents();
  ZELVO_PRECONDITION(contents != nullptr);  // one context per store
  state_->maximumPrimaryKey = contents->maximumPrimaryKey;

  // Objects first, then the links between them; a key that names no row links nothing.
  for (const EntityDescription& entity : state_->model->entities()) {
    auto& objects = state_->objects[entity.name];
    for (const StoredRow& row : contents->rows[entity.name]) {
      auto object = makeObject(state_->model, entity);
      object->context_ = state_;
      object->primaryKey_ = row.primaryKey;
      object->uri_ = coordinator_->uriRepresentation({entity.name, row.primaryKey});
      object->values_ = row.values;
      object->registered_ = true;
      objects.emplace(row.primaryKey, std::move(object));
    }
  }
  qint64 dangling = 0;
  for (const EntityDescription& entity : state_->model->entities()) {
    auto& objects = state_->objects[entity.name];
    for (const StoredRow& row : contents->rows[entity.name]) {
      auto& object = objects.at(row.primaryKey);
      for (size_t i = 0; i < entity.relationships.size(); ++i) {
        const RelationshipDescription& r = entity.relationships[i];
        if (r.toMany || row.toOne[i] == 0) continue;
        auto& destinations = state_->objects[r.destination];
        auto it = destinations.find(row.toOne[i]);
        if (it == destinations.end()) {
          ++dangling;
          continue;
        }
        // A one-to-one pair read from a damaged file may disagree; the first link wins.
        if (!state_->model->inverseOf(r)->toMany && object->object(r.name)) continue;
        object->setObject(r.name, it->second);
      }
    }
  }
  if (dangling > 0) zelvoLog("Store: %lld links name rows that do not exist; they read as empty", dangling);
  for (auto& [name, objects] : state_->objects)
    for (auto& [key, object] : objects) object->markSaved();
}

ManagedObjectContext::~ManagedObjectContext() = default;

const std::shared_ptr<const ManagedObjectModel>& ManagedObjectContext::managedObjectModel() const { return state_->model; }

std::shared_ptr<ManagedObject> ManagedObjectContext::createObject(const QString& entityName) {
  const EntityDescription* entity = state_->model->entity(entityName);
  ZELVO_PRECONDITION(entity != nullptr);
  qint64& maximum = state_->maximumPrimaryKey[entity->name];
  ZELVO_ASSERT(maximum < PersistentStoreCoordinator::kMaximumPrimaryKey);
  auto object = makeObject(state_->model, *entity);
  object->context_ = state_;
  object->primaryKey_ = ++maximum;
  object->uri_ = coordinator_->uriRepresentation({entity->name, object->primaryKey_});
  return object;
}

void ManagedObjectContext::insertObject(const std::shared_ptr<ManagedObject>& object) {
  ZELVO_PRECONDITION(object != nullptr && object->context_.lock() == state_);
  ZELVO_PRECONDITION(!object->registered_ && !object->deleted_);
  object->registered_ = true;
  state_->objects[object->entityName()].emplace(object->primaryKey_, object);
}

std::shared_ptr<ManagedObject> ManagedObjectContext::insertNewObject(const QString& entityName) {
  auto object = createObject(entityName);
  insertObject(object);
  return object;
}

void ManagedObjectContext::deleteObject(const std::shared_ptr<ManagedObject>& object) {
  ZELVO_PRECONDITION(object != nullptr && object->context_.lock() == state_);
  if (object->deleted_) return;
  object->deleted_ = true;
  const EntityDescription& entity = object->entity();
  for (size_t i = 0; i < entity.relationships.size(); ++i) {
    const RelationshipDescription& r = entity.relationships[i];
    std::vector<std::shared_ptr<ManagedObject>> destinations;
    for (const auto& link : object->links_[i])
      if (auto d = link.lock()) destinations.push_back(std::move(d));
    if (r.deleteRule == DeleteRule::Cascade) {
      for (const auto& d : destinations) deleteObject(d);
    } else {
      // The others forget it: a to-one pointing here becomes empty.
      const RelationshipDescription* inverse = state_->model->inverseOf(r);
      for (const auto& d : destinations) {
        const int inverseIndex = d->relationshipIndex(inverse->name);
        auto& links = d->links_[size_t(inverseIndex)];
        links.erase(std::remove_if(links.begin(), links.end(),
                                   [&](const std::weak_ptr<ManagedObject>& l) { return l.lock() == object; }),
                    links.end());
      }
    }
  }
  // Never saved: nothing to remove from the file, so it leaves at once.
  if (object->registered_ && !object->persisted_) {
    state_->objects[entity.name].erase(object->primaryKey_);
    object->registered_ = false;
  }
}

std::optional<std::vector<std::shared_ptr<ManagedObject>>> ManagedObjectContext::executeFetchRequest(
    const FetchRequest& request, StoreError* error) const {
  const EntityDescription* entity = state_->model->entity(request.entityName);
  if (!entity) {
    if (error)
      *error = StoreError::store(StoreError::FetchFailed, QStringLiteral("The address book has no entity %1.").arg(request.entityName));
    return std::nullopt;
  }
  int index = -1;
  if (!request.key.isEmpty()) {
    for (size_t i = 0; i < entity->attributes.size(); ++i)
      if (entity->attributes[i].name == request.key) index = int(i);
    if (index < 0) {
      if (error)
        *error = StoreError::store(StoreError::FetchFailed,
                                   QStringLiteral("The entity %1 has no attribute %2.").arg(entity->name, request.key));
      return std::nullopt;
    }
  }
  std::vector<std::shared_ptr<ManagedObject>> result;
  for (const auto& [key, object] : state_->objects[entity->name]) {
    if (object->deleted_) continue;
    if (index >= 0 && !matches(entity->attributes[size_t(index)].type, object->values_[size_t(index)], request.value)) continue;
    result.push_back(object);
  }
  return result;
}

std::shared_ptr<ManagedObject> ManagedObjectContext::objectWithID(const ManagedObjectID& id) const {
  auto entity = state_->objects.find(id.entityName);
  if (entity == state_->objects.end()) return nullptr;
  auto it = entity->second.find(id.primaryKey);
  if (it == entity->second.end() || it->second->deleted_) return nullptr;
  return it->second;
}

std::shared_ptr<ManagedObject> ManagedObjectContext::objectWithURI(const QUrl& uri) const {
  const auto id = coordinator_->managedObjectIDForURIRepresentation(uri);
  return id ? objectWithID(*id) : nullptr;
}

bool ManagedObjectContext::hasChanges() const {
  for (const auto& [name, objects] : state_->objects)
    for (const auto& [key, object] : objects)
      if (!object->persisted_ || object->deleted_ || object->hasUnsavedChanges()) return true;
  return false;
}

bool ManagedObjectContext::save(StoreError* error) {
  StoreSaveRequest request;
  auto rowOf = [](const ManagedObject& object) {
    StoredRow row;
    row.primaryKey = object.primaryKey_;
    row.values = object.values_;
    row.toOne.assign(object.entity().relationships.size(), 0);
    for (size_t i = 0; i < row.toOne.size(); ++i) {
      if (object.entity().relationships[i].toMany) continue;
      if (auto d = object.object(object.entity().relationships[i].name)) row.toOne[i] = d->primaryKey_;
    }
    return row;
  };
  for (const auto& [name, objects] : state_->objects) {
    for (const auto& [key, object] : objects) {
      if (object->deleted_) {
        if (object->persisted_) request.deletes.emplace_back(&object->entity(), key);
      } else if (!object->persisted_) {
        request.inserts.push_back({&object->entity(), rowOf(*object)});
      } else if (object->hasUnsavedChanges()) {
        request.updates.push_back({&object->entity(), rowOf(*object)});
      }
    }
  }
  if (request.inserts.empty() && request.updates.empty() && request.deletes.empty()) return true;
  request.maximumPrimaryKey = state_->maximumPrimaryKey;
  if (!coordinator_->executeSave(request, error)) return false;

  // The file has it all now: deleted objects leave, the others are saved as they are.
  for (auto& [name, objects] : state_->objects) {
    for (auto it = objects.begin(); it != objects.end();) {
      if (it->second->deleted_) {
        it->second->registered_ = false;
        it = objects.erase(it);
      } else {
        it->second->markSaved();
        ++it;
      }
    }
  }
  return true;
}

std::shared_ptr<ManagedObject> ManagedObjectContext::makeObject(const std::shared_ptr<const ManagedObjectModel>& model,
                                                               const EntityDescription& entity) {
  ManagedObject::ConstructionKey key;
  if (entity.name == Site::kEntityName) return std::make_shared<Site>(key, model, entity);
  if (entity.name == SiteCamera::kEntityName) return std::make_shared<SiteCamera>(key, model, entity);
  if (entity.name == Favorite::kEntityName) return std::make_shared<Favorite>(key, model, entity);
  if (entity.name == FavoriteCamera::kEntityName) return std::make_shared<FavoriteCamera>(key, model, entity);
  return std::make_shared<ManagedObject>(key, model, entity);
}

}  // namespace zelvo
