#include "ViewControllers/Store/ManagedObject.h"

#include <algorithm>
#include <limits>

#include "Foundation/Assert.h"
#include "ViewControllers/Store/StoreRows.h"

namespace zelvo {

namespace {

// The one representation of each type, so that comparing with the saved value tells
// whether an attribute changed.
QVariant normalised(AttributeType type, const QVariant& value) {
  if (!value.isValid()) return {};
  const int id = value.metaType().id();
  switch (type) {
    case AttributeType::Integer64:
      switch (id) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
          return QVariant::fromValue<qint64>(value.toLongLong());
        case QMetaType::ULong:
        case QMetaType::ULongLong:
          ZELVO_PRECONDITION(value.toULongLong() <= quint64(std::numeric_limits<qint64>::max()));
          return QVariant::fromValue<qint64>(value.toLongLong());
        default:
          break;
      }
      break;
    case AttributeType::Boolean:
      if (id == QMetaType::Bool) return value;
      break;
    case AttributeType::String:
      // An empty text stays a value: SQLite would store a null QString as an empty attribute.
      if (id == QMetaType::QString) return value.toString().isNull() ? QVariant(QStringLiteral("")) : value;
      break;
  }
  const bool valueHasAttributeType = false;
  ZELVO_PRECONDITION(valueHasAttributeType);
  return {};
}

}  // namespace

ManagedObject::ManagedObject(ConstructionKey, std::shared_ptr<const ManagedObjectModel> model, const EntityDescription& entity)
    : model_(std::move(model)),
      entity_(&entity),
      values_(entity.attributes.size()),
      savedValues_(entity.attributes.size()),
      links_(entity.relationships.size()),
      savedToOne_(entity.relationships.size(), 0) {}

ManagedObject::~ManagedObject() = default;

bool ManagedObject::isInserted() const { return registered_ && !persisted_ && !deleted_; }

int ManagedObject::attributeIndex(QStringView attribute) const {
  for (size_t i = 0; i < entity_->attributes.size(); ++i)
    if (entity_->attributes[i].name == attribute) return int(i);
  return -1;
}

int ManagedObject::relationshipIndex(QStringView relationship) const {
  for (size_t i = 0; i < entity_->relationships.size(); ++i)
    if (entity_->relationships[i].name == relationship) return int(i);
  return -1;
}

QVariant ManagedObject::value(QStringView attribute) const {
  const int i = attributeIndex(attribute);
  ZELVO_PRECONDITION(i >= 0);
  return values_[size_t(i)];
}

void ManagedObject::setValue(QStringView attribute, const QVariant& value) {
  const int i = attributeIndex(attribute);
  ZELVO_PRECONDITION(i >= 0);
  values_[size_t(i)] = normalised(entity_->attributes[size_t(i)].type, value);
}

std::shared_ptr<ManagedObject> ManagedObject::object(QStringView relationship) const {
  const int i = relationshipIndex(relationship);
  ZELVO_PRECONDITION(i >= 0 && !entity_->relationships[size_t(i)].toMany);
  const auto& links = links_[size_t(i)];
  if (links.empty()) return nullptr;
  auto destination = links.front().lock();
  return destination && destination->registered_ && !destination->deleted_ ? destination : nullptr;
}

std::vector<std::shared_ptr<ManagedObject>> ManagedObject::objects(QStringView relationship) const {
  const int i = relationshipIndex(relationship);
  ZELVO_PRECONDITION(i >= 0 && entity_->relationships[size_t(i)].toMany);
  std::vector<std::shared_ptr<ManagedObject>> result;
  for (const auto& link : links_[size_t(i)])
    if (auto destination = link.lock(); destination && destination->registered_ && !destination->deleted_) result.push_back(std::move(destination));
  std::sort(result.begin(), result.end(), [](const auto& a, const auto& b) { return a->primaryKey_ < b->primaryKey_; });
  return result;
}

namespace {

void unlink(std::vector<std::weak_ptr<ManagedObject>>& links, const ManagedObject* target) {
  links.erase(std::remove_if(links.begin(), links.end(),
                             [&](const std::weak_ptr<ManagedObject>& l) {
                               auto o = l.lock();
                               return !o || o.get() == target;
                             }),
              links.end());
}

}  // namespace

void ManagedObject::setObject(QStringView relationship, const std::shared_ptr<ManagedObject>& destination) {
  const int i = relationshipIndex(relationship);
  ZELVO_PRECONDITION(i >= 0 && !entity_->relationships[size_t(i)].toMany);
  const RelationshipDescription& description = entity_->relationships[size_t(i)];
  const RelationshipDescription* inverse = model_->inverseOf(description);
  ZELVO_ASSERT(inverse != nullptr);
  if (destination) {
    ZELVO_PRECONDITION(destination->entity_->name == description.destination);
    ZELVO_PRECONDITION(!context_.expired() && destination->context_.lock() == context_.lock());
  }
  auto& links = links_[size_t(i)];
  auto current = links.empty() ? nullptr : links.front().lock();
  if (current == destination) return;
  const int inverseIndex = destination ? destination->relationshipIndex(inverse->name)
                                       : (current ? current->relationshipIndex(inverse->name) : -1);
  // Off the former destination's inverse.
  if (current) unlink(current->links_[size_t(current->relationshipIndex(inverse->name))], this);
  links.clear();
  if (!destination) return;
  links.push_back(destination);
  auto& inverseLinks = destination->links_[size_t(inverseIndex)];
  if (!inverse->toMany) {
    // One-to-one: the destination's former partner loses its link.
    if (!inverseLinks.empty())
      if (auto partner = inverseLinks.front().lock(); partner && partner.get() != this)
        partner->links_[size_t(i)].clear();
    inverseLinks.clear();
  }
  inverseLinks.push_back(weak_from_this());
}

bool ManagedObject::hasUnsavedChanges() const {
  if (values_ != savedValues_) return true;
  for (size_t i = 0; i < links_.size(); ++i) {
    if (entity_->relationships[i].toMany) continue;
    auto destination = object(entity_->relationships[i].name);
    if ((destination ? destination->primaryKey_ : 0) != savedToOne_[i]) return true;
  }
  return false;
}

void ManagedObject::markSaved() {
  savedValues_ = values_;
  for (size_t i = 0; i < links_.size(); ++i) {
    if (entity_->relationships[i].toMany) continue;
    auto destination = object(entity_->relationships[i].name);
    savedToOne_[i] = destination ? destination->primaryKey_ : 0;
  }
  persisted_ = true;
}

}  // namespace zelvo
