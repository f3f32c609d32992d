#include "ViewControllers/Store/PersistentStoreCoordinator.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "ViewControllers/Store/StoreRows.h"

namespace zelvo {

const QString PersistentStoreCoordinator::kStoreFileName = QStringLiteral("Zelvo.storedata");
const QString PersistentStoreCoordinator::kLockFileName = QStringLiteral("Zelvo.storedata.lock");
const QString PersistentStoreCoordinator::kURIScheme = QStringLiteral("zelvo-store");

namespace {

// Our own tables and columns start with an underscore, which no name of the model can.
const QString kMetadataTable = QStringLiteral("_metadata");
const QString kPrimaryKeyTable = QStringLiteral("_primarykey");
const QString kPrimaryKeyColumn = QStringLiteral("_pk");
const QString kMetadataModel = QStringLiteral("model");
const QString kMetadataVersion = QStringLiteral("modelVersion");
const QString kMetadataUUID = QStringLiteral("storeUUID");

// A file this large is not an address book; SQLite is not asked to read it.
constexpr qint64 kMaximumFileSize = qint64(2) << 30;

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }
QString relationshipColumn(const RelationshipDescription& r) { return QLatin1Char('_') + r.name; }

QString sqlType(AttributeType type) {
  return type == AttributeType::String ? QStringLiteral("TEXT") : QStringLiteral("INTEGER");
}

QString posixError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

StoreError notAStore(const QString& path, const QString& why) {
  return StoreError::store(StoreError::NotAStore,
                           QStringLiteral("The file \u201c%1\u201d is not a Zelvo address book, or it is damaged.").arg(path),
                           why);
}

StoreError openFailed(const QString& path, const QString& why) {
  return StoreError::store(StoreError::OpenFailed,
                           QStringLiteral("The address book \u201c%1\u201d could not be opened.").arg(path), why);
}

bool report(StoreError* error, StoreError value) {
  if (error) *error = std::move(value);
  return false;
}

}  // namespace

struct PersistentStoreCoordinator::Private {
  QString connectionName;
  std::unique_ptr<QLockFile> lock;
  std::unique_ptr<StoreContents> contents;
  // Set while the store is open read-only: why changes cannot be kept.
  std::optional<StoreError> notice;
  struct stat opened {};  // the file as it was read

  QSqlDatabase database() const { return QSqlDatabase::database(connectionName, false); }

  ~Private() { close(); }

  void closeConnection() {
    if (connectionName.isEmpty()) return;
    {
      QSqlDatabase db = database();
      if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    connectionName.clear();
  }
  void close() {
    closeConnection();
    lock.reset();
  }
};

namespace {

// A new connection to the file; its name, or empty with the reason.
QString openConnection(const QString& path, bool readOnly, QString* problem) {
  static QAtomicInteger<quint64> connections;
  const QString name = QStringLiteral("zelvo-store-%1").arg(connections.fetchAndAddRelaxed(1));
  bool ok = false;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (!db.isValid()) {
      *problem = QStringLiteral("The SQLite driver of Qt SQL is not installed.");
    } else {
      db.setDatabaseName(path);
      // Nothing else should write the file; a reader (a backup) may hold it briefly.
      QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000");
      if (readOnly) options += QStringLiteral(";QSQLITE_OPEN_READONLY");
      db.setConnectOptions(options);
      ok = db.open();
      if (!ok) *problem = db.lastError().text();
    }
  }
  if (ok) return name;
  QSqlDatabase::removeDatabase(name);
  return {};
}

bool diskIsFull(const QString& folder) {
  struct statvfs fs {};
  if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0) return false;
  // A file system that counts no inodes (f_files 0) has no limit on them.
  return fs.f_bavail == 0 || (fs.f_files > 0 && fs.f_favail == 0);
}

StoreError diskFullNotice(const QString& folder) {
  return StoreError::store(StoreError::DiskFull, QStringLiteral("The disk is full."),
                           QStringLiteral("Your sites and favourites are shown, but changes to them cannot be kept "
                                          "until there is room on the disk that holds \u201c%1\u201d.")
                               .arg(folder));
}

StoreError notWritable(const QString& what) {
  return StoreError::store(StoreError::ReadOnlyStore, what,
                           QStringLiteral("Your sites and favourites are shown, but changes to them cannot be kept "
                                          "until it can be written again."));
}

