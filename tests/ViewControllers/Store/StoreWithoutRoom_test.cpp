// A store that cannot be written is still the operator's address book: on a full disk,
// a read-only disk, and with the file or its folder made read-only, the sites and
// favourites are read and shown, the reason is said at start, a save fails and keeps its
// changes, and the file stays byte for byte as it was. The disks are small tmpfs mounts
// the test makes and removes (as root; without root those cases are skipped). Also the
// words for stores that are refused: a store switched to a write-ahead log is ours, and
// one cut short inside its header is damaged.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "StoreFixture.h"
#include "ViewControllers/Store/Favorite.h"
#include "ViewControllers/Store/Site.h"

namespace zelvo {
namespace {

using test::RawDatabase;

mode_t modeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : mode_t(-1);
}

QStringList siteNames(ManagedObjectContext& context) {
  QStringList names;
  const auto sites = context.fetch<Site>();
  if (!sites) return {"the fetch failed"};
  for (const auto& site : *sites) names << site->name().value_or(QString());
  names.sort();
  return names;
}

// Writes until the file system has no room left; the filler's path.
QString fill(const QString& folder) {
  const QString path = folder + QStringLiteral("/filler");
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return {};
  const QByteArray block(4096, 'x');
  while (::write(fd, block.constData(), size_t(block.size())) > 0) {
  }
  // The last partial block too.
  while (::write(fd, "x", 1) > 0) {
  }
  ::close(fd);
  return path;
}

class StoreWithoutRoomTest : public test::StoreFixture {
 protected:
  void TearDown() override {
    ::chmod(QFile::encodeName(folder()).constData(), 0700);
    if (mounted_) ::umount2(QFile::encodeName(folder()).constData(), MNT_DETACH);
  }

  // An address book with two sites and a favourite, closed.
  QByteArray makeStore() {
    auto context = open();
    EXPECT_NE(context, nullptr);
    if (!context) return {};
    context->insertNewObject<Site>()->setName(QStringLiteral("Shop"));
    context->insertNewObject<Site>()->setName(QStringLiteral("Bank"));
    context->insertNewObject<Favorite>()->setName(QStringLiteral("Lobby"));
    EXPECT_TRUE(context->save());
    context.reset();
    close();
    presented_.clear();
    return test::readFile(storePath());
  }

