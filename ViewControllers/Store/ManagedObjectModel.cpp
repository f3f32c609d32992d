#include "ViewControllers/Store/ManagedObjectModel.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QRegularExpression>
#include <QSet>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "Resources/Resources.h"

namespace zelvo {

const QString ManagedObjectModel::kResourcePath = QStringLiteral(":/Zelvo.momd");

namespace {

// Names become table and column names: letters, digits and underscores only.
bool isIdentifier(const QString& name) {
  static const QRegularExpression pattern(QStringLiteral("^[A-Za-z][A-Za-z0-9_]{0,63}$"));
  return pattern.match(name).hasMatch();
}

QString quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

// The one reason the model is refused; the first fault found wins.
class Reader {
 public:
  bool failed() const { return !reason_.isEmpty(); }
  const QString& reason() const { return reason_; }

  bool fail(QString reason) {
    if (reason_.isEmpty()) reason_ = std::move(reason);
    return false;
  }

  // Refuses keys a reader would silently ignore: a misspelt "tomany" must not read as
  // a to-one relationship.
  bool onlyKeys(const QJsonObject& object, std::initializer_list<QLatin1StringView> keys, const QString& where) {
    for (auto it = object.begin(); it != object.end(); ++it) {
      bool known = false;
      for (const QLatin1StringView key : keys) known = known || it.key() == key;
      if (!known) return fail(QStringLiteral("unknown key %1 in %2").arg(quoted(it.key()), where));
    }
    return true;
  }

  bool identifier(const QJsonObject& object, const QString& where, QString* name) {
    const QJsonValue value = object.value(QLatin1StringView("name"));
    if (!value.isString()) return fail(QStringLiteral("%1 has no name").arg(where));
    if (!isIdentifier(value.toString()))
      return fail(QStringLiteral("%1 has the name %2, which is not an identifier").arg(where, quoted(value.toString())));
    *name = value.toString();
    return true;
  }

  // A missing list is an empty one; anything else must be a list of objects.
  bool objects(const QJsonObject& object, QLatin1StringView key, const QString& where, QJsonArray* list) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined()) {
      *list = {};
      return true;
    }
    if (!value.isArray()) return fail(QStringLiteral("%1 of %2 is not a list").arg(QString(key), where));
    *list = value.toArray();
    for (const QJsonValue item : std::as_const(*list))
      if (!item.isObject()) return fail(QStringLiteral("%1 of %2 holds something other than objects").arg(QString(key), where));
    return true;
  }

 private:
  QString reason_;
};

std::optional<AttributeType> attributeTypeNamed(const QString& name) {
  for (const AttributeType type : {AttributeType::Integer64, AttributeType::Boolean, AttributeType::String})
    if (attributeTypeName(type) == name) return type;
  return std::nullopt;
}

std::optional<DeleteRule> deleteRuleNamed(const QString& name) {
  for (const DeleteRule rule : {DeleteRule::Nullify, DeleteRule::Cascade})
    if (deleteRuleName(rule) == name) return rule;
  return std::nullopt;
}

bool readAttribute(Reader& reader, const QString& entity, const QJsonObject& object, AttributeDescription* attribute) {
  const QString where = QStringLiteral("an attribute of %1").arg(entity);
  if (!reader.identifier(object, where, &attribute->name)) return false;
  const QString path = entity + QLatin1Char('.') + attribute->name;
  if (!reader.onlyKeys(object, {QLatin1StringView("name"), QLatin1StringView("type")}, QStringLiteral("attribute ") + path))
    return false;
  const QJsonValue type = object.value(QLatin1StringView("type"));
  if (!type.isString()) return reader.fail(QStringLiteral("attribute %1 has no type").arg(path));
  const std::optional<AttributeType> known = attributeTypeNamed(type.toString());
  if (!known) return reader.fail(QStringLiteral("attribute %1 has the unknown type %2").arg(path, quoted(type.toString())));
  attribute->type = *known;
  return true;
}