// Why nothing can be written in the store's folder, or nothing. The user's own mode bits
// count even where the process could write anyway (as root): a folder the user made
// read-only is left so.
std::optional<StoreError> folderNotice(const QString& folder) {
  const QByteArray native = QFile::encodeName(folder);
  struct statvfs fs {};
  if (::statvfs(native.constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY))
    return notWritable(QStringLiteral("The disk that holds the address book\u2019s folder \u201c%1\u201d is read-only.").arg(folder));
  struct stat st {};
  if ((::stat(native.constData(), &st) == 0 && !(st.st_mode & S_IWUSR)) ||
      (::access(native.constData(), W_OK) != 0 && (errno == EACCES || errno == EROFS)))
    return notWritable(QStringLiteral("The address book\u2019s folder \u201c%1\u201d is read-only.").arg(folder));
  if (diskIsFull(folder)) return diskFullNotice(folder);
  return std::nullopt;
}

std::optional<StoreError> fileNotice(const QString& path, const struct stat& st) {
  if (!(st.st_mode & S_IWUSR) || (::access(QFile::encodeName(path).constData(), W_OK) != 0 && (errno == EACCES || errno == EROFS)))
    return notWritable(QStringLiteral("The address book \u201c%1\u201d is read-only.").arg(path));
  return std::nullopt;
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

PersistentStoreCoordinator::PersistentStoreCoordinator(std::shared_ptr<const ManagedObjectModel> model)
    : model_(std::move(model)) {
  ZELVO_PRECONDITION(model_ != nullptr);
}

PersistentStoreCoordinator::~PersistentStoreCoordinator() = default;

bool PersistentStoreCoordinator::hasStore() const { return d_ != nullptr; }

std::optional<StoreError> PersistentStoreCoordinator::readOnlyNotice() const {
  return d_ ? d_->notice : std::nullopt;
}

std::unique_ptr<StoreContents> PersistentStoreCoordinator::takeContents() {
  ZELVO_PRECONDITION(d_ != nullptr);
  return std::move(d_->contents);
}

namespace {

// The checks and reads of one opening; any failure leaves the file as it was.
class StoreOpener {
 public:
  StoreOpener(const ManagedObjectModel& model, QSqlDatabase db, QString path)
      : model_(model), db_(std::move(db)), path_(std::move(path)) {}

  bool run(StoreContents* contents, QUuid* uuid, StoreError* error) {
    QString problem;
    if (!integrityOk(&problem)) return report(error, notAStore(path_, problem));
    QStringList tables;
    if (!query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"), &problem, [&](QSqlQuery& q) {
          tables << q.value(0).toString();
          return true;
        }))
      return report(error, notAStore(path_, problem));
    if (tables.isEmpty()) return create(uuid, error);
    if (!tables.contains(kMetadataTable) || !tables.contains(kPrimaryKeyTable))
      return report(error, notAStore(path_, QStringLiteral("It holds tables of another program.")));
    if (!readMetadata(uuid, error)) return false;
    for (const EntityDescription& entity : model_.entities()) {
      if (!tables.contains(entity.name) || !hasColumns(entity, &problem)) {
        if (problem.isEmpty()) problem = QStringLiteral("The table %1 is missing.").arg(entity.name);
        return report(error, notAStore(path_, problem));
      }
    }
    return readRows(contents, error);
  }

 private:
  template <class Row>
  bool query(const QString& sql, QString* problem, Row&& row) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec(sql)) {
      *problem = q.lastError().text();
      return false;
    }
    while (q.next())
      if (!row(q)) return false;
    if (q.lastError().isValid()) {
      *problem = q.lastError().text();
      return false;
    }
    return true;
  }

  bool integrityOk(QString* problem) {
    QStringList answers;
    if (!query(QStringLiteral("PRAGMA quick_check(4)"), problem, [&](QSqlQuery& q) {
          answers << q.value(0).toString();
          return true;
        }))
      return false;
    if (answers != QStringList{QStringLiteral("ok")}) {
      *problem = answers.join(QLatin1Char('\n'));
      return false;
    }
    return true;
  }

  // A new store: every table and the store's identity, in one transaction.
  bool create(QUuid* uuid, StoreError* error) {
    QStringList statements;
    statements << QStringLiteral("CREATE TABLE %1 (key TEXT PRIMARY KEY, value)").arg(quoted(kMetadataTable));
    statements << QStringLiteral("CREATE TABLE %1 (entity TEXT PRIMARY KEY, maximum INTEGER)").arg(quoted(kPrimaryKeyTable));
    for (const EntityDescription& entity : model_.entities()) {
      QStringList columns{quoted(kPrimaryKeyColumn) + QStringLiteral(" INTEGER PRIMARY KEY")};
      for (const AttributeDescription& a : entity.attributes) columns << quoted(a.name) + QLatin1Char(' ') + sqlType(a.type);
      for (const RelationshipDescription& r : entity.relationships)
        if (!r.toMany) columns << quoted(relationshipColumn(r)) + QStringLiteral(" INTEGER");
      statements << QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(entity.name), columns.join(QStringLiteral(", ")));
    }
    const QUuid made = QUuid::createUuid();
    if (!db_.transaction()) return report(error, openFailed(path_, db_.lastError().text()));
    QString problem;
    bool ok = true;
    for (const QString& sql : std::as_const(statements)) {
      QSqlQuery q(db_);
      if (!q.exec(sql)) {
        problem = q.lastError().text();
        ok = false;
        break;
      }
    }
    const std::pair<QString, QVariant> metadata[] = {{kMetadataModel, model_.name()},
                                                     {kMetadataVersion, model_.version()},
                                                     {kMetadataUUID, made.toString(QUuid::WithoutBraces)}};
    for (const auto& [key, value] : metadata) {
      if (!ok) break;
      QSqlQuery q(db_);
      q.prepare(QStringLiteral("INSERT INTO %1 (key, value) VALUES (?, ?)").arg(quoted(kMetadataTable)));
      q.addBindValue(key);
      q.addBindValue(value);
      if (!q.exec()) {
        problem = q.lastError().text();
        ok = false;
      }
    }
    if (ok && !db_.commit()) {
      problem = db_.lastError().text();
      ok = false;
    }
    if (!ok) {
      db_.rollback();
      return report(error, StoreError::store(StoreError::OpenFailed,
                                             QStringLiteral("The new address book \u201c%1\u201d could not be made.").arg(path_),
                                             problem));
    }
    *uuid = made;
    return true;
  }

  bool readMetadata(QUuid* uuid, StoreError* error) {
    QString problem;
    QVariant modelName, version, text;
    if (!query(QStringLiteral("SELECT key, value, typeof(value) FROM %1").arg(quoted(kMetadataTable)), &problem,
               [&](QSqlQuery& q) {
                 const QString key = q.value(0).toString();
                 if (key == kMetadataModel && q.value(2).toString() == QLatin1String("text")) modelName = q.value(1);
                 if (key == kMetadataVersion && q.value(2).toString() == QLatin1String("integer")) version = q.value(1);
                 if (key == kMetadataUUID && q.value(2).toString() == QLatin1String("text")) text = q.value(1);
                 return true;
               }))
      return report(error, notAStore(path_, problem));
    const QUuid read = QUuid::fromString(text.toString());
    if (read.isNull() || modelName.isNull() || version.isNull())
      return report(error, notAStore(path_, QStringLiteral("Its identity is missing or damaged.")));
    if (modelName.toString() != model_.name() || version.toLongLong() != model_.version())
      return report(error, StoreError::store(StoreError::IncompatibleStore,
                                             QStringLiteral("The address book \u201c%1\u201d was made by another version of Zelvo.").arg(path_),
                                             QStringLiteral("It holds the model %1, version %2; this version reads %3, version %4.")
                                                 .arg(modelName.toString().left(64))
                                                 .arg(version.toLongLong())
                                                 .arg(model_.name())
                                                 .arg(model_.version())));
    *uuid = read;
    return true;
  }

  bool hasColumns(const EntityDescription& entity, QString* problem) {
    QStringList columns;
    if (!query(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(entity.name)), problem, [&](QSqlQuery& q) {
          columns << q.value(1).toString();
          return true;
        }))
      return false;
    QStringList wanted{kPrimaryKeyColumn};
    for (const AttributeDescription& a : entity.attributes) wanted << a.name;
    for (const RelationshipDescription& r : entity.relationships)
      if (!r.toMany) wanted << relationshipColumn(r);
    for (const QString& column : std::as_const(wanted)) {
      if (!columns.contains(column)) {
        *problem = QStringLiteral("The table %1 has no column %2.").arg(entity.name, column);
        return false;
      }
    }
    return true;
  }

  // Every value is taken with its storage type; a value of the wrong type, or text longer
  // than a field can be, reads as empty. Too many rows or too much text refuse the store.
  bool readRows(StoreContents* contents, StoreError* error) {
    QString problem;
    qint64 rowCount = 0;
    for (const EntityDescription& entity : model_.entities()) {
      if (!query(QStringLiteral("SELECT count(*) FROM %1").arg(quoted(entity.name)), &problem, [&](QSqlQuery& q) {
            rowCount += q.value(0).toLongLong();
            return true;
          }))
        return report(error, notAStore(path_, problem));
    }
    if (rowCount > PersistentStoreCoordinator::kMaximumRows) return report(error, tooLarge());

    qint64 textBytes = 0;
    for (const EntityDescription& entity : model_.entities()) {
      std::vector<const RelationshipDescription*> toOne;
      QStringList columns{quoted(kPrimaryKeyColumn)};
      for (const AttributeDescription& a : entity.attributes) {
        const QString c = quoted(a.name);
        columns << QStringLiteral("typeof(%1)").arg(c);
        columns << QStringLiteral("CASE WHEN typeof(%1) IN ('text', 'blob') AND length(CAST(%1 AS BLOB)) > %2 THEN NULL ELSE %1 END")
                       .arg(c)
                       .arg(PersistentStoreCoordinator::kMaximumTextBytes);
      }
      for (const RelationshipDescription& r : entity.relationships) {
        if (r.toMany) continue;
        toOne.push_back(&r);
        columns << QStringLiteral("typeof(%1), %1").arg(quoted(relationshipColumn(r)));
      }
      std::vector<StoredRow>& rows = contents->rows[entity.name];
      qint64 wrong = 0;
      qint64 skipped = 0;
      const bool ok = query(
          QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(columns.join(QStringLiteral(", ")), quoted(entity.name), quoted(kPrimaryKeyColumn)),
          &problem, [&](QSqlQuery& q) {
            StoredRow row;
            row.primaryKey = q.value(0).toLongLong();
            if (row.primaryKey < 1 || row.primaryKey > PersistentStoreCoordinator::kMaximumPrimaryKey) {
              ++skipped;
              return true;
            }
            int column = 1;
            for (const AttributeDescription& a : entity.attributes) {
              const QString type = q.value(column).toString();
              const QVariant raw = q.value(column + 1);
              column += 2;
              row.values.push_back(readValue(a.type, type, raw, &wrong, &textBytes));
            }
            row.toOne.assign(entity.relationships.size(), 0);
            for (const RelationshipDescription* r : toOne) {
              const QString type = q.value(column).toString();
              const QVariant raw = q.value(column + 1);
              column += 2;
              const qint64 key = raw.toLongLong();
              if (type == QLatin1String("integer") && key >= 1 && key <= PersistentStoreCoordinator::kMaximumPrimaryKey)
                row.toOne[size_t(r - entity.relationships.data())] = key;
              else if (type != QLatin1String("null"))
                ++wrong;
            }
            rows.push_back(std::move(row));
            return textBytes <= PersistentStoreCoordinator::kMaximumTotalTextBytes;
          });
      if (textBytes > PersistentStoreCoordinator::kMaximumTotalTextBytes) return report(error, tooLarge());
      if (!ok) return report(error, notAStore(path_, problem));
      if (wrong > 0) zelvoLog("Store: %lld values of %s are of the wrong type or too long; they read as empty", wrong, qPrintable(entity.name));
      if (skipped > 0) zelvoLog("Store: %lld rows of %s have keys out of range; they are left out", skipped, qPrintable(entity.name));
      qint64 largest = rows.empty() ? 0 : rows.back().primaryKey;
      contents->maximumPrimaryKey[entity.name] = largest;
    }

    if (!query(QStringLiteral("SELECT entity, maximum, typeof(maximum) FROM %1").arg(quoted(kPrimaryKeyTable)), &problem,
               [&](QSqlQuery& q) {
                 auto it = contents->maximumPrimaryKey.find(q.value(0).toString());
                 const qint64 maximum = q.value(1).toLongLong();
                 if (it == contents->maximumPrimaryKey.end() || q.value(2).toString() != QLatin1String("integer")) return true;
                 if (maximum > PersistentStoreCoordinator::kMaximumPrimaryKey) {
                   problem = QStringLiteral("The key counter of %1 is out of range.").arg(it->first);
                   return false;
                 }
                 it->second = std::max(it->second, maximum);
                 return true;
               }))
      return report(error, notAStore(path_, problem));
    return true;
  }

  static QVariant readValue(AttributeType type, const QString& storage, const QVariant& raw, qint64* wrong, qint64* textBytes) {
    if (storage == QLatin1String("null")) return {};
    switch (type) {
      case AttributeType::Integer64:
        if (storage == QLatin1String("integer")) return QVariant::fromValue<qint64>(raw.toLongLong());
        break;
      case AttributeType::Boolean:
        if (storage == QLatin1String("integer")) {
          const qint64 v = raw.toLongLong();
          if (v == 0 || v == 1) return QVariant(v == 1);
        }
        break;
      case AttributeType::String:
        if (storage == QLatin1String("text") && !raw.isNull()) {
          QString text = raw.toString();
          *textBytes += text.size() * 2;
          return text.isNull() ? QStringLiteral("") : text;
        }
        break;
    }
    ++*wrong;
    return {};
  }

  StoreError tooLarge() const {
    return StoreError::store(StoreError::StoreTooLarge,
                             QStringLiteral("The file \u201c%1\u201d holds more than an address book can.").arg(path_),
                             QStringLiteral("It was left as it is."));
  }

  const ManagedObjectModel& model_;
  QSqlDatabase db_;
  QString path_;
};

