// Building the store at launch on a real data folder: the folder and file modes, the
// errors in the order the operator sees them, files that are not ours left untouched,
// hostile values read as empty, and one instance at a time.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QSysInfo>
#include <sys/stat.h>

#include "StoreFixture.h"
#include "support/Wait.h"
#include "ViewControllers/Store/Favorite.h"
#include "ViewControllers/Store/FavoriteCamera.h"
#include "ViewControllers/Store/Site.h"
#include "ViewControllers/Store/SiteCamera.h"

namespace zelvo {
namespace {

using test::RawDatabase;

mode_t modeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : mode_t(-1);
}

// The two errors of a store that cannot be opened, in order.
void expectStoreFailure(const std::vector<StoreError>& presented, StoreError::Code code) {
  ASSERT_EQ(presented.size(), 2u);
  EXPECT_TRUE(presented[0].isStoreError(code)) << presented[0];
  EXPECT_EQ(presented[1].domain, QStringLiteral("YOUR_ERROR_DOMAIN"));
  EXPECT_EQ(presented[1].code, 9999);
  EXPECT_EQ(presented[1].description, QStringLiteral("Failed to initialize the store"));
  EXPECT_EQ(presented[1].failureReason, QStringLiteral("There was an error building up the data file."));
}

class PersistentStackTest : public test::StoreFixture {};

TEST_F(PersistentStackTest, FirstLaunchMakesAPrivateFolderAndFile) {
  const mode_t old = ::umask(0);  // what the store makes must not depend on the umask
  auto context = open();
  ::umask(old);
  ASSERT_NE(context, nullptr);
  EXPECT_TRUE(presented_.empty());
  EXPECT_EQ(modeOf(folder()), 0700u);
  EXPECT_EQ(modeOf(storePath()), 0600u);
  EXPECT_TRUE(context->fetch<Site>()->empty());
  EXPECT_TRUE(context->fetch<Favorite>()->empty());
  // Made once and kept.
  EXPECT_EQ(stack_->managedObjectContext(), context);
  EXPECT_EQ(stack_->persistentStoreCoordinator(), context->persistentStoreCoordinator());
  EXPECT_EQ(stack_->managedObjectModel(), context->managedObjectModel());
}

TEST_F(PersistentStackTest, AnOpenFolderAndFileOfAnOlderRunAreMadePrivate) {
  { ASSERT_NE(open(), nullptr); }
  close();
  ASSERT_EQ(::chmod(QFile::encodeName(folder()).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(storePath()).constData(), 0644), 0);
  ASSERT_NE(open(), nullptr);
  EXPECT_EQ(modeOf(folder()), 0700u);
  EXPECT_EQ(modeOf(storePath()), 0600u);
}

TEST_F(PersistentStackTest, TheDataFolderIsTheApplicationsOwn) {
  QStandardPaths::setTestModeEnabled(true);
  const QString name = QCoreApplication::applicationName();
  QCoreApplication::setApplicationName(QStringLiteral("Zelvo"));
  const QString directory = PersistentStack::applicationFilesDirectory();
  QCoreApplication::setApplicationName(name);
  QStandardPaths::setTestModeEnabled(false);
  EXPECT_TRUE(directory.endsWith(QStringLiteral("/Zelvo"))) << directory.toStdString();
  EXPECT_EQ(PersistentStack([](const StoreError&) {}).folder().isEmpty(), false);
}

TEST_F(PersistentStackTest, AFileWhereTheFolderShouldBeGivesTheTwoErrors) {
  ASSERT_TRUE(test::writeFile(folder(), "mine"));
  EXPECT_EQ(open(), nullptr);
  ASSERT_EQ(presented_.size(), 2u);
  EXPECT_EQ(presented_[0].domain, QStringLiteral("YOUR_ERROR_DOMAIN"));
  EXPECT_EQ(presented_[0].code, 101);
  EXPECT_EQ(presented_[0].description,
            QStringLiteral("Expected a folder to store application data, found a file (%1).").arg(folder()));
  EXPECT_EQ(presented_[1].code, 9999);
  EXPECT_EQ(test::readFile(folder()), QByteArray("mine"));
  // A later request tries again, and succeeds once the way is clear.
  presented_.clear();
  ASSERT_TRUE(QFile::remove(folder()));
  EXPECT_NE(stack_->managedObjectContext(), nullptr);
  EXPECT_TRUE(presented_.empty());
}

TEST_F(PersistentStackTest, AFolderThatCannotBeMadeGivesItsErrorThenTheStoreError) {
  ASSERT_TRUE(test::writeFile(home_.path() + QStringLiteral("/plain"), "x"));
  auto stack = std::make_unique<PersistentStack>([this](const StoreError& e) { presented_.push_back(e); },
                                                 home_.path() + QStringLiteral("/plain/Zelvo"));
  EXPECT_EQ(stack->managedObjectContext(), nullptr);
  expectStoreFailure(presented_, StoreError::FolderCreationFailed);
  EXPECT_TRUE(presented_[0].description.contains(QStringLiteral("/plain/Zelvo")));
}

TEST_F(PersistentStackTest, NoModelIsLoggedAndGivesTheStoreError) {
  test::LogCapture log;
  stack_ = makeStack([](QString* reason) {
    *reason = QStringLiteral("gone");
    return std::optional<ManagedObjectModel>();
  });
  EXPECT_EQ(stack_->managedObjectContext(), nullptr);
  EXPECT_TRUE(log.contains("ZelvoAppDelegate:persistentStoreCoordinator No model to generate a store from"));
  ASSERT_EQ(presented_.size(), 1u);
  EXPECT_EQ(presented_[0].code, 9999);
  EXPECT_FALSE(QFileInfo::exists(storePath()));
}

TEST_F(PersistentStackTest, AnEmptyFileIsANewStore) {
  QDir().mkpath(folder());
  ASSERT_TRUE(test::writeFile(storePath(), {}));
  auto context = open();
  ASSERT_NE(context, nullptr);
  EXPECT_TRUE(presented_.empty());
  context->insertNewObject<Site>()->setName(QStringLiteral("A"));
  EXPECT_TRUE(context->save());
}

TEST_F(PersistentStackTest, AnSQLiteFileWithoutTablesIsANewStore) {
  QDir().mkpath(folder());
  {
    RawDatabase raw(storePath());
    ASSERT_EQ(raw.exec(QStringLiteral("PRAGMA user_version = 0")), QString());
  }
  EXPECT_NE(open(), nullptr);
  EXPECT_TRUE(presented_.empty());
}

// Files that are not an address book we can read: each is refused with the store's error
// and the 9999 error, and stays byte for byte as it was.
struct ForeignFile {
  const char* name;
  StoreError::Code code;
  // Makes the file, given a good store at the path to start from (or none).
  std::function<void(const QString& path)> make;
  bool startsFromStore = false;
};

QByteArray randomBytes(int n, quint32 seed) {
  QRandomGenerator random(seed);
  QByteArray bytes(n, 0);
  for (char& b : bytes) b = char(random.bounded(256));
  return bytes;
}

void sql(const QString& path, const QString& statement) {
  RawDatabase raw(path);
  ASSERT_EQ(raw.exec(statement), QString()) << statement.toStdString();
}

const ForeignFile kForeignFiles[] = {
    {"text", StoreError::NotAStore, [](const QString& p) { test::writeFile(p, "my notes\n"); }},
    {"random bytes", StoreError::NotAStore, [](const QString& p) { test::writeFile(p, randomBytes(8192, 1)); }},
    {"SQLite header then garbage", StoreError::NotAStore,
     [](const QString& p) { test::writeFile(p, QByteArray("SQLite format 3\0", 16) + randomBytes(8176, 2)); }},
    {"another program's database", StoreError::NotAStore,
     [](const QString& p) { sql(p, QStringLiteral("CREATE TABLE contacts (name TEXT)")); }},
    {"another program's database with a write-ahead log", StoreError::NotAStore,
     [](const QString& p) {
       RawDatabase raw(p);
       raw.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
       raw.exec(QStringLiteral("CREATE TABLE contacts (name TEXT)"));
       raw.exec(QStringLiteral("INSERT INTO contacts VALUES ('Ann')"));
     }},
    {"a damaged page", StoreError::NotAStore,
     [](const QString& p) {
       QByteArray bytes = test::readFile(p);
       // The b-tree header of the second page.
       for (int i = 4096; i < 4096 + 12 && i < bytes.size(); ++i) bytes[i] = char(0xA5);
       test::writeFile(p, bytes);
     },
     true},
    {"cut short", StoreError::NotAStore,
     [](const QString& p) {
       QByteArray bytes = test::readFile(p);
       test::writeFile(p, bytes.left(bytes.size() / 2 + 7));
     },
     true},
    {"another model", StoreError::IncompatibleStore,
     [](const QString& p) { sql(p, QStringLiteral("UPDATE _metadata SET value = 'Other' WHERE key = 'model'")); }, true},
    {"another version", StoreError::IncompatibleStore,
     [](const QString& p) { sql(p, QStringLiteral("UPDATE _metadata SET value = 2 WHERE key = 'modelVersion'")); }, true},
    {"damaged identity", StoreError::NotAStore,
     [](const QString& p) { sql(p, QStringLiteral("UPDATE _metadata SET value = 'x' WHERE key = 'storeUUID'")); }, true},
    {"identity of the wrong type", StoreError::NotAStore,
     [](const QString& p) { sql(p, QStringLiteral("UPDATE _metadata SET value = 7 WHERE key = 'storeUUID'")); }, true},
    {"a table missing", StoreError::NotAStore, [](const QString& p) { sql(p, QStringLiteral("DROP TABLE FavoriteCamera")); },
     true},
    {"a column missing", StoreError::NotAStore,
     [](const QString& p) { sql(p, QStringLiteral("ALTER TABLE Site DROP COLUMN password")); }, true},
    {"a key counter out of range", StoreError::NotAStore,
     [](const QString& p) {
       sql(p, QStringLiteral("INSERT OR REPLACE INTO _primarykey (entity, maximum) VALUES ('Site', 9223372036854775807)"));
     },
     true},
    {"more rows than an address book", StoreError::StoreTooLarge,
     [](const QString& p) {
       sql(p, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000001) "
                             "INSERT INTO SiteCamera (_pk) SELECT i FROM n"));
     },
     true},
};

