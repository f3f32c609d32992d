// Archives of connection targets: their form, round trips, the camera-target
// rewrite, the deep copy, and what hostile bytes decode to.
#include <gtest/gtest.h>

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <functional>
#include <random>

#include "ViewControllers/Store/ConnectionTargetArchive.h"

namespace zelvo {
namespace {

std::shared_ptr<SiteInfo> fullSite(const QString& name = QStringLiteral("Warehouse")) {
  auto site = SiteInfo::create();
  site->setSiteID(QUrl("x-zelvo://store/Site/p7"));
  site->setName(name);
  site->setAddress(QStringLiteral("10.0.0.7"));
  site->setPort(9000);
  site->setAutoLogin(true);
  site->setUser(QStringLiteral("op"));
  site->setPassword(QStringLiteral("s3cret"));
  site->setIndex(0);
  site->setSensorCount(8);
  site->setAlarmCount(4);
  site->setCameraCount(16);
  site->setAutoDetect(false);
  site->setDvrInfo(QStringLiteral("Back office, rack 2"));
  site->setVersionInfo(QStringLiteral("2.1"));
  site->setAudioCount(2);
  site->camTitles()->insert("3", QStringLiteral("Lager \u00e9st \U0001F4F7"));
  return site;
}

void expectSameSite(const SiteInfo& a, const SiteInfo& b) {
  EXPECT_EQ(a.type(), b.type());
  EXPECT_EQ(a.siteID(), b.siteID());
  EXPECT_EQ(a.name(), b.name());
  EXPECT_EQ(a.address(), b.address());
  EXPECT_EQ(a.port(), b.port());
  EXPECT_EQ(a.autoLogin(), b.autoLogin());
  EXPECT_EQ(a.user(), b.user());
  EXPECT_EQ(a.password(), b.password());
  EXPECT_EQ(a.index(), b.index());
  EXPECT_EQ(a.sensorCount(), b.sensorCount());
  EXPECT_EQ(a.alarmCount(), b.alarmCount());
  EXPECT_EQ(a.cameraCount(), b.cameraCount());
  EXPECT_EQ(a.autoDetect(), b.autoDetect());
  EXPECT_EQ(a.dvrInfo(), b.dvrInfo());
  EXPECT_EQ(a.versionInfo(), b.versionInfo());
  EXPECT_EQ(a.audioCount(), b.audioCount());
  ASSERT_EQ(a.camTitles() != nullptr, b.camTitles() != nullptr);
  if (a.camTitles()) { EXPECT_EQ(*a.camTitles(), *b.camTitles()); }
}

QCborMap rootOf(const QByteArray& archive) { return QCborValue::fromCbor(archive).toMap(); }

QStringList keysOf(const QCborMap& map) {
  QStringList keys;
  for (auto it = map.cbegin(); it != map.cend(); ++it) keys << it.key().toString();
  return keys;
}

// ---- The form of the archive.

TEST(ConnectionTargetArchiveForm, ASiteIsOneMapWithItsClassAndEveryKeyInOrderAndNullForEmpty) {
  SiteInfo site;
  site.setName(QStringLiteral("Shop"));
  QCborMap root = rootOf(archivedDataWithRootObject(site));
  EXPECT_EQ(keysOf(root), QStringList{"$class"} + site.mutableKeys());
  EXPECT_EQ(root.value(QStringLiteral("$class")), QCborValue(QStringLiteral("SiteInfo")));
  EXPECT_EQ(root.value(QStringLiteral("name")), QCborValue(QStringLiteral("Shop")));
  EXPECT_TRUE(root.value(QStringLiteral("address")).isNull());
  EXPECT_TRUE(root.value(QStringLiteral("port")).isNull());
  EXPECT_TRUE(root.value(QStringLiteral("camTitles")).isMap());
  EXPECT_FALSE(root.contains(QStringLiteral("type")));
}

TEST(ConnectionTargetArchiveForm, AFavoriteNestsItsCamerasUnderPlaneNumbers) {
  FavoriteTarget favorite;
  favorite.setName(QStringLiteral("Night"));
  auto camera = FavoriteCameraTarget::create();
  camera->setCamera(2);
  camera->setSiteInfo(fullSite());
  favorite.favoriteCameras()[9] = camera;

  QCborMap root = rootOf(archivedDataWithRootObject(favorite));
  EXPECT_EQ(keysOf(root), QStringList{"$class"} + favorite.mutableKeys());
  EXPECT_EQ(root.value(QStringLiteral("$class")), QCborValue(QStringLiteral("FavoriteTarget")));
  EXPECT_TRUE(root.value(QStringLiteral("favoriteID")).isNull());
  QCborMap cameras = root.value(QStringLiteral("favoriteCameras")).toMap();
  ASSERT_EQ(cameras.size(), 1);
  QCborMap nested = cameras.value(9).toMap();
  EXPECT_EQ(keysOf(nested), QStringList{"$class"} + FavoriteCameraTarget::mutableKeys());
  EXPECT_EQ(nested.value(QStringLiteral("$class")), QCborValue(QStringLiteral("FavoriteCameraTarget")));
  EXPECT_EQ(nested.value(QStringLiteral("camera")), QCborValue(2));
  EXPECT_EQ(nested.value(QStringLiteral("siteInfo")).toMap().value(QStringLiteral("$class")),
            QCborValue(QStringLiteral("SiteInfo")));
}

// ---- Round trips.

TEST(ConnectionTargetArchiveRoundTrip, ASiteWithOnlyNameAndIndexComesBackWithTheRestEmpty) {
  SiteInfo site;
  site.setName(QStringLiteral("Kiosk"));
  site.setIndex(4);
  site.camTitles()->insert("2", QStringLiteral("Till"));

  auto decoded = unarchiveConnectionTarget(archivedDataWithRootObject(site));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->type(), ConnectionTargetTypeSite);
  auto back = std::dynamic_pointer_cast<SiteInfo>(decoded);
  ASSERT_TRUE(back);
  expectSameSite(*back, site);
  EXPECT_FALSE(back->address());
  EXPECT_FALSE(back->autoLogin());
  EXPECT_EQ(back->cameraTitleAtIndex(2), "Till");
}

TEST(ConnectionTargetArchiveRoundTrip, ASiteWithEveryFieldComesBackWhole) {
  auto site = fullSite();
  auto back = unarchiveSiteInfo(archivedDataWithRootObject(*site));
  ASSERT_TRUE(back);
  expectSameSite(*back, *site);
  EXPECT_NE(back.get(), site.get());
}

TEST(ConnectionTargetArchiveRoundTrip, ASiteWithoutATitleMapComesBackWithoutOneNotWithTheDefaults) {
  SiteInfo site;
  site.setCamTitles(nullptr);
  auto back = unarchiveSiteInfo(archivedDataWithRootObject(site));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->camTitles(), nullptr);
  EXPECT_EQ(back->cameraTitleAtIndex(1), "");
}