bool sameText(const QByteArray& a, const char* b, size_t n) { return size_t(a.size()) >= n && std::memcmp(a.constData(), b, n) == 0; }

constexpr qint64 kSQLiteHeaderSize = 100;

// Whether the file's main database names our model, read as an immutable file: SQLite
// neither reads nor writes a log beside it, nor makes one.
bool holdsOurModel(const QString& path, const QString& model, QString* problem) {
  static QAtomicInteger<quint64> probes;
  const QString name = QStringLiteral("zelvo-store-probe-%1").arg(probes.fetchAndAddRelaxed(1));
  bool ours = false;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    QUrl uri = QUrl::fromLocalFile(path);
    uri.setQuery(QStringLiteral("immutable=1"));
    db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
    if (db.open()) {
      QSqlQuery q(db);
      if (q.exec(QStringLiteral("SELECT value FROM %1 WHERE key = '%2'").arg(quoted(kMetadataTable), kMetadataModel)) &&
          q.next())
        ours = q.value(0).toString() == model;
      else if (q.lastError().isValid() && !q.lastError().text().contains(QLatin1String("no such table")))
        *problem = q.lastError().text();
      q.finish();
      db.close();
    } else {
      *problem = db.lastError().text();
    }
  }
  QSqlDatabase::removeDatabase(name);
  return ours;
}

}  // namespace