TEST_F(PersistentStackTest, FilesThatAreNotOurStoreAreRefusedAndLeftAsTheyWere) {
  for (const ForeignFile& f : kForeignFiles) {
    SCOPED_TRACE(f.name);
    QDir(folder()).removeRecursively();
    presented_.clear();
    if (f.startsFromStore) {
      auto context = open();
      ASSERT_NE(context, nullptr);
      for (int i = 0; i < 40; ++i) context->insertNewObject<Site>()->setName(QString(200, QLatin1Char('a' + i % 26)));
      ASSERT_TRUE(context->save());
      context.reset();
      close();
    } else {
      QDir().mkpath(folder());
    }
    f.make(storePath());
    const QByteArray before = test::fileDigest(storePath());
    ASSERT_FALSE(before.isEmpty());
    presented_.clear();
    EXPECT_EQ(open(), nullptr);
    expectStoreFailure(presented_, f.code);
    if (!presented_.empty()) {
      EXPECT_TRUE(presented_[0].description.contains(storePath()));
    }
    close();
    EXPECT_EQ(test::fileDigest(storePath()), before);
    EXPECT_FALSE(QFileInfo::exists(storePath() + QStringLiteral("-journal")));
  }
}

TEST_F(PersistentStackTest, ADirectoryInPlaceOfTheFileIsRefused) {
  QDir().mkpath(storePath());
  EXPECT_EQ(open(), nullptr);
  expectStoreFailure(presented_, StoreError::NotAStore);
}

