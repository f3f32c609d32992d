// The object layer over a real SQLite file: URIs, fetches over pending changes,
// relationships and cascades, saves that fail and stay pending.

#include <gtest/gtest.h>

#include <QUrl>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "StoreFixture.h"
#include "ViewControllers/Store/Favorite.h"
#include "ViewControllers/Store/FavoriteCamera.h"
#include "ViewControllers/Store/ManagedObjectContext.h"
#include "ViewControllers/Store/Site.h"
#include "ViewControllers/Store/SiteCamera.h"

namespace zelvo {
namespace {

using test::RawDatabase;

class ManagedObjectContextTest : public test::StoreFixture {
 protected:
  std::shared_ptr<Site> addSite(ManagedObjectContext& context, const QString& name, int cameras = 0) {
    auto site = context.insertNewObject<Site>();
    site->setName(name);
    site->setCameraCount(cameras);
    for (int i = 1; i <= cameras; ++i) {
      auto camera = context.insertNewObject<SiteCamera>();
      camera->setTitle(QStringLiteral("CAM%1").arg(i));
      camera->setCameraIndex(i);
      camera->setSite(site);
    }
    return site;
  }

  QStringList names(const std::vector<std::shared_ptr<Site>>& sites) {
    QStringList out;
    for (const auto& s : sites) out << s->name().value_or(QStringLiteral("<none>"));
    return out;
  }
};

TEST_F(ManagedObjectContextTest, NewStoreIsEmptyAndUnchanged) {
  auto context = open();
  ASSERT_NE(context, nullptr);
  EXPECT_TRUE(presented_.empty());
  EXPECT_FALSE(context->hasChanges());
  EXPECT_TRUE(context->fetch<Site>()->empty());
  EXPECT_TRUE(context->save());  // nothing to write
}

TEST_F(ManagedObjectContextTest, ValuesAndLinksSurviveAReopen) {
  QUrl siteURI, favoriteURI;
  {
    auto context = open();
    auto site = addSite(*context, QStringLiteral("Lobby"), 3);
    site->setAddress(QStringLiteral("10.0.0.5"));
    site->setPort(9000);
    site->setUser(QStringLiteral("admin"));
    site->setPassword(QStringLiteral("p\u00e4ss"));
    site->setAutoLogin(false);
    site->setDvrInfo(QString());  // empty text is not an empty attribute
    site->setDeleted(true);
    auto favorite = context->insertNewObject<Favorite>();
    favorite->setName(QStringLiteral("Night"));
    auto plane = context->insertNewObject<FavoriteCamera>();
    plane->setPlaneNumber(5);
    plane->setCameraNumber(2);
    plane->setSiteID(site->objectURI().toString());
    plane->setFavorite(favorite);
    siteURI = site->objectURI();
    favoriteURI = favorite->objectURI();
    ASSERT_TRUE(context->save());
  }
  close();
  auto context = open();
  ASSERT_NE(context, nullptr);
  EXPECT_FALSE(context->hasChanges());
  auto site = context->objectWithURI<Site>(siteURI);
  ASSERT_NE(site, nullptr);
  EXPECT_EQ(site->name(), QStringLiteral("Lobby"));
  EXPECT_EQ(site->address(), QStringLiteral("10.0.0.5"));
  EXPECT_EQ(site->port(), 9000);
  EXPECT_EQ(site->password(), QStringLiteral("p\u00e4ss"));
  EXPECT_EQ(site->autoLogin(), false);
  EXPECT_EQ(site->deleted(), true);
  EXPECT_EQ(site->dvrInfo(), QString());
  EXPECT_EQ(site->index(), std::nullopt);
  EXPECT_EQ(site->autoDetect(), std::nullopt);
  ASSERT_EQ(site->cameras().size(), 3u);
  EXPECT_EQ(site->cameras()[2]->title(), QStringLiteral("CAM3"));
  EXPECT_EQ(site->cameras()[2]->site(), site);
  EXPECT_EQ(site->cameraRows().size(), 3u);
  auto favorite = context->objectWithURI<Favorite>(favoriteURI);
  ASSERT_NE(favorite, nullptr);
  ASSERT_EQ(favorite->cameras().size(), 1u);
  EXPECT_EQ(favorite->cameras()[0]->planeNumber(), 5);
  EXPECT_EQ(context->objectWithURI(QUrl(*favorite->cameras()[0]->siteID())), site);
}

// What a URI resolves to, against a store holding Site p1 and a deleted Site p2.
struct URICase {
  const char* name;
  QString (*uri)(const QString& uuid);
  bool resolves;
};

const URICase kURICases[] = {
    {"own", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p1").arg(u); }, true},
    {"upper-case store id", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p1").arg(u.toUpper()); }, true},
    {"another store", [](const QString&) { return QStringLiteral("zelvo-store://1b4e28ba-2fa1-11d2-883f-0016d3cca427/Site/p1"); }, false},
    {"no store id", [](const QString&) { return QStringLiteral("zelvo-store://Site/p1"); }, false},
    {"other scheme", [](const QString& u) { return QStringLiteral("x-coredata://%1/Site/p1").arg(u); }, false},
    {"other entity", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Favorite/p1").arg(u); }, false},
    {"unknown entity", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Camera/p1").arg(u); }, false},
    {"deleted object", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p2").arg(u); }, false},
    {"unknown key", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p3").arg(u); }, false},
    {"key zero", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p0").arg(u); }, false},
    {"negative key", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p-1").arg(u); }, false},
    {"leading zero", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p01").arg(u); }, false},
    {"plus sign", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p+1").arg(u); }, false},
    {"no p", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/1").arg(u); }, false},
    {"trailing text", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p1x").arg(u); }, false},
    {"huge key", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p99999999999999999999999").arg(u); }, false},
    {"extra segment", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p1/x").arg(u); }, false},
    {"no entity", [](const QString& u) { return QStringLiteral("zelvo-store://%1/p1").arg(u); }, false},
    {"query", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p1?x=1").arg(u); }, false},
    {"fragment", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site/p1#x").arg(u); }, false},
    {"user", [](const QString& u) { return QStringLiteral("zelvo-store://me@%1/Site/p1").arg(u); }, false},
    {"port", [](const QString& u) { return QStringLiteral("zelvo-store://%1:80/Site/p1").arg(u); }, false},
    {"escaped path", [](const QString& u) { return QStringLiteral("zelvo-store://%1/Site%2Fp1").arg(u); }, false},
    {"empty", [](const QString&) { return QString(); }, false},
    {"not a URL", [](const QString&) { return QStringLiteral("::::"); }, false},
};

TEST_F(ManagedObjectContextTest, URIsResolveOnlyToTheirOwnLiveObject) {
  auto context = open();
  auto site = addSite(*context, QStringLiteral("A"));
  auto gone = addSite(*context, QStringLiteral("B"));
  ASSERT_TRUE(context->save());
  context->deleteObject(gone);
  ASSERT_TRUE(context->save());
  const QString uuid = context->persistentStoreCoordinator()->storeUUID().toString(QUuid::WithoutBraces);
  ASSERT_EQ(site->objectURI().toString(), QStringLiteral("zelvo-store://%1/Site/p1").arg(uuid));
  for (const URICase& c : kURICases) {
    SCOPED_TRACE(c.name);
    const QUrl uri(c.uri(uuid));
    EXPECT_EQ(context->objectWithURI(uri) != nullptr, c.resolves) << uri.toString().toStdString();
    if (c.resolves) {
      EXPECT_EQ(context->objectWithURI(uri), site);
    }
  }
}

TEST_F(ManagedObjectContextTest, URIsAreFixedAtInsertAndNeverGivenAgain) {
  QUrl first, deletedSaved, deletedUnsaved;
  {
    auto context = open();
    auto a = addSite(*context, QStringLiteral("A"));
    first = a->objectURI();
    auto b = addSite(*context, QStringLiteral("B"));
    deletedSaved = b->objectURI();
    ASSERT_TRUE(context->save());
    EXPECT_EQ(a->objectURI(), first);  // the save keeps it
    context->deleteObject(b);
    auto c = addSite(*context, QStringLiteral("C"));
    deletedUnsaved = c->objectURI();
    context->deleteObject(c);
    ASSERT_TRUE(context->save());
  }
  close();
  auto context = open();
  ASSERT_NE(context, nullptr);
  ASSERT_NE(context->objectWithURI(first), nullptr);
  EXPECT_EQ(context->objectWithURI<Site>(first)->name(), QStringLiteral("A"));
  EXPECT_EQ(context->objectWithURI(deletedSaved), nullptr);
  // The highest keys were deleted; a new object still gets a URI never seen before.
  auto d = addSite(*context, QStringLiteral("D"));
  EXPECT_NE(d->objectURI(), first);
  EXPECT_NE(d->objectURI(), deletedSaved);
  EXPECT_NE(d->objectURI(), deletedUnsaved);
  EXPECT_EQ(d->objectURI().path(), QStringLiteral("/Site/p4"));
}

TEST_F(ManagedObjectContextTest, FetchesSeeUnsavedInsertsAndEditsButNotDeletes) {
  auto context = open();
  auto lobby = addSite(*context, QStringLiteral("Lobby"));
  auto gate = addSite(*context, QStringLiteral("Gate"));
  auto yard = addSite(*context, QStringLiteral("Yard"));
  ASSERT_TRUE(context->save());

  gate->setName(QStringLiteral("Front gate"));         // unsaved edit
  yard->setDeleted(true);                              // unsaved soft delete
  auto office = addSite(*context, QStringLiteral("Office"));  // unsaved insert
  context->deleteObject(lobby);                        // unsaved delete
  ASSERT_TRUE(context->hasChanges());

  struct Case {
    const char* name;
    FetchRequest request;
    QStringList expected;
  };
  const Case cases[] = {
      {"all", FetchRequest::all("Site"), {"Front gate", "Yard", "Office"}},
      {"edited name", FetchRequest::where("Site", "name", QStringLiteral("Front gate")), {"Front gate"}},
      {"name before the edit", FetchRequest::where("Site", "name", QStringLiteral("Gate")), {}},
      {"inserted", FetchRequest::where("Site", "name", QStringLiteral("Office")), {"Office"}},
      {"deleted", FetchRequest::where("Site", "name", QStringLiteral("Lobby")), {}},
      {"case-sensitive", FetchRequest::where("Site", "name", QStringLiteral("office")), {}},
      {"no prefix match", FetchRequest::where("Site", "name", QStringLiteral("Off")), {}},
      {"unsaved flag", FetchRequest::where("Site", "deleted", true), {"Yard"}},
      {"empty attribute", FetchRequest::where("Site", "deleted", QVariant()), {"Front gate", "Office"}},
      {"number", FetchRequest::where("Site", "cameraCount", 0), {"Front gate", "Yard", "Office"}},
      {"number as text", FetchRequest::where("Site", "cameraCount", QStringLiteral("0")), {}},
      {"text as number", FetchRequest::where("Site", "name", 0), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto found = context->executeFetchRequest(c.request);
    ASSERT_TRUE(found.has_value());
    QStringList got;
    for (const auto& o : *found) got << o->value(u"name").toString();
    EXPECT_EQ(got, c.expected);
  }
  EXPECT_EQ(context->objectWithURI(lobby->objectURI()), nullptr);
  EXPECT_NE(context->objectWithURI(office->objectURI()), nullptr);
}

TEST_F(ManagedObjectContextTest, FetchOfUnknownEntityOrKeyFailsWithAnError) {
  auto context = open();
  StoreError error;
  EXPECT_FALSE(context->executeFetchRequest(FetchRequest::all("Camera"), &error).has_value());
  EXPECT_TRUE(error.isStoreError(StoreError::FetchFailed)) << error;
  error = {};
  EXPECT_FALSE(context->executeFetchRequest(FetchRequest::where("Site", "title", QStringLiteral("x")), &error).has_value());
  EXPECT_TRUE(error.isStoreError(StoreError::FetchFailed)) << error;
  // A relationship is not an attribute to compare.
  EXPECT_FALSE(context->executeFetchRequest(FetchRequest::where("Site", "cameras", 1)).has_value());
}

TEST_F(ManagedObjectContextTest, HasChangesFollowsWhatDiffersFromTheFile) {
  auto context = open();
  auto site = addSite(*context, QStringLiteral("A"));
  EXPECT_TRUE(context->hasChanges());
  ASSERT_TRUE(context->save());
  EXPECT_FALSE(context->hasChanges());
  site->setName(QStringLiteral("A"));  // the same value
  EXPECT_FALSE(context->hasChanges());
  site->setName(QStringLiteral("B"));
  EXPECT_TRUE(context->hasChanges());
  site->setName(QStringLiteral("A"));  // back to the saved value
  EXPECT_FALSE(context->hasChanges());
  auto camera = context->insertNewObject<SiteCamera>();
  context->deleteObject(camera);  // never saved: nothing left to write
  EXPECT_FALSE(context->hasChanges());
  context->deleteObject(site);
  EXPECT_TRUE(context->hasChanges());
}

TEST_F(ManagedObjectContextTest, AnObjectNotYetInsertedIsNeitherFetchedNorSaved) {
  QUrl uri;
  {
    auto context = open();
    auto draft = context->createObject<Site>();
    uri = draft->objectURI();
    draft->setName(QStringLiteral("Draft"));
    EXPECT_TRUE(context->fetch<Site>()->empty());
    EXPECT_EQ(context->objectWithURI(uri), nullptr);
    EXPECT_FALSE(context->hasChanges());
    addSite(*context, QStringLiteral("Other"));
    ASSERT_TRUE(context->save());  // a save while the draft is being filled in
    context->insertObject(draft);
    EXPECT_EQ(draft->objectURI(), uri);
    EXPECT_EQ(context->objectWithURI(uri), draft);
    EXPECT_EQ(names(*context->fetch<Site>()), (QStringList{"Draft", "Other"}));
  }
  close();
  auto context = open();
  EXPECT_EQ(names(*context->fetch<Site>()), QStringList{"Other"});  // the draft was never saved
  EXPECT_EQ(context->objectWithURI(uri), nullptr);
}

TEST_F(ManagedObjectContextTest, DeletingAFavoriteDeletesItsCameras) {
  QUrl favoriteURI, otherURI;
  {
    auto context = open();
    auto favorite = context->insertNewObject<Favorite>();
    favorite->setName(QStringLiteral("F"));
    auto other = context->insertNewObject<Favorite>();
    other->setName(QStringLiteral("G"));
    for (int plane = 0; plane < 4; ++plane) {
      auto camera = context->insertNewObject<FavoriteCamera>();
      camera->setPlaneNumber(plane);
      camera->setFavorite(plane < 3 ? favorite : other);
    }
    ASSERT_TRUE(context->save());
    favoriteURI = favorite->objectURI();
    otherURI = other->objectURI();
    context->deleteObject(favorite);
    EXPECT_EQ(context->fetch<FavoriteCamera>()->size(), 1u);  // at once, before the save
    ASSERT_TRUE(context->save());
  }
  close();
  {
    RawDatabase raw(storePath());
    EXPECT_EQ(raw.scalar(QStringLiteral("SELECT count(*) FROM FavoriteCamera")).toInt(), 1);
  }
  auto context = open();
  EXPECT_EQ(context->objectWithURI(favoriteURI), nullptr);
  auto other = context->objectWithURI<Favorite>(otherURI);
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(other->cameras().size(), 1u);
  EXPECT_EQ(other->cameras()[0]->planeNumber(), 3);
}

TEST_F(ManagedObjectContextTest, DeletingACameraTakesItOffItsOwner) {
  auto context = open();
  auto site = addSite(*context, QStringLiteral("S"), 2);
  ASSERT_TRUE(context->save());
  context->deleteObject(site->cameras()[0]);
  ASSERT_EQ(site->cameras().size(), 1u);
  EXPECT_EQ(site->cameras()[0]->cameraIndex(), 2);
  auto moved = site->cameras()[0];
  auto other = addSite(*context, QStringLiteral("T"));
  moved->setSite(other);
  EXPECT_TRUE(site->cameras().empty());
  EXPECT_EQ(other->cameras().size(), 1u);
  moved->setSite(nullptr);
  EXPECT_TRUE(other->cameras().empty());
  EXPECT_EQ(moved->site(), nullptr);
}

// Saves that SQLite refuses: nothing reaches the file, every change stays pending, and a
// later save writes it all once.
class FailedSaveTest : public ManagedObjectContextTest {
 protected:
  // After the failure: the error, every change still pending, nothing in the file.
  void expectPending(ManagedObjectContext& context, const StoreError& error) {
    EXPECT_TRUE(error.isStoreError(StoreError::SaveFailed)) << error;
    EXPECT_FALSE(error.failureReason.isEmpty());
    EXPECT_TRUE(context.hasChanges());
    EXPECT_EQ(context.fetch<Site>(QStringLiteral("name"), QStringLiteral("New"))->size(), 1u);
    EXPECT_EQ(context.fetch<SiteCamera>()->size(), 16u);
    EXPECT_EQ(rowCounts(), (std::pair<int, int>{0, 0}));
  }
  // The next save writes all of it, once.
  void expectSavedAgain(ManagedObjectContext& context) {
    StoreError error;
    ASSERT_TRUE(context.save(&error)) << error;
    EXPECT_FALSE(context.hasChanges());
    EXPECT_EQ(rowCounts(), (std::pair<int, int>{1, 16}));
  }
  std::pair<int, int> rowCounts() {
    RawDatabase raw(storePath());
    return {raw.scalar(QStringLiteral("SELECT count(*) FROM Site")).toInt(),
            raw.scalar(QStringLiteral("SELECT count(*) FROM SiteCamera")).toInt()};
  }
};

TEST_F(FailedSaveTest, FailingHalfWayRollsBackAndKeepsChangesPending) {
  auto context = open();
  ASSERT_NE(context, nullptr);
  RawDatabase raw(storePath());
  // SQLite itself refuses the thirteenth camera, after the site and twelve were written.
  ASSERT_EQ(raw.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON SiteCamera WHEN NEW.cameraIndex = 13 "
                                    "BEGIN SELECT RAISE(ABORT, 'refused'); END")),
            QString());
  addSite(*context, QStringLiteral("New"), 16);
  StoreError error;
  EXPECT_FALSE(context->save(&error));
  EXPECT_TRUE(error.failureReason.contains(QStringLiteral("refused"))) << error;
  expectPending(*context, error);
  ASSERT_EQ(raw.exec(QStringLiteral("DROP TRIGGER refuse")), QString());
  expectSavedAgain(*context);
}

TEST_F(FailedSaveTest, AFileLockedByAnotherWriterKeepsChangesPending) {
  auto context = open();
  ASSERT_NE(context, nullptr);
  auto raw = std::make_unique<RawDatabase>(storePath());
  ASSERT_EQ(raw->exec(QStringLiteral("BEGIN EXCLUSIVE")), QString());
  addSite(*context, QStringLiteral("New"), 16);
  StoreError error;
  EXPECT_FALSE(context->save(&error));
  raw.reset();  // ends its transaction
  expectPending(*context, error);
  expectSavedAgain(*context);
}

// A file nobody may write: mode 0400, or for root (who writes such a file anyway) the
// file system's immutable flag. Undone when it goes, so the folder can be removed.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const QString& path) : path_(QFile::encodeName(path)) {
    if (::geteuid() != 0) {
      made_ = ::chmod(path_.constData(), 0400) == 0;
      return;
    }
    const int fd = ::open(path_.constData(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags |= FS_IMMUTABLE_FL;
      made_ = immutable_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0) ::close(fd);
  }
  ~ReadOnlyFile() {
    if (!immutable_) return;
    const int fd = ::open(path_.constData(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags &= ~FS_IMMUTABLE_FL;
      ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    if (fd >= 0) ::close(fd);
  }
  bool made() const { return made_; }

 private:
  QByteArray path_;
  bool made_ = false;
  bool immutable_ = false;
};

TEST_F(FailedSaveTest, AReadOnlyFileKeepsChangesPending) {
  {
    auto context = open();
    ASSERT_NE(context, nullptr);
  }
  close();
  ReadOnlyFile readOnly(storePath());
  if (!readOnly.made()) GTEST_SKIP() << "this file system cannot make the file read-only for root";
  auto context = open();
  ASSERT_NE(context, nullptr);
  addSite(*context, QStringLiteral("New"), 16);
  StoreError error;
  EXPECT_FALSE(context->save(&error));
  expectPending(*context, error);
  EXPECT_FALSE(context->save(&error));  // and again, still pending
  EXPECT_TRUE(context->hasChanges());
  context.reset();
  close();
}

}  // namespace
}  // namespace zelvo