// Reads what one relationship says of itself; its destination and inverse are checked
// once every entity is known.
bool readRelationship(Reader& reader, const QString& entity, const QJsonObject& object,
                      RelationshipDescription* relationship) {
  const QString where = QStringLiteral("a relationship of %1").arg(entity);
  if (!reader.identifier(object, where, &relationship->name)) return false;
  const QString path = QStringLiteral("relationship ") + entity + QLatin1Char('.') + relationship->name;
  if (!reader.onlyKeys(object,
                       {QLatin1StringView("name"), QLatin1StringView("destination"), QLatin1StringView("inverse"),
                        QLatin1StringView("toMany"), QLatin1StringView("deleteRule")},
                       path))
    return false;
  const QJsonValue destination = object.value(QLatin1StringView("destination"));
  if (!destination.isString()) return reader.fail(path + QStringLiteral(" has no destination"));
  relationship->destination = destination.toString();
  const QJsonValue inverse = object.value(QLatin1StringView("inverse"));
  if (!inverse.isString() || inverse.toString().isEmpty()) return reader.fail(path + QStringLiteral(" has no inverse"));
  relationship->inverse = inverse.toString();
  const QJsonValue toMany = object.value(QLatin1StringView("toMany"));
  if (!toMany.isBool()) return reader.fail(path + QStringLiteral(" does not say whether it is to-many"));
  relationship->toMany = toMany.toBool();
  const QJsonValue rule = object.value(QLatin1StringView("deleteRule"));
  if (!rule.isString()) return reader.fail(path + QStringLiteral(" has no delete rule"));
  const std::optional<DeleteRule> known = deleteRuleNamed(rule.toString());
  if (!known) return reader.fail(path + QStringLiteral(" has the unknown delete rule ") + quoted(rule.toString()));
  relationship->deleteRule = *known;
  return true;
}

bool readEntity(Reader& reader, int position, const QJsonObject& object, EntityDescription* entity) {
  if (!reader.identifier(object, QStringLiteral("entity %1").arg(position + 1), &entity->name)) return false;
  const QString where = QStringLiteral("entity ") + entity->name;
  if (!reader.onlyKeys(object,
                       {QLatin1StringView("name"), QLatin1StringView("attributes"), QLatin1StringView("relationships")},
                       where))
    return false;
  QJsonArray attributes;
  QJsonArray relationships;
  if (!reader.objects(object, QLatin1StringView("attributes"), where, &attributes) ||
      !reader.objects(object, QLatin1StringView("relationships"), where, &relationships))
    return false;

  // Attributes and relationships share one name space: both are properties of a row.
  QSet<QString> properties;
  const auto claim = [&](const QString& name) {
    if (properties.contains(name))
      return reader.fail(QStringLiteral("entity %1 has the property %2 twice").arg(entity->name, quoted(name)));
    properties.insert(name);
    return true;
  };
  for (const QJsonValue value : std::as_const(attributes)) {
    AttributeDescription attribute;
    if (!readAttribute(reader, entity->name, value.toObject(), &attribute) || !claim(attribute.name)) return false;
    entity->attributes.push_back(std::move(attribute));
  }
  for (const QJsonValue value : std::as_const(relationships)) {
    RelationshipDescription relationship;
    if (!readRelationship(reader, entity->name, value.toObject(), &relationship) || !claim(relationship.name))
      return false;
    entity->relationships.push_back(std::move(relationship));
  }
  return true;
}

}  // namespace

QString attributeTypeName(AttributeType type) {
  switch (type) {
    case AttributeType::Integer64:
      return QStringLiteral("integer64");
    case AttributeType::Boolean:
      return QStringLiteral("boolean");
    case AttributeType::String:
      return QStringLiteral("string");
  }
  return {};
}

QString deleteRuleName(DeleteRule rule) {
  switch (rule) {
    case DeleteRule::Nullify:
      return QStringLiteral("nullify");
    case DeleteRule::Cascade:
      return QStringLiteral("cascade");
  }
  return {};
}

const AttributeDescription* EntityDescription::attribute(QStringView attributeName) const {
  for (const AttributeDescription& attribute : attributes)
    if (attribute.name == attributeName) return &attribute;
  return nullptr;
}

const RelationshipDescription* EntityDescription::relationship(QStringView relationshipName) const {
  for (const RelationshipDescription& relationship : relationships)
    if (relationship.name == relationshipName) return &relationship;
  return nullptr;
}

const EntityDescription* ManagedObjectModel::entity(QStringView entityName) const {
  for (const EntityDescription& entity : entities_)
    if (entity.name == entityName) return &entity;
  return nullptr;
}

const RelationshipDescription* ManagedObjectModel::inverseOf(const RelationshipDescription& relationship) const {
  const EntityDescription* destination = entity(relationship.destination);
  return destination ? destination->relationship(relationship.inverse) : nullptr;
}

std::optional<ManagedObjectModel> ManagedObjectModel::fromResources(QString* reason) {
  registerResources();
  return fromFile(kResourcePath, reason);
}