namespace {

// One instance at a time: two contexts on one file would overwrite each other's rows.
// The lock is never stale by age, only when its process is gone.
bool takeInstanceLock(std::unique_ptr<QLockFile>& lock, const QString& path, StoreError* error) {
  const QString folder = QFileInfo(path).absolutePath();
  lock = std::make_unique<QLockFile>(folder + QLatin1Char('/') + PersistentStoreCoordinator::kLockFileName);
  lock->setStaleLockTime(0);
  bool locked = lock->tryLock(0);
  if (!locked && lock->error() == QLockFile::LockFailedError) {
    // A process killed while it made the lock leaves it without an owner, and such a lock
    // is never stale by itself. Removing it succeeds only when no live process holds the
    // file's own lock, which its maker takes before writing who it is.
    qint64 pid = 0;
    QString host, application;
    if (!lock->getLockInfo(&pid, &host, &application) && lock->removeStaleLockFile()) {
      zelvoLog("Store: removed a lock without an owner beside %s", qPrintable(path));
      locked = lock->tryLock(0);
    }
  }
  if (locked) return true;
  if (lock->error() == QLockFile::LockFailedError) {
    qint64 pid = 0;
    QString host, application;
    lock->getLockInfo(&pid, &host, &application);
    const QString who = pid > 0 ? QStringLiteral("Another Zelvo (process %1)").arg(pid) : QStringLiteral("Another Zelvo");
    return report(error, StoreError::store(StoreError::AlreadyInUse, QStringLiteral("Zelvo is already running."),
                                           QStringLiteral("%1 is using the address book \u201c%2\u201d. "
                                                          "Only one can run at a time.")
                                               .arg(who, path)));
  }
  return report(error, StoreError::store(StoreError::LockFailed,
                                         QStringLiteral("The address book \u201c%1\u201d could not be locked for this instance.").arg(path),
                                         lock->error() == QLockFile::PermissionError
                                             ? QStringLiteral("The folder \u201c%1\u201d is not writable.").arg(folder)
                                             : QStringLiteral("The lock file could not be made.")));
}

}  // namespace