// Values another writer could have left: of the wrong storage type, too long, or linking
// rows that do not exist. Each reads as empty; the rest of the row stays.
struct HostileValue {
  const char* name;
  const char* statement;
  std::function<void(const Site& site)> expect;
};

TEST_F(PersistentStackTest, HostileValuesReadAsEmptyFields) {
  const HostileValue cases[] = {
      {"text in a number column", "UPDATE Site SET port = 'abc'", [](const Site& s) { EXPECT_EQ(s.port(), std::nullopt); }},
      {"real in a number column", "UPDATE Site SET cameraCount = 1.5",
       [](const Site& s) { EXPECT_EQ(s.cameraCount(), std::nullopt); }},
      {"blob in a text column", "UPDATE Site SET address = x'00ff10'",
       [](const Site& s) { EXPECT_EQ(s.address(), std::nullopt); }},
      {"boolean out of range", "UPDATE Site SET autoLogin = 7", [](const Site& s) { EXPECT_EQ(s.autoLogin(), std::nullopt); }},
      {"boolean as text", "UPDATE Site SET deleted = 'yes'", [](const Site& s) { EXPECT_EQ(s.deleted(), std::nullopt); }},
      {"huge text", "UPDATE Site SET dvrInfo = printf('%.*c', 100000, 'x')",
       [](const Site& s) { EXPECT_EQ(s.dvrInfo(), std::nullopt); }},
      {"text at the limit", "UPDATE Site SET dvrInfo = printf('%.*c', 65536, 'x')",
       [](const Site& s) { EXPECT_EQ(s.dvrInfo().value_or(QString()).size(), 65536); }},
      {"link of the wrong type", "UPDATE SiteCamera SET _site = 'one'",
       [](const Site& s) { EXPECT_TRUE(s.cameras().empty()); }},
      {"link to no row", "UPDATE SiteCamera SET _site = 999", [](const Site& s) { EXPECT_TRUE(s.cameras().empty()); }},
      {"a key out of range", "UPDATE SiteCamera SET _pk = -5", [](const Site& s) { EXPECT_TRUE(s.cameras().empty()); }},
      {"invalid UTF-8", "UPDATE Site SET user = CAST(x'ff41fe' AS TEXT)",
       [](const Site& s) { EXPECT_TRUE(s.user().has_value()); }},
  };
  for (const HostileValue& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(folder()).removeRecursively();
    QUrl uri;
    {
      auto context = open();
      ASSERT_NE(context, nullptr);
      auto site = context->insertNewObject<Site>();
      site->setName(QStringLiteral("Lobby"));
      site->setAddress(QStringLiteral("10.0.0.1"));
      site->setPort(9000);
      site->setAutoLogin(true);
      site->setDeleted(false);
      site->setCameraCount(1);
      auto camera = context->insertNewObject<SiteCamera>();
      camera->setSite(site);
      uri = site->objectURI();
      ASSERT_TRUE(context->save());
    }
    close();
    sql(storePath(), QString::fromLatin1(c.statement));
    presented_.clear();
    auto context = open();
    ASSERT_NE(context, nullptr);
    EXPECT_TRUE(presented_.empty());
    auto site = context->objectWithURI<Site>(uri);
    ASSERT_NE(site, nullptr);
    c.expect(*site);
    EXPECT_FALSE(context->hasChanges());
    // The store goes on working on such a file.
    site->setName(QStringLiteral("Again"));
    EXPECT_TRUE(context->save());
    context.reset();
    close();
  }
}