std::optional<ManagedObjectModel> ManagedObjectModel::fromFile(const QString& path, QString* reason) {
  const auto refuse = [&](const QString& why) {
    if (reason) *reason = QStringLiteral("%1: %2").arg(path, why);
    return std::nullopt;
  };
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return refuse(file.errorString());
  // Read one byte past the limit, so that a file that grows while it is read is refused too.
  const QByteArray json = file.read(kMaximumSize + 1);
  if (file.error() != QFileDevice::NoError) return refuse(file.errorString());
  if (json.size() > kMaximumSize) return refuse(QStringLiteral("larger than %1 bytes").arg(kMaximumSize));
  QString why;
  std::optional<ManagedObjectModel> model = fromJson(json, &why);
  if (!model) return refuse(why);
  return model;
}

std::optional<ManagedObjectModel> ManagedObjectModel::fromJson(const QByteArray& json, QString* reason) {
  Reader reader;
  const auto refuse = [&]() -> std::optional<ManagedObjectModel> {
    if (reason) *reason = reader.reason();
    return std::nullopt;
  };
  if (json.size() > kMaximumSize) {
    reader.fail(QStringLiteral("the model is larger than %1 bytes").arg(kMaximumSize));
    return refuse();
  }
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError) {
    reader.fail(QStringLiteral("not JSON: %1 at offset %2").arg(error.errorString()).arg(error.offset));
    return refuse();
  }
  if (!document.isObject()) {
    reader.fail(QStringLiteral("the model is not a JSON object"));
    return refuse();
  }
  const QJsonObject root = document.object();

  ManagedObjectModel model;
  if (!reader.onlyKeys(root, {QLatin1StringView("name"), QLatin1StringView("version"), QLatin1StringView("entities")},
                       QStringLiteral("the model")))
    return refuse();
  const QJsonValue name = root.value(QLatin1StringView("name"));
  if (!name.isString() || name.toString().isEmpty()) {
    reader.fail(QStringLiteral("the model has no name"));
    return refuse();
  }
  model.name_ = name.toString();
  // JSON numbers are doubles: a version must be a whole number that a double holds exactly.
  const double version = root.value(QLatin1StringView("version")).toDouble(-1);
  if (!(version >= 1 && version <= 9007199254740992.0 && std::floor(version) == version)) {
    reader.fail(QStringLiteral("the model's version is not a positive whole number"));
    return refuse();
  }
  model.version_ = static_cast<qint64>(version);

  QJsonArray entities;
  if (!reader.objects(root, QLatin1StringView("entities"), QStringLiteral("the model"), &entities)) return refuse();
  if (entities.isEmpty()) {
    reader.fail(QStringLiteral("the model has no entities"));
    return refuse();
  }
  for (qsizetype i = 0; i < entities.size(); ++i) {
    EntityDescription entity;
    if (!readEntity(reader, static_cast<int>(i), entities.at(i).toObject(), &entity)) return refuse();
    if (model.entity(entity.name)) {
      reader.fail(QStringLiteral("the model has the entity %1 twice").arg(quoted(entity.name)));
      return refuse();
    }
    model.entities_.push_back(std::move(entity));
  }

  // Every relationship and its inverse must describe the same link from both ends.
  for (const EntityDescription& entity : model.entities_) {
    for (const RelationshipDescription& relationship : entity.relationships) {
      const QString path = QStringLiteral("relationship ") + entity.name + QLatin1Char('.') + relationship.name;
      const EntityDescription* destination = model.entity(relationship.destination);
      if (!destination) {
        reader.fail(path + QStringLiteral(" leads to the unknown entity ") + quoted(relationship.destination));
        return refuse();
      }
      const RelationshipDescription* inverse = destination->relationship(relationship.inverse);
      if (!inverse) {
        reader.fail(QStringLiteral("%1 names the inverse %2.%3, which does not exist")
                        .arg(path, destination->name, relationship.inverse));
        return refuse();
      }
      if (inverse->destination != entity.name || inverse->inverse != relationship.name) {
        reader.fail(QStringLiteral("%1 and its inverse %2.%3 do not lead back to each other")
                        .arg(path, destination->name, inverse->name));
        return refuse();
      }
      // The store keeps a link as a column on the to-one side; many-to-many would need a
      // table of its own, which it does not build.
      if (relationship.toMany && inverse->toMany) {
        reader.fail(path + QStringLiteral(" and its inverse are both to-many"));
        return refuse();
      }
    }
  }
  return model;
}

}  // namespace zelvo