bool PersistentStoreCoordinator::addPersistentStore(const QString& path, StoreError* error) {
  ZELVO_PRECONDITION(!hasStore());
  auto d = std::make_unique<Private>();
  const QString folder = QFileInfo(path).absolutePath();

  // Nothing can be written where the folder is read-only or the disk full: the store is
  // then only read, and no lock is made there.
  std::optional<StoreError> notice = folderNotice(folder);
  if (!notice) {
    StoreError lockError;
    if (!takeInstanceLock(d->lock, path, &lockError)) {
      // A lock that cannot be made for want of room or permission leaves the store readable.
      if (!lockError.isAlreadyInUse()) notice = folderNotice(folder);
      if (!notice) return report(error, std::move(lockError));
      d->lock.reset();
    }
  }

  // The file holds passwords: it is made private before SQLite ever opens it.
  const QByteArray native = QFile::encodeName(path);
  struct stat st {};
  if (::stat(native.constData(), &st) != 0) {
    if (errno != ENOENT) return report(error, openFailed(path, posixError(errno)));
    if (notice)
      return report(error, StoreError::store(StoreError::FileCreationFailed,
                                             QStringLiteral("The address book \u201c%1\u201d could not be created.").arg(path),
                                             notice->description));
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
      return report(error, StoreError::store(StoreError::FileCreationFailed,
                                             QStringLiteral("The address book \u201c%1\u201d could not be created.").arg(path),
                                             posixError(errno)));
    ::close(fd);
    if (::stat(native.constData(), &st) != 0) return report(error, openFailed(path, posixError(errno)));
  }
  if (!S_ISREG(st.st_mode)) return report(error, notAStore(path, QStringLiteral("It is not a plain file.")));
  if (st.st_size > kMaximumFileSize)
    return report(error, StoreError::store(StoreError::StoreTooLarge,
                                           QStringLiteral("The file \u201c%1\u201d holds more than an address book can.").arg(path),
                                           QStringLiteral("It was left as it is.")));
  if (!notice) notice = fileNotice(path, st);
  if (notice && st.st_size == 0)
    return report(error, StoreError::store(StoreError::FileCreationFailed,
                                           QStringLiteral("The address book \u201c%1\u201d could not be created.").arg(path),
                                           notice->description));
  // A file that does not start as SQLite is refused before SQLite sees it. With a journal
  // beside it the first page may be half written by a save that was cut off: SQLite's own
  // recovery decides then.
  if (st.st_size > 0 && !QFileInfo::exists(path + QStringLiteral("-journal"))) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return report(error, openFailed(path, file.errorString()));
    const QByteArray header = file.read(kSQLiteHeaderSize);
    if (!sameText(header, "SQLite format 3\0", 16))
      return report(error, notAStore(path, QStringLiteral("It is not an SQLite database.")));
    // Every SQLite database begins with a header of 100 bytes: a file that ends inside
    // it was cut short.
    if (header.size() < kSQLiteHeaderSize)
      return report(error, notAStore(path, QStringLiteral("It is damaged: it ends after %1 bytes, inside the header "
                                                          "that every SQLite database begins with.")
                                               .arg(header.size())));
    // Bytes 18 and 19: 1 for a rollback journal, 2 for a write-ahead log; no other value.
    const bool rollback = header[18] == 1 && header[19] == 1;
    const bool writeAhead = header[18] == 2 && header[19] == 2;
    if (!rollback && !writeAhead)
      return report(error, notAStore(path, QStringLiteral("It is damaged: its header names no journal mode.")));
    // A write-ahead log (the sqlite3 shell can switch any file to one) is looked into
    // without SQLite touching the file or its log: closing a writable connection would
    // fold the log into a file that may not be ours.
    if (writeAhead) {
      QString problem;
      if (!holdsOurModel(path, model_->name(), &problem))
        return report(error, notAStore(path, problem.isEmpty() ? QStringLiteral("It is an SQLite database of another program.")
                                                               : problem));
    }
  }

  QString problem;
  d->connectionName = openConnection(path, notice.has_value(), &problem);
  if (d->connectionName.isEmpty()) return report(error, openFailed(path, problem));
  {
    auto contents = std::make_unique<StoreContents>();
    QUuid uuid;
    StoreOpener opener(*model_, d->database(), path);
    if (!opener.run(contents.get(), &uuid, error)) return false;
    d->contents = std::move(contents);
    uuid_ = uuid;
  }
  // Tighten a file that an older run left readable by others; never widen it.
  if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), st.st_mode & 0700) != 0)
    zelvoLog("Store: the mode of %s could not be made private: %s", native.constData(), std::strerror(errno));
  if (notice) zelvoLog("Store: %s is open read-only: %s", native.constData(), qPrintable(notice->description));
  ::stat(native.constData(), &d->opened);
  d->notice = std::move(notice);

  path_ = path;
  d_ = std::move(d);
  return true;
}