  // The folder becomes a small disk of its own holding the store's bytes.
  bool moveOntoSmallDisk(const QByteArray& store) {
    if (::geteuid() != 0) return false;
    QDir(folder()).removeRecursively();
    if (!QDir().mkpath(folder())) return false;
    if (::mount("zelvo-test", QFile::encodeName(folder()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                "size=256k,mode=0700") != 0)
      return false;
    mounted_ = true;
    const int fd = ::open(QFile::encodeName(storePath()).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool written = ::write(fd, store.constData(), size_t(store.size())) == store.size();
    ::close(fd);
    return written;
  }

  bool mounted_ = false;
  QString filler_;
};

struct Unwritable {
  const char* name;
  StoreError::Code notice;
  const char* says;  // in the notice's description
  bool needsRoot;
  bool lockBeside;  // the folder can be written, so the instance lock is taken there
  // Makes the store unwritable; false when it cannot here.
  std::function<bool(const QByteArray& store)> make;
};

TEST_F(StoreWithoutRoomTest, AStoreThatCannotBeWrittenIsShownAndSaysWhyAtStart) {
  const Unwritable cases[] = {
      {"a full disk", StoreError::DiskFull, "disk is full", true, false,
       [this](const QByteArray& store) {
         if (!moveOntoSmallDisk(store)) return false;
         filler_ = fill(folder());
         return !filler_.isEmpty();
       }},
      {"a read-only disk", StoreError::ReadOnlyStore, "is read-only", true, false,
       [this](const QByteArray& store) {
         return moveOntoSmallDisk(store) &&
                ::mount(nullptr, QFile::encodeName(folder()).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
       }},
      {"a read-only file", StoreError::ReadOnlyStore, "is read-only", false, true,
       [this](const QByteArray&) {
         return ::chmod(QFile::encodeName(storePath()).constData(), 0400) == 0;
       }},
      {"a read-only folder", StoreError::ReadOnlyStore, "folder", false, false,
       [this](const QByteArray&) {
         return ::chmod(QFile::encodeName(folder()).constData(), 0500) == 0;
       }},
  };
  for (const Unwritable& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && ::geteuid() != 0) continue;
    TearDown();
    mounted_ = false;
    QDir(folder()).removeRecursively();
    const QByteArray store = makeStore();
    ASSERT_FALSE(store.isEmpty());
    ASSERT_TRUE(c.make(store));
    const mode_t folderMode = modeOf(folder());
    const mode_t fileMode = modeOf(storePath());
    const QByteArray before = test::fileDigest(storePath());

    auto context = open();
    ASSERT_NE(context, nullptr) << (presented_.empty() ? StoreError{} : presented_[0]);
    ASSERT_EQ(presented_.size(), 1u);
    EXPECT_TRUE(presented_[0].isStoreError(c.notice)) << presented_[0];
    EXPECT_TRUE(presented_[0].description.contains(c.says)) << presented_[0];
    EXPECT_TRUE(presented_[0].failureReason.contains("changes to them cannot be kept until")) << presented_[0];
    EXPECT_FALSE(stack_->refusal());
    EXPECT_EQ(siteNames(*context), QStringList({"Bank", "Shop"}));
    EXPECT_EQ(context->fetch<Favorite>()->size(), 1u);

    context->fetch<Site>()->front()->setName(QStringLiteral("Renamed"));
    StoreError error;
    EXPECT_FALSE(context->save(&error));
    EXPECT_TRUE(error.isStoreError(StoreError::SaveFailed)) << error;
    EXPECT_TRUE(error.failureReason.contains(presented_[0].description)) << error;
    EXPECT_TRUE(context->hasChanges());

    // Nothing was written beside it, and nothing widened what the user narrowed.
    EXPECT_EQ(QFileInfo::exists(folder() + "/Zelvo.storedata.lock"), c.lockBeside);
    EXPECT_FALSE(QFileInfo::exists(storePath() + "-journal"));
    EXPECT_EQ(modeOf(folder()), folderMode);
    EXPECT_EQ(modeOf(storePath()), fileMode);
    context.reset();
    close();
    EXPECT_EQ(test::fileDigest(storePath()), before);
    presented_.clear();
  }
}

TEST_F(StoreWithoutRoomTest, OnceThereIsRoomAgainTheChangesAreKept) {
  if (::geteuid() != 0) GTEST_SKIP() << "a small disk of the test's own needs root";
  const QByteArray store = makeStore();
  ASSERT_TRUE(moveOntoSmallDisk(store));
  filler_ = fill(folder());
  ASSERT_FALSE(filler_.isEmpty());
  auto context = open();
  ASSERT_NE(context, nullptr);
  ASSERT_EQ(presented_.size(), 1u);
  ASSERT_TRUE(presented_[0].isStoreError(StoreError::DiskFull));
  context->insertNewObject<Site>()->setName(QStringLiteral("Yard"));
  EXPECT_FALSE(context->save());
  ASSERT_TRUE(QFile::remove(filler_));
  StoreError error;
  EXPECT_TRUE(context->save(&error)) << error;
  EXPECT_FALSE(context->hasChanges());
  context.reset();
  close();
  presented_.clear();
  context = open();
  ASSERT_NE(context, nullptr);
  EXPECT_TRUE(presented_.empty());
  EXPECT_EQ(siteNames(*context), QStringList({"Bank", "Shop", "Yard"}));
}

TEST_F(StoreWithoutRoomTest, AStoreWhoseFileChangedWhileItWasFullStaysReadOnly) {
  if (::geteuid() != 0) GTEST_SKIP() << "a small disk of the test's own needs root";
  ASSERT_TRUE(moveOntoSmallDisk(makeStore()));
  filler_ = fill(folder());
  auto context = open();
  ASSERT_NE(context, nullptr);
  ASSERT_TRUE(QFile::remove(filler_));
  // Another instance took the room and wrote the file meanwhile.
  {
    RawDatabase raw(storePath());
    ASSERT_EQ(raw.exec("UPDATE Site SET name = 'Theirs' WHERE name = 'Bank'"), QString());
  }
  const QByteArray theirs = test::fileDigest(storePath());
  context->insertNewObject<Site>()->setName(QStringLiteral("Mine"));
  EXPECT_FALSE(context->save());
  EXPECT_TRUE(context->hasChanges());
  context.reset();
  close();
  EXPECT_EQ(test::fileDigest(storePath()), theirs);
}

// --- the words for stores that are refused ---

TEST_F(StoreWithoutRoomTest, OurStoreSwitchedToAWriteAheadLogIsOpened) {
  ASSERT_FALSE(makeStore().isEmpty());
  {
    RawDatabase raw(storePath());
    ASSERT_EQ(raw.scalar("PRAGMA journal_mode = WAL").toString(), QStringLiteral("wal"));
  }
  const QByteArray header = test::readFile(storePath()).left(20);
  ASSERT_EQ(header[18], 2);
  const QByteArray before = test::fileDigest(storePath());
  auto context = open();
  ASSERT_NE(context, nullptr) << (presented_.empty() ? StoreError{} : presented_[0]);
  EXPECT_TRUE(presented_.empty());
  EXPECT_EQ(siteNames(*context), QStringList({"Bank", "Shop"}));
  context.reset();
  close();
  EXPECT_EQ(test::fileDigest(storePath()), before);  // read, not written
  context = open();
  ASSERT_NE(context, nullptr);
  context->insertNewObject<Site>()->setName(QStringLiteral("Yard"));
  EXPECT_TRUE(context->save());
  context.reset();
  close();
  context = open();
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(siteNames(*context), QStringList({"Bank", "Shop", "Yard"}));
}

TEST_F(StoreWithoutRoomTest, AStoreCutShortInsideItsHeaderIsDamagedAndLeftAsItIs) {
  const QByteArray store = makeStore();
  ASSERT_GT(store.size(), 100);
  for (int length : {16, 17, 19, 20, 64, 99}) {
    SCOPED_TRACE(length);
    ASSERT_TRUE(test::writeFile(storePath(), store.left(length)));
    const QByteArray before = test::fileDigest(storePath());
    presented_.clear();
    EXPECT_EQ(open(), nullptr);
    ASSERT_FALSE(presented_.empty());
    EXPECT_TRUE(presented_[0].isStoreError(StoreError::NotAStore)) << presented_[0];
    EXPECT_TRUE(presented_[0].failureReason.contains("damaged")) << presented_[0];
    EXPECT_TRUE(presented_[0].failureReason.contains(QString::number(length))) << presented_[0];
    EXPECT_FALSE(presented_[0].failureReason.contains("another program")) << presented_[0];
    // The window keeps saying why there is no address book.
    ASSERT_TRUE(stack_->refusal());
    EXPECT_EQ(stack_->refusal()->description, presented_[0].description);
    EXPECT_EQ(stack_->refusal()->failureReason, presented_[0].failureReason);
    close();
    EXPECT_EQ(test::fileDigest(storePath()), before);
  }
}

}  // namespace
}  // namespace zelvo
