#pragma once
// The store's object model: the entities, their attributes and their relationships, read
// from the JSON description compiled in as ":/Zelvo.momd". The store builds its tables
// from it, so the reader refuses anything the store could not build: a malformed model
// gives no model and a reason, never a half-checked one.
//
// What a model that loads guarantees:
// - entity, attribute and relationship names are identifiers ([A-Za-z][A-Za-z0-9_]*, at
//   most 64 characters), unique among entities and, per entity, among its attributes and
//   relationships together; they are still quoted wherever they become SQL ("index" and
//   "deleted" are attribute names);
// - every attribute has one of three types; every attribute is optional (may be empty);
// - every relationship names an existing destination and an inverse there whose own
//   destination and inverse lead back to it; at most one side of a pair is to-many.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

namespace zelvo {

enum class AttributeType {
  Integer64,  // "integer64": numbers, 64-bit signed
  Boolean,    // "boolean"
  String,     // "string": text
};

enum class DeleteRule {
  Nullify,  // "nullify": deleting the source clears the destination's inverse
  Cascade,  // "cascade": deleting the source deletes its destinations (an owner's rule)
};

struct AttributeDescription {
  QString name;
  AttributeType type = AttributeType::String;
};

struct RelationshipDescription {
  QString name;
  QString destination;  // entity name
  QString inverse;      // relationship name on the destination
  bool toMany = false;
  DeleteRule deleteRule = DeleteRule::Nullify;
};

struct EntityDescription {
  QString name;
  std::vector<AttributeDescription> attributes;        // in the model's order
  std::vector<RelationshipDescription> relationships;  // in the model's order

  const AttributeDescription* attribute(QStringView attributeName) const;
  const RelationshipDescription* relationship(QStringView relationshipName) const;
};

class ManagedObjectModel {
 public:
  // Where the program's own model is compiled in.
  static const QString kResourcePath;  // ":/Zelvo.momd"
  // Descriptions longer than this are refused unread.
  static constexpr qint64 kMaximumSize = 1 << 20;

  // The program's own model. On failure the reason says what is wrong.
  static std::optional<ManagedObjectModel> fromResources(QString* reason = nullptr);
  static std::optional<ManagedObjectModel> fromFile(const QString& path, QString* reason = nullptr);
  static std::optional<ManagedObjectModel> fromJson(const QByteArray& json, QString* reason = nullptr);

  const QString& name() const { return name_; }
  // Raised whenever the tables the model describes change.
  qint64 version() const { return version_; }
  const std::vector<EntityDescription>& entities() const { return entities_; }
  const EntityDescription* entity(QStringView entityName) const;
  // The other side of a relationship of this model (never null for one that loaded).
  const RelationshipDescription* inverseOf(const RelationshipDescription& relationship) const;

 private:
  ManagedObjectModel() = default;

  QString name_;
  qint64 version_ = 0;
  std::vector<EntityDescription> entities_;
};

// The JSON names of the types and rules ("integer64", "cascade", ...).
QString attributeTypeName(AttributeType type);
QString deleteRuleName(DeleteRule rule);

}  // namespace zelvo
