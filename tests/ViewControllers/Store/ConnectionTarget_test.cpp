// The connection target records: their fresh state, camera titles, the record made
// from a stored site, shared setters and the equality the record layer uses.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "ViewControllers/Store/ConnectionTarget.h"
#include "ViewControllers/Store/FavoriteCameraTarget.h"
#include "ViewControllers/Store/FavoriteTarget.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "ViewControllers/Store/SiteRow.h"

namespace zelvo {
namespace {

class PlainCameraRow : public SiteCameraRow {
 public:
  PlainCameraRow(std::optional<qint64> index, std::optional<QString> title)
      : index_(index), title_(std::move(title)) {}
  std::optional<qint64> cameraIndex() const override { return index_; }
  std::optional<QString> title() const override { return title_; }

 private:
  std::optional<qint64> index_;
  std::optional<QString> title_;
};

std::vector<std::shared_ptr<SiteCameraRow>> cameraRows(
    std::initializer_list<std::pair<std::optional<qint64>, std::optional<QString>>> rows) {
  std::vector<std::shared_ptr<SiteCameraRow>> result;
  for (const auto& [index, title] : rows) result.push_back(std::make_shared<PlainCameraRow>(index, title));
  return result;
}

// A stored site as plain values.
class PlainSiteRow : public SiteRow {
 public:
  QUrl uri;
  std::optional<QString> name_, address_, user_, password_, dvrInfo_;
  std::optional<qint64> port_, index_, sensorCount_, alarmCount_, cameraCount_, audioCount_;
  std::optional<bool> autoLogin_, autoDetect_;
  std::vector<std::shared_ptr<SiteCameraRow>> cameras_;