TEST(ConnectionTargetArchiveRoundTrip, AFavoriteComesBackWithTypeTwoAndItsNestedSitesWhole) {
  FavoriteTarget favorite;
  favorite.setName(QStringLiteral("Night shift"));
  favorite.setFavoriteID(QUrl("x-zelvo://store/Favorite/p3"));
  auto siteA = fullSite(QStringLiteral("A"));
  auto siteB = fullSite(QStringLiteral("B"));
  siteB->setAutoDetect(true);
  siteB->setSiteID(std::nullopt);
  for (auto [plane, camera, site] : {std::tuple{0, 5, siteA}, std::tuple{1, 6, siteA}, std::tuple{63, 0, siteB}}) {
    auto target = FavoriteCameraTarget::create();
    target->setCamera(camera);
    target->setSiteInfo(site);
    favorite.favoriteCameras()[plane] = target;
  }

  auto decoded = unarchiveConnectionTarget(archivedDataWithRootObject(favorite));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->type(), ConnectionTargetTypeFavorite);
  auto back = std::dynamic_pointer_cast<FavoriteTarget>(decoded);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name(), favorite.name());
  EXPECT_EQ(back->favoriteID(), favorite.favoriteID());
  ASSERT_EQ(back->favoriteCameras().size(), 3u);
  for (const auto& [plane, camera] : favorite.favoriteCameras()) {
    SCOPED_TRACE(plane);
    ASSERT_TRUE(back->favoriteCameras().count(plane));
    const auto& got = back->favoriteCameras().at(plane);
    EXPECT_EQ(got->camera(), camera->camera());
    ASSERT_TRUE(got->siteInfo());
    expectSameSite(*got->siteInfo(), *camera->siteInfo());
  }
}