bool PersistentStoreCoordinator::reopenForWriting() {
  ZELVO_PRECONDITION(hasStore());
  if (!d_->notice || !d_->notice->isStoreError(StoreError::DiskFull)) return false;
  const QString folder = QFileInfo(path_).absolutePath();
  if (folderNotice(folder)) return false;
  std::unique_ptr<QLockFile> lock;
  StoreError lockError;
  if (!takeInstanceLock(lock, path_, &lockError)) return false;
  // Read without the lock: another instance may have written the file since.
  struct stat now {};
  if (::stat(QFile::encodeName(path_).constData(), &now) != 0 || !sameFile(now, d_->opened)) {
    zelvoLog("Store: %s changed while it was read-only; it stays read-only", qPrintable(path_));
    return false;
  }
  QString problem;
  const QString connection = openConnection(path_, false, &problem);
  if (connection.isEmpty()) return false;
  d_->closeConnection();
  d_->connectionName = connection;
  d_->lock = std::move(lock);
  d_->notice.reset();
  zelvoLog("Store: %s is writable again", qPrintable(path_));
  return true;
}

std::optional<ManagedObjectID> PersistentStoreCoordinator::managedObjectIDForURIRepresentation(const QUrl& uri) const {
  if (!hasStore() || !uri.isValid() || uri.scheme() != kURIScheme || !uri.userInfo().isEmpty() || uri.port() != -1 ||
      uri.hasQuery() || uri.hasFragment())
    return std::nullopt;
  if (QUuid::fromString(uri.host()) != uuid_) return std::nullopt;
  const QStringList parts = uri.path(QUrl::FullyEncoded).split(QLatin1Char('/'));
  if (parts.size() != 3 || !parts[0].isEmpty()) return std::nullopt;
  if (!model_->entity(parts[1])) return std::nullopt;
  const QString& key = parts[2];
  // "p" and a decimal number without sign or leading zero: one text per identity.
  if (key.size() < 2 || key.size() > 20 || key[0] != QLatin1Char('p') || key[1] == QLatin1Char('0')) return std::nullopt;
  for (qsizetype i = 1; i < key.size(); ++i)
    if (key[i] < QLatin1Char('0') || key[i] > QLatin1Char('9')) return std::nullopt;
  bool ok = false;
  const qint64 number = key.mid(1).toLongLong(&ok);
  if (!ok || number < 1 || number > kMaximumPrimaryKey) return std::nullopt;
  ManagedObjectID id{parts[1], number};
  // One identity, one URI: anything but the canonical spelling names nothing.
  if (uriRepresentation(id) != uri) return std::nullopt;
  return id;
}

