// The store's object model: the compiled-in description holds exactly the address book's
// four entities, and a description the store could not build tables from is refused with
// a reason instead of loading half-checked.
#include "ViewControllers/Store/ManagedObjectModel.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zelvo {
namespace {

using Attributes = std::map<std::string, AttributeType>;

struct ExpectedRelationship {
  std::string name;
  std::string destination;
  std::string inverse;
  bool toMany;
  DeleteRule deleteRule;
};

struct ExpectedEntity {
  std::string name;
  Attributes attributes;
  std::vector<ExpectedRelationship> relationships;
};

constexpr AttributeType kInteger = AttributeType::Integer64;
constexpr AttributeType kBoolean = AttributeType::Boolean;
constexpr AttributeType kString = AttributeType::String;

const std::vector<ExpectedEntity>& addressBook() {
  static const std::vector<ExpectedEntity> entities = {
      {"Site",
       {{"name", kString},
        {"address", kString},
        {"port", kInteger},
        {"user", kString},
        {"password", kString},
        {"autoLogin", kBoolean},
        {"index", kInteger},
        {"cameraCount", kInteger},
        {"alarmCount", kInteger},
        {"sensorCount", kInteger},
        {"audioCount", kInteger},
        {"autoDetect", kBoolean},
        {"dvrInfo", kString},
        {"deleted", kBoolean}},
       {{"cameras", "SiteCamera", "site", true, DeleteRule::Cascade}}},
      {"SiteCamera",
       {{"title", kString}, {"cameraIndex", kInteger}},
       {{"site", "Site", "cameras", false, DeleteRule::Nullify}}},
      {"Favorite",
       {{"name", kString}, {"favoriteInfo", kString}},
       {{"cameras", "FavoriteCamera", "favorite", true, DeleteRule::Cascade}}},
      {"FavoriteCamera",
       {{"cameraNumber", kInteger}, {"planeNumber", kInteger}, {"siteID", kString}},
       {{"favorite", "Favorite", "cameras", false, DeleteRule::Nullify}}},
  };
  return entities;
}

TEST(ManagedObjectModel, CompiledInModelHoldsExactlyTheAddressBook) {
  QString reason;
  const std::optional<ManagedObjectModel> model = ManagedObjectModel::fromResources(&reason);
  ASSERT_TRUE(model) << reason.toStdString();
  EXPECT_EQ(model->name(), "Zelvo");
  EXPECT_GE(model->version(), 1);

  std::vector<std::string> names;
  for (const EntityDescription& entity : model->entities()) names.push_back(entity.name.toStdString());
  EXPECT_EQ(names, (std::vector<std::string>{"Site", "SiteCamera", "Favorite", "FavoriteCamera"}));

  for (const ExpectedEntity& expected : addressBook()) {
    SCOPED_TRACE(expected.name);
    const EntityDescription* entity = model->entity(QString::fromStdString(expected.name));
    ASSERT_NE(entity, nullptr);
    Attributes attributes;
    for (const AttributeDescription& attribute : entity->attributes)
      attributes[attribute.name.toStdString()] = attribute.type;
    EXPECT_EQ(attributes, expected.attributes);
    EXPECT_EQ(attributes.size(), entity->attributes.size()) << "an attribute is listed twice";

    ASSERT_EQ(entity->relationships.size(), expected.relationships.size());
    for (const ExpectedRelationship& want : expected.relationships) {
      SCOPED_TRACE(want.name);
      const RelationshipDescription* relationship = entity->relationship(QString::fromStdString(want.name));
      ASSERT_NE(relationship, nullptr);
      EXPECT_EQ(relationship->destination.toStdString(), want.destination);
      EXPECT_EQ(relationship->inverse.toStdString(), want.inverse);
      EXPECT_EQ(relationship->toMany, want.toMany);
      EXPECT_EQ(relationship->deleteRule, want.deleteRule);
      // Both ends describe the same link.
      const RelationshipDescription* inverse = model->inverseOf(*relationship);
      ASSERT_NE(inverse, nullptr);
      EXPECT_EQ(inverse->destination, entity->name);
      EXPECT_EQ(inverse->inverse, relationship->name);
    }
  }
}

TEST(ManagedObjectModel, OwnersCascadeToTheirCamerasAndCamerasDoNotDeleteTheirOwner) {
  const std::optional<ManagedObjectModel> model = ManagedObjectModel::fromResources();
  ASSERT_TRUE(model);
  for (const EntityDescription& entity : model->entities()) {
    for (const RelationshipDescription& relationship : entity.relationships) {
      SCOPED_TRACE((entity.name + '.' + relationship.name).toStdString());
      // Deleting a camera row must never take its site or favourite with it.
      EXPECT_EQ(relationship.deleteRule, relationship.toMany ? DeleteRule::Cascade : DeleteRule::Nullify);
    }
  }
}

TEST(ManagedObjectModel, LooksUpOnlyWhatItHolds) {
  const std::optional<ManagedObjectModel> model = ManagedObjectModel::fromResources();
  ASSERT_TRUE(model);
  EXPECT_EQ(model->entity(u"site"), nullptr);  // names are case-sensitive
  EXPECT_EQ(model->entity(u"Sites"), nullptr);
  const EntityDescription* site = model->entity(u"Site");
  ASSERT_NE(site, nullptr);
  EXPECT_EQ(site->attribute(u"cameras"), nullptr);  // a relationship, not an attribute
  EXPECT_EQ(site->relationship(u"name"), nullptr);
  EXPECT_EQ(site->attribute(u"nosuch"), nullptr);
}

// A valid two-entity model that each malformed case below changes in one place.
QJsonObject validModel() {
  const auto relationship = [](const char* name, const char* destination, const char* inverse, bool toMany,
                               const char* rule) {
    return QJsonObject{{"name", name},
                       {"destination", destination},
                       {"inverse", inverse},
                       {"toMany", toMany},
                       {"deleteRule", rule}};
  };
  return QJsonObject{
      {"name", "Test"},
      {"version", 1},
      {"entities",
       QJsonArray{
           QJsonObject{{"name", "Owner"},
                       {"attributes", QJsonArray{QJsonObject{{"name", "title"}, {"type", "string"}}}},
                       {"relationships", QJsonArray{relationship("items", "Item", "owner", true, "cascade")}}},
           QJsonObject{{"name", "Item"},
                       {"attributes", QJsonArray{QJsonObject{{"name", "number"}, {"type", "integer64"}},
                                                 QJsonObject{{"name", "done"}, {"type", "boolean"}}}},
                       {"relationships", QJsonArray{relationship("owner", "Owner", "items", false, "nullify")}}},
       }},
  };
}

QByteArray json(const QJsonObject& object) { return QJsonDocument(object).toJson(); }

// One change to the valid model.
using Edit = std::function<void(QJsonObject&)>;

QJsonObject edited(const Edit& edit) {
  QJsonObject model = validModel();
  edit(model);
  return model;
}

// Rewrites one entity of the valid model.
Edit onEntity(int position, std::function<void(QJsonObject&)> change) {
  return [position, change](QJsonObject& model) {
    QJsonArray entities = model["entities"].toArray();
    QJsonObject entity = entities[position].toObject();
    change(entity);
    entities[position] = entity;
    model["entities"] = entities;
  };
}

// Rewrites the first relationship or attribute of one entity.
Edit onProperty(int entity, const char* list, std::function<void(QJsonObject&)> change) {
  return onEntity(entity, [list, change](QJsonObject& object) {
    QJsonArray properties = object[list].toArray();
    QJsonObject property = properties[0].toObject();
    change(property);
    properties[0] = property;
    object[list] = properties;
  });
}

TEST(ManagedObjectModel, TheValidBaseOfTheMalformedCasesLoads) {
  QString reason;
  const std::optional<ManagedObjectModel> model = ManagedObjectModel::fromJson(json(validModel()), &reason);
  ASSERT_TRUE(model) << reason.toStdString();
  EXPECT_EQ(model->entities().size(), 2u);
}

TEST(ManagedObjectModel, ListsLeftOutAreEmpty) {
  const QJsonObject lone{{"name", "Test"}, {"version", 1}, {"entities", QJsonArray{QJsonObject{{"name", "Owner"}}}}};
  QString reason;
  const std::optional<ManagedObjectModel> model = ManagedObjectModel::fromJson(json(lone), &reason);
  ASSERT_TRUE(model) << reason.toStdString();
  EXPECT_TRUE(model->entities()[0].attributes.empty());
  EXPECT_TRUE(model->entities()[0].relationships.empty());
}

struct MalformedCase {
  const char* name;
  QByteArray bytes;
  const char* reasonFragment;
};

std::vector<MalformedCase> malformedCases() {
  const auto change = [](const Edit& edit) { return json(edited(edit)); };
  return {
      {"EmptyInput", QByteArray(), "not JSON"},
      {"NotJson", "entities: Site", "not JSON"},
      {"TruncatedJson", json(validModel()).left(60), "not JSON"},
      {"ListAtTheTop", "[1, 2]", "not a JSON object"},
      {"NoName", change([](QJsonObject& m) { m.remove("name"); }), "has no name"},
      {"VersionAsText", change([](QJsonObject& m) { m["version"] = "1"; }), "version"},
      {"FractionalVersion", change([](QJsonObject& m) { m["version"] = 1.5; }), "version"},
      {"NoEntities", change([](QJsonObject& m) { m["entities"] = QJsonArray(); }), "no entities"},
      {"EntitiesNotAList", change([](QJsonObject& m) { m["entities"] = QJsonObject(); }), "not a list"},
      {"EntityNotAnObject", change([](QJsonObject& m) { m["entities"] = QJsonArray{1}; }), "other than objects"},
      {"UnknownKeyAtTheTop", change([](QJsonObject& m) { m["entites"] = QJsonArray(); }), "unknown key \"entites\""},
      {"DuplicateEntity", change([](QJsonObject& m) {
         QJsonArray entities = m["entities"].toArray();
         entities.append(entities[0]);
         m["entities"] = entities;
       }),
       "entity \"Owner\" twice"},
      {"EntityNameNotAnIdentifier", change(onEntity(0, [](QJsonObject& e) { e["name"] = "Owner; DROP TABLE x"; })),
       "not an identifier"},
      {"EntityNameEmpty", change(onEntity(0, [](QJsonObject& e) { e["name"] = ""; })), "not an identifier"},
      {"UnknownAttributeType", change(onProperty(0, "attributes", [](QJsonObject& a) { a["type"] = "date"; })),
       "unknown type \"date\""},
      {"AttributeWithoutType", change(onProperty(0, "attributes", [](QJsonObject& a) { a.remove("type"); })),
       "has no type"},
      {"AttributeNameNotAnIdentifier",
       change(onProperty(0, "attributes", [](QJsonObject& a) { a["name"] = "1title"; })), "not an identifier"},
      {"DuplicateAttribute", change(onEntity(1, [](QJsonObject& e) {
         QJsonArray attributes = e["attributes"].toArray();
         attributes.append(QJsonObject{{"name", "number"}, {"type", "string"}});
         e["attributes"] = attributes;
       })),
       "property \"number\" twice"},
      {"AttributeNamedLikeARelationship", change(onEntity(1, [](QJsonObject& e) {
         QJsonArray attributes = e["attributes"].toArray();
         attributes.append(QJsonObject{{"name", "owner"}, {"type", "integer64"}});
         e["attributes"] = attributes;
       })),
       "property \"owner\" twice"},
      {"MisspeltRelationshipKey", change(onProperty(0, "relationships", [](QJsonObject& r) {
         r.remove("toMany");
         r["tomany"] = true;
       })),
       "unknown key \"tomany\""},
      {"MissingInverse", change(onProperty(0, "relationships", [](QJsonObject& r) { r.remove("inverse"); })),
       "has no inverse"},
      {"InverseThatDoesNotExist",
       change(onProperty(0, "relationships", [](QJsonObject& r) { r["inverse"] = "parent"; })), "does not exist"},
      {"InverseLeadingElsewhere",
       change(onProperty(1, "relationships", [](QJsonObject& r) { r["inverse"] = "owner"; })),
       "do not lead back"},
      {"UnknownDestination",
       change(onProperty(0, "relationships", [](QJsonObject& r) { r["destination"] = "Thing"; })),
       "unknown entity \"Thing\""},
      {"ToManyNotABoolean", change(onProperty(0, "relationships", [](QJsonObject& r) { r["toMany"] = 1; })),
       "to-many"},
      {"UnknownDeleteRule", change(onProperty(0, "relationships", [](QJsonObject& r) { r["deleteRule"] = "deny"; })),
       "unknown delete rule \"deny\""},
      {"ManyToMany", change(onProperty(1, "relationships", [](QJsonObject& r) { r["toMany"] = true; })),
       "both to-many"},
  };
}

class MalformedModel : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedModel, IsRefusedWithAReason) {
  QString reason;
  EXPECT_FALSE(ManagedObjectModel::fromJson(GetParam().bytes, &reason));
  EXPECT_TRUE(reason.contains(QString::fromUtf8(GetParam().reasonFragment))) << reason.toStdString();
  // No reason asked for: still refused, and nothing to write it to.
  EXPECT_FALSE(ManagedObjectModel::fromJson(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(Cases, MalformedModel, testing::ValuesIn(malformedCases()),
                         [](const testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.name); });

TEST(ManagedObjectModel, FileThatIsMissingOrTooLargeIsRefusedNamingIt) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QString reason;
  const QString missing = folder.filePath("missing.momd");
  EXPECT_FALSE(ManagedObjectModel::fromFile(missing, &reason));
  EXPECT_TRUE(reason.startsWith(missing)) << reason.toStdString();

  // Valid JSON, but past the limit: refused before it is parsed.
  const QString large = folder.filePath("large.momd");
  QFile file(large);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  QByteArray padded = json(validModel());
  padded.append(QByteArray(ManagedObjectModel::kMaximumSize, ' '));
  ASSERT_EQ(file.write(padded), padded.size());
  file.close();
  EXPECT_FALSE(ManagedObjectModel::fromFile(large, &reason));
  EXPECT_TRUE(reason.contains("larger than")) << reason.toStdString();
  EXPECT_FALSE(ManagedObjectModel::fromJson(padded, &reason));
  EXPECT_TRUE(reason.contains("larger than")) << reason.toStdString();

  const QString good = folder.filePath("good.momd");
  QFile goodFile(good);
  ASSERT_TRUE(goodFile.open(QIODevice::WriteOnly));
  goodFile.write(json(validModel()));
  goodFile.close();
  EXPECT_TRUE(ManagedObjectModel::fromFile(good, &reason)) << reason.toStdString();
}

}  // namespace
}  // namespace zelvo