  QUrl objectURI() const override { return uri; }
  std::optional<QString> name() const override { return name_; }
  std::optional<QString> address() const override { return address_; }
  std::optional<qint64> port() const override { return port_; }
  std::optional<QString> user() const override { return user_; }
  std::optional<QString> password() const override { return password_; }
  std::optional<bool> autoLogin() const override { return autoLogin_; }
  std::optional<qint64> index() const override { return index_; }
  std::optional<qint64> sensorCount() const override { return sensorCount_; }
  std::optional<qint64> alarmCount() const override { return alarmCount_; }
  std::optional<qint64> cameraCount() const override { return cameraCount_; }
  std::optional<bool> autoDetect() const override { return autoDetect_; }
  std::optional<QString> dvrInfo() const override { return dvrInfo_; }
  std::optional<qint64> audioCount() const override { return audioCount_; }
  std::vector<std::shared_ptr<SiteCameraRow>> cameraRows() const override { return cameras_; }
  void setName(std::optional<QString> v) override { name_ = std::move(v); }
  void setAddress(std::optional<QString> v) override { address_ = std::move(v); }
  void setPort(std::optional<qint64> v) override { port_ = v; }
  void setUser(std::optional<QString> v) override { user_ = std::move(v); }
  void setPassword(std::optional<QString> v) override { password_ = std::move(v); }
  void setAutoLogin(std::optional<bool> v) override { autoLogin_ = v; }
  void setIndex(std::optional<qint64> v) override { index_ = v; }
  void setCameraCount(std::optional<qint64> v) override { cameraCount_ = v; }
  void setDvrInfo(std::optional<QString> v) override { dvrInfo_ = std::move(v); }
};

TEST(SiteInfoRecord, StartsAsASiteWithTheSixteenDefaultTitlesAndNothingElse) {
  SiteInfo site;
  EXPECT_EQ(site.type(), ConnectionTargetTypeSite);
  EXPECT_EQ(site.type(), 0);
  EXPECT_FALSE(site.siteID());
  EXPECT_FALSE(site.name());
  EXPECT_FALSE(site.address());
  EXPECT_FALSE(site.port());
  EXPECT_FALSE(site.autoLogin());
  EXPECT_FALSE(site.user());
  EXPECT_FALSE(site.password());
  EXPECT_FALSE(site.index());
  EXPECT_FALSE(site.sensorCount());
  EXPECT_FALSE(site.alarmCount());
  EXPECT_FALSE(site.cameraCount());
  EXPECT_FALSE(site.autoDetect());
  EXPECT_FALSE(site.dvrInfo());
  EXPECT_FALSE(site.versionInfo());
  EXPECT_FALSE(site.audioCount());
  ASSERT_TRUE(site.camTitles());
  CameraTitleMap expected;
  for (int n = 1; n <= 16; ++n) expected.insert(QString::number(n), QStringLiteral("CAM%1").arg(n));
  EXPECT_EQ(*site.camTitles(), expected);
}

TEST(SiteInfoRecord, EveryRecordHasATitleMapOfItsOwn) {
  SiteInfo a;
  SiteInfo b;
  a.camTitles()->insert("1", "Door");
  EXPECT_EQ(b.cameraTitleAtIndex(1), "CAM1");
}

struct TitleCase {
  const char* name;
  qint64 n;
  const char* title;
};

class CameraTitleAtIndex : public ::testing::TestWithParam<TitleCase> {};

TEST_P(CameraTitleAtIndex, OnAFreshRecord) {
  SiteInfo site;
  EXPECT_EQ(site.cameraTitleAtIndex(GetParam().n), QString::fromUtf8(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(Cases, CameraTitleAtIndex,
                         ::testing::Values(TitleCase{"ZeroHasNoKey", 0, ""}, TitleCase{"First", 1, "CAM1"},
                                           TitleCase{"Last", 16, "CAM16"}, TitleCase{"PastTheDefaults", 17, ""},
                                           TitleCase{"Negative", -1, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SiteInfoRecord, CameraTitleAtIndexReadsDecimalKeysWithoutLeadingZeros) {
  SiteInfo site;
  site.setCamTitles(std::make_shared<CameraTitleMap>(CameraTitleMap{{"01", "Gate"}, {"2", "Yard"}}));
  EXPECT_EQ(site.cameraTitleAtIndex(1), "");
  EXPECT_EQ(site.cameraTitleAtIndex(2), "Yard");
}

TEST(SiteInfoRecord, CameraTitleAtIndexWithoutATitleMapIsEmpty) {
  SiteInfo site;
  site.setCamTitles(nullptr);
  EXPECT_EQ(site.cameraTitleAtIndex(1), "");
}

TEST(SiteInfoRecord, SetCameraTitlesAddsAndReplacesEntriesAndKeepsTheOthers) {
  SiteInfo site;
  site.setCameraTitles(cameraRows({{20, "Car park"}, {3, "Hall"}}));
  EXPECT_EQ(site.cameraTitleAtIndex(20), "Car park");
  EXPECT_EQ(site.cameraTitleAtIndex(3), "Hall");
  ASSERT_EQ(site.camTitles()->size(), 17);
  for (int n = 1; n <= 16; ++n) {
    if (n != 3) { EXPECT_EQ(site.cameraTitleAtIndex(n), QStringLiteral("CAM%1").arg(n)) << n; }
  }
}

TEST(SiteInfoRecord, SetCameraTitlesSkipsARowWithoutANumberAndStoresAMissingTitleAsEmpty) {
  SiteInfo site;
  site.setCameraTitles(cameraRows({{std::nullopt, "Lost"}, {5, std::nullopt}}));
  EXPECT_EQ(site.camTitles()->size(), 16);
  EXPECT_EQ(site.cameraTitleAtIndex(5), "");
  EXPECT_TRUE(site.camTitles()->contains("5"));
}

TEST(SiteInfoRecord, SetCameraTitlesOnARecordWithoutAMapStartsOne) {
  SiteInfo site;
  site.setCamTitles(nullptr);
  site.setCameraTitles(cameraRows({{2, "Porch"}}));
  ASSERT_TRUE(site.camTitles());
  EXPECT_EQ(*site.camTitles(), (CameraTitleMap{{"2", "Porch"}}));
}

TEST(SiteInfoRecord, SettersShareWhatTheyAreGiven) {
  SiteInfo site;
  auto titles = std::make_shared<CameraTitleMap>();
  site.setCamTitles(titles);
  titles->insert("7", "Shared");
  EXPECT_EQ(site.cameraTitleAtIndex(7), "Shared");
  EXPECT_EQ(site.camTitles().get(), titles.get());

  auto shared = SiteInfo::create();
  FavoriteCameraTarget camera;
  camera.setSiteInfo(shared);
  shared->setName(QStringLiteral("Changed later"));
  EXPECT_EQ(camera.siteInfo().get(), shared.get());
  EXPECT_EQ(camera.siteInfo()->name(), QStringLiteral("Changed later"));
}

TEST(SiteInfoRecord, MadeFromAStoredSiteCopiesItsFieldsAndTitles) {
  PlainSiteRow row;
  row.uri = QUrl("x-zelvo://store/Site/p7");
  row.name_ = "Warehouse";
  row.address_ = "10.0.0.7";
  row.port_ = 9000;
  row.user_ = "op";
  row.password_ = "secret";
  row.autoLogin_ = true;
  row.index_ = 0;
  row.sensorCount_ = 8;
  row.alarmCount_ = 4;
  row.cameraCount_ = 16;
  row.autoDetect_ = false;
  row.dvrInfo_ = "Back office";
  row.audioCount_ = 2;
  row.cameras_ = cameraRows({{1, "Dock"}, {2, "Office"}});

  auto site = SiteInfo::makeSiteInfo(row);
  ASSERT_TRUE(site);
  EXPECT_EQ(site->type(), ConnectionTargetTypeSite);
  EXPECT_EQ(site->siteID(), QUrl("x-zelvo://store/Site/p7"));
  EXPECT_EQ(site->name(), QStringLiteral("Warehouse"));
  EXPECT_EQ(site->address(), QStringLiteral("10.0.0.7"));
  EXPECT_EQ(site->port(), 9000);
  EXPECT_EQ(site->user(), QStringLiteral("op"));
  EXPECT_EQ(site->password(), QStringLiteral("secret"));
  EXPECT_EQ(site->autoLogin(), true);
  EXPECT_EQ(site->index(), 0);
  EXPECT_EQ(site->sensorCount(), 8);
  EXPECT_EQ(site->alarmCount(), 4);
  EXPECT_EQ(site->cameraCount(), 16);
  EXPECT_EQ(site->autoDetect(), false);
  EXPECT_EQ(site->dvrInfo(), QStringLiteral("Back office"));
  EXPECT_EQ(site->audioCount(), 2);
  EXPECT_FALSE(site->versionInfo());
  EXPECT_EQ(site->cameraTitleAtIndex(1), "Dock");
  EXPECT_EQ(site->cameraTitleAtIndex(2), "Office");
  EXPECT_EQ(site->cameraTitleAtIndex(3), "CAM3");
}

TEST(SiteInfoRecord, MadeFromASparseStoredSiteLeavesItsEmptyFieldsEmpty) {
  PlainSiteRow row;
  row.uri = QUrl("x-zelvo://store/Site/p8");
  auto site = SiteInfo::makeSiteInfo(row);
  EXPECT_EQ(site->siteID(), QUrl("x-zelvo://store/Site/p8"));
  EXPECT_FALSE(site->name());
  EXPECT_FALSE(site->port());
  EXPECT_FALSE(site->autoLogin());
  EXPECT_EQ(site->camTitles()->size(), 16);
}

TEST(FavoriteRecords, StartEmpty) {
  FavoriteTarget favorite;
  EXPECT_EQ(favorite.type(), ConnectionTargetTypeFavorite);
  EXPECT_EQ(favorite.type(), 2);
  EXPECT_TRUE(favorite.favoriteCameras().empty());
  EXPECT_FALSE(favorite.favoriteID());
  EXPECT_FALSE(favorite.name());

  FavoriteCameraTarget camera;
  EXPECT_EQ(camera.camera(), 0);
  EXPECT_EQ(camera.siteInfo(), nullptr);
}

TEST(FavoriteRecords, TheCameraMapIsFilledInPlace) {
  FavoriteTarget favorite;
  auto camera = FavoriteCameraTarget::create();
  camera->setCamera(3);
  favorite.favoriteCameras()[5] = camera;
  ASSERT_EQ(favorite.favoriteCameras().size(), 1u);
  EXPECT_EQ(favorite.favoriteCameras().at(5).get(), camera.get());
}

TEST(ConnectionTargetKeys, AreTheArchiveKeysInOrder) {
  EXPECT_EQ(SiteInfo().mutableKeys(),
            (QStringList{"siteID", "name", "address", "port", "autoLogin", "user", "password", "index", "sensorCount",
                         "alarmCount", "cameraCount", "autoDetect", "dvrInfo", "versionInfo", "audioCount",
                         "camTitles"}));
  EXPECT_EQ(FavoriteTarget().mutableKeys(), (QStringList{"name", "favoriteID", "favoriteCameras"}));
  EXPECT_EQ(FavoriteCameraTarget::mutableKeys(), (QStringList{"camera", "siteInfo"}));
  EXPECT_STREQ(PasteBoardTypeConnectionTarget, "PasteBoardTypeConnectionTarget");
}

struct EqualCase {
  const char* name;
  std::optional<QString> a;
  std::optional<QString> b;
  bool equal;
};

class ObjcEqual : public ::testing::TestWithParam<EqualCase> {};

TEST_P(ObjcEqual, OfTexts) {
  EXPECT_EQ(objcEqual(GetParam().a, GetParam().b), GetParam().equal);
  EXPECT_EQ(objcEqual(GetParam().b, GetParam().a), GetParam().equal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ObjcEqual,
    ::testing::Values(EqualCase{"EmptyAndEmpty", std::nullopt, std::nullopt, false},
                      EqualCase{"EmptyAndValue", std::nullopt, QString("a"), false},
                      EqualCase{"SameValues", QString("a"), QString("a"), true},
                      EqualCase{"DifferentValues", QString("a"), QString("b"), false},
                      EqualCase{"CaseMatters", QString("a"), QString("A"), false},
                      EqualCase{"EmptyTextIsAValue", QString(""), QString(""), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ObjcEqualOfIdentities, TwoRecordsWithoutASiteIDAreNotTheSameSite) {
  SiteInfo a;
  SiteInfo b;
  EXPECT_FALSE(objcEqual(a.siteID(), b.siteID()));
  a.setSiteID(QUrl("x-zelvo://store/Site/p1"));
  EXPECT_FALSE(objcEqual(a.siteID(), b.siteID()));
  b.setSiteID(QUrl("x-zelvo://store/Site/p1"));
  EXPECT_TRUE(objcEqual(a.siteID(), b.siteID()));
  EXPECT_FALSE(objcEqual(a.port(), b.port()));
  a.setPort(9000);
  b.setPort(9000);
  EXPECT_TRUE(objcEqual(a.port(), b.port()));
}

}  // namespace
}  // namespace zelvo