QUrl PersistentStoreCoordinator::uriRepresentation(const ManagedObjectID& id) const {
  ZELVO_PRECONDITION(hasStore());
  QUrl uri;
  uri.setScheme(kURIScheme);
  uri.setHost(uuid_.toString(QUuid::WithoutBraces));
  uri.setPath(QStringLiteral("/%1/p%2").arg(id.entityName).arg(id.primaryKey));
  return uri;
}

bool PersistentStoreCoordinator::executeSave(const StoreSaveRequest& request, StoreError* error) {
  ZELVO_PRECONDITION(hasStore());
  if (d_->notice && !reopenForWriting())
    return report(error, StoreError::store(StoreError::SaveFailed, QStringLiteral("The address book could not be saved."),
                                           d_->notice->description + QLatin1Char(' ') + d_->notice->failureReason));
  QSqlDatabase db = d_->database();
  QString problem;
  auto fail = [&](const QString& why) {
    problem = why;
    return false;
  };
  auto bindRow = [](QSqlQuery& q, const StoredRow& row, const EntityDescription& entity) {
    for (size_t i = 0; i < entity.attributes.size(); ++i) {
      const QVariant& v = row.values[i];
      if (v.isNull())
        q.addBindValue(QVariant(entity.attributes[i].type == AttributeType::String ? QMetaType::fromType<QString>()
                                                                                   : QMetaType::fromType<qint64>()));
      else if (entity.attributes[i].type == AttributeType::Boolean)
        q.addBindValue(QVariant::fromValue<qint64>(v.toBool() ? 1 : 0));
      else
        q.addBindValue(v);
    }
    for (size_t i = 0; i < entity.relationships.size(); ++i) {
      if (entity.relationships[i].toMany) continue;
      q.addBindValue(row.toOne[i] > 0 ? QVariant::fromValue<qint64>(row.toOne[i]) : QVariant(QMetaType::fromType<qint64>()));
    }
  };
  auto columnsOf = [](const EntityDescription& entity) {
    QStringList columns;
    for (const AttributeDescription& a : entity.attributes) columns << quoted(a.name);
    for (const RelationshipDescription& r : entity.relationships)
      if (!r.toMany) columns << quoted(relationshipColumn(r));
    return columns;
  };

  auto write = [&]() {
    for (const auto& w : request.inserts) {
      QStringList columns = columnsOf(*w.entity);
      columns.prepend(quoted(kPrimaryKeyColumn));
      QStringList marks;
      for (qsizetype i = 0; i < columns.size(); ++i) marks << QStringLiteral("?");
      QSqlQuery q(db);
      if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                         .arg(quoted(w.entity->name), columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))))
        return fail(q.lastError().text());
      q.addBindValue(QVariant::fromValue<qint64>(w.row.primaryKey));
      bindRow(q, w.row, *w.entity);
      if (!q.exec()) return fail(q.lastError().text());
    }
    for (const auto& w : request.updates) {
      QStringList assignments;
      for (const QString& column : columnsOf(*w.entity)) assignments << column + QStringLiteral(" = ?");
      QSqlQuery q(db);
      if (!q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                         .arg(quoted(w.entity->name), assignments.join(QStringLiteral(", ")), quoted(kPrimaryKeyColumn))))
        return fail(q.lastError().text());
      bindRow(q, w.row, *w.entity);
      q.addBindValue(QVariant::fromValue<qint64>(w.row.primaryKey));
      if (!q.exec()) return fail(q.lastError().text());
    }
    for (const auto& [entity, key] : request.deletes) {
      QSqlQuery q(db);
      if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(quoted(entity->name), quoted(kPrimaryKeyColumn))))
        return fail(q.lastError().text());
      q.addBindValue(QVariant::fromValue<qint64>(key));
      if (!q.exec()) return fail(q.lastError().text());
    }
    // Keys are never given twice, also not those of rows deleted since.
    for (const auto& [entity, maximum] : request.maximumPrimaryKey) {
      QSqlQuery q(db);
      if (!q.prepare(QStringLiteral("INSERT OR REPLACE INTO %1 (entity, maximum) VALUES (?, ?)").arg(quoted(kPrimaryKeyTable))))
        return fail(q.lastError().text());
      q.addBindValue(entity);
      q.addBindValue(QVariant::fromValue<qint64>(maximum));
      if (!q.exec()) return fail(q.lastError().text());
    }
    return true;
  };

  if (!db.transaction()) problem = db.lastError().text();
  else if (write() && db.commit())
    return true;
  else {
    if (problem.isEmpty()) problem = db.lastError().text();
    db.rollback();
  }
  return report(error, StoreError::store(StoreError::SaveFailed, QStringLiteral("The address book could not be saved."),
                                         problem.isEmpty() ? QStringLiteral("SQLite gave no reason.") : problem));
}

}  // namespace zelvo