TEST(ConnectionTargetArchiveRoundTrip, AFavoriteWithoutCamerasComesBackEmpty) {
  FavoriteTarget favorite;
  auto back = unarchiveFavoriteTarget(archivedDataWithRootObject(favorite));
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->favoriteCameras().empty());
  EXPECT_FALSE(back->name());
}

TEST(ConnectionTargetArchiveRoundTrip, TheTypedReadersRefuseTheOtherClass) {
  EXPECT_EQ(unarchiveFavoriteTarget(archivedDataWithRootObject(SiteInfo())), nullptr);
  EXPECT_EQ(unarchiveSiteInfo(archivedDataWithRootObject(FavoriteTarget())), nullptr);
}

// ---- The camera-target rewrite.

struct RewriteCase {
  const char* name;
  qint64 index;
};

class CameraTargetRewrite : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(CameraTargetRewrite, SetsOnlyTheIndex) {
  auto site = fullSite();
  site->setIndex(0);
  auto back = unarchiveSiteInfo(cameraTargetArchive(archivedDataWithRootObject(*site), GetParam().index));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->index(), GetParam().index);
  site->setIndex(GetParam().index);
  expectSameSite(*back, *site);
}

INSTANTIATE_TEST_SUITE_P(Cases, CameraTargetRewrite,
                         ::testing::Values(RewriteCase{"CameraThreeOnly", 3}, RewriteCase{"TheWholeSite", 0},
                                           RewriteCase{"CameraOne", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CameraTargetRewriteOf, ACameraArchiveBackToTheWholeSite) {
  auto site = fullSite();
  site->setIndex(3);
  auto back = unarchiveSiteInfo(cameraTargetArchive(archivedDataWithRootObject(*site), 0));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->index(), 0);
}

TEST(CameraTargetRewriteOf, SomethingThatIsNoSiteGivesNoArchive) {
  EXPECT_TRUE(cameraTargetArchive(archivedDataWithRootObject(FavoriteTarget()), 3).isEmpty());
  EXPECT_TRUE(cameraTargetArchive(QByteArray("not an archive"), 3).isEmpty());
  EXPECT_TRUE(cameraTargetArchive(QByteArray(), 3).isEmpty());
}

// ---- The deep copy.

TEST(SiteInfoDeepCopy, IsEqualAndIndependent) {
  auto wall = fullSite();
  auto copy = deepCopy(*wall);
  ASSERT_TRUE(copy);
  expectSameSite(*copy, *wall);
  EXPECT_NE(copy->camTitles().get(), wall->camTitles().get());

  // What storing a favourite does to its record: the wall's stays as it was.
  wall->setAutoLogin(false);
  copy = deepCopy(*wall);
  copy->setAutoLogin(true);
  copy->setSiteID(QUrl("x-zelvo://store/Site/hidden9"));
  copy->setName(QStringLiteral("Other"));
  copy->setCameraCount(4);
  copy->camTitles()->insert("1", QStringLiteral("Changed"));
  copy->camTitles()->insert("40", QStringLiteral("Added"));

  EXPECT_EQ(wall->autoLogin(), false);
  EXPECT_EQ(wall->siteID(), QUrl("x-zelvo://store/Site/p7"));
  EXPECT_EQ(wall->name(), QStringLiteral("Warehouse"));
  EXPECT_EQ(wall->cameraCount(), 16);
  EXPECT_EQ(wall->cameraTitleAtIndex(1), "CAM1");
  EXPECT_EQ(wall->cameraTitleAtIndex(40), "");
}

TEST(SiteInfoDeepCopy, KeepsEmptyFieldsEmpty) {
  SiteInfo site;
  site.setCamTitles(nullptr);
  auto copy = deepCopy(site);
  ASSERT_TRUE(copy);
  expectSameSite(*copy, site);
}

// ---- Hostile bytes.

QByteArray toBytes(const QCborValue& value) { return value.toCbor(); }

QByteArray siteArchiveWith(const QString& key, const QCborValue& value) {
  QCborMap root = rootOf(archivedDataWithRootObject(*fullSite()));
  root.insert(key, value);
  return toBytes(root);
}

QByteArray favoriteArchiveWith(const std::function<void(QCborMap&)>& change) {
  FavoriteTarget favorite;
  favorite.setName(QStringLiteral("Fav"));
  auto camera = FavoriteCameraTarget::create();
  camera->setCamera(1);
  camera->setSiteInfo(fullSite());
  favorite.favoriteCameras()[2] = camera;
  QCborMap root = rootOf(archivedDataWithRootObject(favorite));
  change(root);
  return toBytes(root);
}

QByteArray nested(QByteArray unit, int depth, QByteArray leaf) {
  QByteArray bytes;
  bytes.reserve(unit.size() * depth + leaf.size());
  for (int i = 0; i < depth; ++i) bytes += unit;
  return bytes + leaf;
}

QByteArray randomBytes(unsigned seed, int size) {
  std::mt19937 random(seed);
  QByteArray bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
  return bytes;
}

struct NoRecordCase {
  const char* name;
  std::function<QByteArray()> bytes;
};

class ArchiveGivingNoRecord : public ::testing::TestWithParam<NoRecordCase> {};

TEST_P(ArchiveGivingNoRecord, DecodesToNothing) {
  const QByteArray bytes = GetParam().bytes();
  EXPECT_EQ(unarchiveConnectionTarget(bytes), nullptr);
  EXPECT_EQ(unarchiveSiteInfo(bytes), nullptr);
  EXPECT_EQ(unarchiveFavoriteTarget(bytes), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArchiveGivingNoRecord,
    ::testing::Values(
        NoRecordCase{"Empty", [] { return QByteArray(); }},
        NoRecordCase{"RandomBytes1", [] { return randomBytes(1, 64); }},
        NoRecordCase{"RandomBytes2", [] { return randomBytes(2, 4096); }},
        NoRecordCase{"RandomBytes3", [] { return randomBytes(3, 7); }},
        NoRecordCase{"PlainText", [] { return QByteArray("PasteBoardTypeConnectionTarget"); }},
        NoRecordCase{"UnknownClass", [] { return siteArchiveWith("$class", QCborValue(QStringLiteral("Node"))); }},
        NoRecordCase{"ClassAsNumber", [] { return siteArchiveWith("$class", QCborValue(0)); }},
        NoRecordCase{"NoClass",
                     [] {
                       QCborMap root = rootOf(archivedDataWithRootObject(*fullSite()));
                       root.remove(QStringLiteral("$class"));
                       return toBytes(root);
                     }},
        NoRecordCase{"ACameraOfAFavoriteAsTheRoot",
                     [] {
                       return toBytes(QCborMap{{QStringLiteral("$class"), QStringLiteral("FavoriteCameraTarget")},
                                               {QStringLiteral("camera"), 1}});
                     }},
        NoRecordCase{"RootIsAnArray", [] { return toBytes(QCborArray{QStringLiteral("SiteInfo")}); }},
        NoRecordCase{"RootIsText", [] { return toBytes(QCborValue(QStringLiteral("SiteInfo"))); }},
        NoRecordCase{"TrailingBytes", [] { return archivedDataWithRootObject(*fullSite()) + QByteArray("\x00", 1); }},
        NoRecordCase{"TwoArchives",
                     [] { return archivedDataWithRootObject(*fullSite()) + archivedDataWithRootObject(SiteInfo()); }},
        NoRecordCase{"MapClaimingFourBillionEntries", [] { return QByteArray("\xBA\xFF\xFF\xFF\xFF\x00", 6); }},
        NoRecordCase{"TextClaimingAnExabyte",
                     [] { return QByteArray("\xA1\x66$class\x7B\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF" "SiteInfo", 25); }},
        NoRecordCase{"DeeplyNestedMaps", [] { return nested(QByteArray("\xA1\x00", 2), 200000, QByteArray(1, '\0')); }},
        NoRecordCase{"DeeplyNestedArraysInAName",
                     [] {
                       QByteArray head = QByteArray("\xA2\x66$class\x68SiteInfo\x64name", 22);
                       return head + nested(QByteArray(1, '\x81'), 200000, QByteArray(1, '\0'));
                     }},
        NoRecordCase{"IndefiniteMapNeverClosed", [] { return QByteArray("\xBF\x66$class\x68SiteInfo", 17); }},
        NoRecordCase{"TooLarge", [] {
          return archivedDataWithRootObject(*fullSite(QString(MaxConnectionTargetArchiveSize, QChar('n'))));
        }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ArchiveTruncated, AtEveryLengthDecodesToNothing) {
  for (const QByteArray& whole : {archivedDataWithRootObject(*fullSite()), favoriteArchiveWith([](QCborMap&) {})}) {
    ASSERT_TRUE(unarchiveConnectionTarget(whole));
    for (qsizetype length = 0; length < whole.size(); ++length) {
      EXPECT_EQ(unarchiveConnectionTarget(whole.left(length)), nullptr) << "cut at " << length << " of " << whole.size();
    }
  }
}

TEST(ArchiveSizeLimit, AnArchiveJustBelowItStillDecodes) {
  const QByteArray small = archivedDataWithRootObject(*fullSite(QString()));
  // The name's text header grows from one byte to five on the way.
  const qsizetype room = MaxConnectionTargetArchiveSize - small.size() - 4;
  auto back = unarchiveSiteInfo(archivedDataWithRootObject(*fullSite(QString(room, QChar('n')))));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name()->size(), room);
}

// A value of the wrong type empties that one field; the rest of the record stands.
struct WrongTypeCase {
  const char* name;
  const char* key;
  QCborValue value;
  std::function<bool(const SiteInfo&)> fieldIsEmpty;
};

class SiteFieldOfTheWrongType : public ::testing::TestWithParam<WrongTypeCase> {};

TEST_P(SiteFieldOfTheWrongType, ReadsAsEmpty) {
  auto back = unarchiveSiteInfo(siteArchiveWith(GetParam().key, GetParam().value));
  ASSERT_TRUE(back);
  EXPECT_TRUE(GetParam().fieldIsEmpty(*back));
  // The other fields are those of the archive.
  auto expected = fullSite();
  if (QString(GetParam().key) != "name") { EXPECT_EQ(back->name(), expected->name()); }
  if (QString(GetParam().key) != "address") { EXPECT_EQ(back->address(), expected->address()); }
  if (QString(GetParam().key) != "password") { EXPECT_EQ(back->password(), expected->password()); }
  if (QString(GetParam().key) != "camTitles") { EXPECT_EQ(back->cameraTitleAtIndex(3), expected->cameraTitleAtIndex(3)); }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SiteFieldOfTheWrongType,
    ::testing::Values(
        WrongTypeCase{"IndexAsText", "index", QCborValue(QStringLiteral("3")), [](const SiteInfo& s) { return !s.index(); }},
        WrongTypeCase{"IndexAsDouble", "index", QCborValue(3.0), [](const SiteInfo& s) { return !s.index(); }},
        WrongTypeCase{"PortAsText", "port", QCborValue(QStringLiteral("9000")), [](const SiteInfo& s) { return !s.port(); }},
        WrongTypeCase{"PortBeyondSixtyFourBits", "port", QCborValue(1e30), [](const SiteInfo& s) { return !s.port(); }},
        WrongTypeCase{"AutoLoginAsNumber", "autoLogin", QCborValue(1), [](const SiteInfo& s) { return !s.autoLogin(); }},
        WrongTypeCase{"NameAsBytes", "name", QCborValue(QByteArray("Warehouse")), [](const SiteInfo& s) { return !s.name(); }},
        WrongTypeCase{"AddressAsMap", "address", QCborValue(QCborMap{{1, 2}}), [](const SiteInfo& s) { return !s.address(); }},
        WrongTypeCase{"PasswordAsUndefined", "password", QCborValue(), [](const SiteInfo& s) { return !s.password(); }},
        WrongTypeCase{"SiteIDAsNumber", "siteID", QCborValue(7), [](const SiteInfo& s) { return !s.siteID(); }},
        WrongTypeCase{"SiteIDNotAURL", "siteID", QCborValue(QStringLiteral("%zz not a url")),
                      [](const SiteInfo& s) { return !s.siteID(); }},
        WrongTypeCase{"CamTitlesAsArray", "camTitles", QCborValue(QCborArray{QStringLiteral("CAM1")}),
                      [](const SiteInfo& s) { return !s.camTitles(); }},
        WrongTypeCase{"CamTitlesAsNull", "camTitles", QCborValue(nullptr), [](const SiteInfo& s) { return !s.camTitles(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SiteFieldOfTheWrongTypeIn, TheTitleMapDropsOnlyTheBadEntries) {
  auto back = unarchiveSiteInfo(siteArchiveWith(
      "camTitles", QCborMap{{QStringLiteral("1"), QStringLiteral("Door")}, {2, QStringLiteral("Numeric key")},
                            {QStringLiteral("3"), 33}, {QStringLiteral("4"), QStringLiteral("Yard")}}));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back->camTitles(), (CameraTitleMap{{"1", "Door"}, {"4", "Yard"}}));
}

TEST(SiteFieldOfTheWrongTypeIn, AnAbsentKeyReadsAsEmpty) {
  QCborMap root = rootOf(archivedDataWithRootObject(*fullSite()));
  root.remove(QStringLiteral("user"));
  root.remove(QStringLiteral("camTitles"));
  auto back = unarchiveSiteInfo(toBytes(root));
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->user());
  EXPECT_EQ(back->camTitles(), nullptr);
  EXPECT_EQ(back->address(), QStringLiteral("10.0.0.7"));
}

struct FavoriteCase {
  const char* name;
  std::function<void(QCborMap&)> change;
  std::vector<qint64> planes;  // what the decoded favourite holds
};

class FavoriteArchiveEntries : public ::testing::TestWithParam<FavoriteCase> {};

TEST_P(FavoriteArchiveEntries, KeepOnlyWellFormedPlanesOfTheWall) {
  auto back = unarchiveFavoriteTarget(favoriteArchiveWith(GetParam().change));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name(), QStringLiteral("Fav"));
  std::vector<qint64> planes;
  for (const auto& [plane, camera] : back->favoriteCameras()) {
    planes.push_back(plane);
    EXPECT_TRUE(camera);
  }
  EXPECT_EQ(planes, GetParam().planes);
}

// The camera entry of favoriteArchiveWith's plane 2, showing the given camera.
QCborMap cameraEntry(qint64 camera) {
  QCborMap entry = rootOf(favoriteArchiveWith([](QCborMap&) {}))
                       .value(QStringLiteral("favoriteCameras"))
                       .toMap()
                       .value(2)
                       .toMap();
  entry.insert(QStringLiteral("camera"), camera);
  return entry;
}

void setCameras(QCborMap& root, const QCborMap& cameras) { root.insert(QStringLiteral("favoriteCameras"), cameras); }

INSTANTIATE_TEST_SUITE_P(
    Cases, FavoriteArchiveEntries,
    ::testing::Values(
        FavoriteCase{"AsWritten", [](QCborMap&) {}, {2}},
        FavoriteCase{"TextKeys",
                     [](QCborMap& root) { setCameras(root, QCborMap{{QStringLiteral("2"), cameraEntry(1)}}); }, {}},
        FavoriteCase{"TextAndNumberKeys",
                     [](QCborMap& root) {
                       setCameras(root, QCborMap{{QStringLiteral("5"), cameraEntry(1)}, {7, cameraEntry(1)}});
                     },
                     {7}},
        FavoriteCase{"PlanesOffTheWall",
                     [](QCborMap& root) {
                       setCameras(root, QCborMap{{-1, cameraEntry(1)}, {0, cameraEntry(1)}, {63, cameraEntry(1)},
                                                 {64, cameraEntry(1)}, {1LL << 40, cameraEntry(1)}});
                     },
                     {0, 63}},
        FavoriteCase{"EntryOfAnotherClass",
                     [](QCborMap& root) {
                       QCborMap entry = cameraEntry(1);
                       entry.insert(QStringLiteral("$class"), QStringLiteral("SiteInfo"));
                       setCameras(root, QCborMap{{1, entry}, {3, cameraEntry(1)}});
                     },
                     {3}},
        FavoriteCase{"EntryNotAMap",
                     [](QCborMap& root) { setCameras(root, QCborMap{{1, QStringLiteral("camera")}, {4, nullptr}}); },
                     {}},
        FavoriteCase{"CamerasAsArray",
                     [](QCborMap& root) {
                       root.insert(QStringLiteral("favoriteCameras"), QCborArray{cameraEntry(1)});
                     },
                     {}},
        FavoriteCase{"CamerasAbsent", [](QCborMap& root) { root.remove(QStringLiteral("favoriteCameras")); }, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FavoriteCameraEntry, OfTheWrongTypeEmptiesItsFields) {
  QCborMap entry = cameraEntry(1);
  entry.insert(QStringLiteral("camera"), QStringLiteral("1"));
  QCborMap wrongSite = entry.value(QStringLiteral("siteInfo")).toMap();
  wrongSite.insert(QStringLiteral("$class"), QStringLiteral("FavoriteTarget"));
  entry.insert(QStringLiteral("siteInfo"), wrongSite);
  auto back = unarchiveFavoriteTarget(favoriteArchiveWith([&](QCborMap& root) { setCameras(root, QCborMap{{2, entry}}); }));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->favoriteCameras().size(), 1u);
  EXPECT_EQ(back->favoriteCameras().at(2)->camera(), 0);
  EXPECT_EQ(back->favoriteCameras().at(2)->siteInfo(), nullptr);
}

TEST(FavoriteCameraEntry, KeepsA64BitCameraNumber) {
  const qint64 big = (1LL << 40) + 3;
  auto back = unarchiveFavoriteTarget(
      favoriteArchiveWith([&](QCborMap& root) { setCameras(root, QCborMap{{2, cameraEntry(big)}}); }));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->favoriteCameras().at(2)->camera(), big);
}

}  // namespace
}  // namespace zelvo