TEST_F(PersistentStackTest, ASecondInstanceIsRefusedAndToldSo) {
  auto first = open();
  ASSERT_NE(first, nullptr);
  std::vector<StoreError> second;
  PersistentStack other([&](const StoreError& e) { second.push_back(e); }, folder());
  EXPECT_EQ(other.managedObjectContext(), nullptr);
  EXPECT_TRUE(other.anotherInstanceIsRunning());
  ASSERT_EQ(second.size(), 1u);  // only this: the application says so and exits
  EXPECT_TRUE(second[0].isAlreadyInUse()) << second[0];
  EXPECT_EQ(second[0].description, QStringLiteral("Zelvo is already running."));
  // Once the first has gone, the next start opens the store.
  first.reset();
  close();
  second.clear();
  EXPECT_NE(other.managedObjectContext(), nullptr);
  EXPECT_FALSE(other.anotherInstanceIsRunning());
  EXPECT_TRUE(second.empty());
}

TEST_F(PersistentStackTest, ALockLeftByAProcessThatIsGoneIsTakenOver) {
  QDir().mkpath(folder());
  // A lock file naming a process that no longer runs, as a crash leaves it.
  ASSERT_TRUE(test::writeFile(folder() + QStringLiteral("/Zelvo.storedata.lock"),
                              QByteArray("2147483646\nzelvo\n") + QSysInfo::machineHostName().toUtf8() + "\n"));
  EXPECT_NE(open(), nullptr);
  EXPECT_TRUE(presented_.empty());
}

TEST_F(PersistentStackTest, ALockWithoutAnOwnerIsTakenOverOnlyWhenNoProcessHoldsIt) {
  // A kill between making the lock file and writing its owner leaves it empty.
  QDir().mkpath(folder());
  const QString lockPath = folder() + QStringLiteral("/Zelvo.storedata.lock");
  ASSERT_TRUE(test::writeFile(lockPath, {}));
  auto context = open();
  EXPECT_NE(context, nullptr);
  EXPECT_TRUE(presented_.empty());
  // The same empty file while a live instance holds it is still that instance's lock.
  ASSERT_TRUE(test::writeFile(lockPath, {}));
  std::vector<StoreError> second;
  PersistentStack other([&](const StoreError& e) { second.push_back(e); }, folder());
  EXPECT_EQ(other.managedObjectContext(), nullptr);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_TRUE(second[0].isAlreadyInUse()) << second[0];
}

}  // namespace
}  // namespace zelvo
