#pragma once
// Store tests work on real SQLite files in a temporary data folder: a stack as the
// application builds it, the errors it presented, and plain SQL beside it for what the
// store itself would never write.

#include <gtest/gtest.h>

#include <QAtomicInteger>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>
#include <ostream>
#include <vector>

#include "ViewControllers/Store/PersistentStack.h"

namespace zelvo {

inline std::ostream& operator<<(std::ostream& os, const StoreError& e) {
  return os << e.domain.toStdString() << " " << e.code << ": " << e.description.toStdString() << " ("
            << e.failureReason.toStdString() << ")";
}

}  // namespace zelvo

namespace zelvo::test {

// Plain SQL on a file, on its own connection, closed when it goes.
class RawDatabase {
 public:
  explicit RawDatabase(const QString& path) {
    static QAtomicInteger<int> count;
    name_ = QStringLiteral("raw-%1").arg(count.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    ok_ = db.open();
  }
  ~RawDatabase() {
    {
      QSqlDatabase db = QSqlDatabase::database(name_, false);
      db.close();
    }
    QSqlDatabase::removeDatabase(name_);
  }
  bool isOpen() const { return ok_; }

  // Runs one statement; the error text, or empty.
  QString exec(const QString& sql) {
    QSqlQuery q(QSqlDatabase::database(name_, false));
    if (!q.exec(sql)) return q.lastError().text().isEmpty() ? QStringLiteral("failed") : q.lastError().text();
    return {};
  }
  // The first column of every row.
  QStringList column(const QString& sql) {
    QSqlQuery q(QSqlDatabase::database(name_, false));
    QStringList out;
    if (!q.exec(sql)) return {QStringLiteral("error: ") + q.lastError().text()};
    while (q.next()) out << q.value(0).toString();
    return out;
  }
  QVariant scalar(const QString& sql) {
    QSqlQuery q(QSqlDatabase::database(name_, false));
    if (!q.exec(sql) || !q.next()) return {};
    return q.value(0);
  }

 private:
  QString name_;
  bool ok_ = false;
};

inline QByteArray fileDigest(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A data home of its own for each test: <tmp>/Zelvo is the application's folder.
class StoreFixture : public ::testing::Test {
 protected:
  QString folder() const { return home_.path() + QStringLiteral("/Zelvo"); }
  QString storePath() const { return folder() + QStringLiteral("/Zelvo.storedata"); }

  // A new stack on the folder, as one start of the application.
  std::unique_ptr<PersistentStack> makeStack(PersistentStack::ModelLoader loader = {}) {
    return std::make_unique<PersistentStack>([this](const StoreError& e) { presented_.push_back(e); }, folder(),
                                             std::move(loader));
  }
  // One start: the context, or a failure with what was presented.
  std::shared_ptr<ManagedObjectContext> open() {
    stack_ = makeStack();
    return stack_->managedObjectContext();
  }
  // Ends the current start, so the next open reads the file again.
  void close() { stack_.reset(); }

  QTemporaryDir home_;
  std::unique_ptr<PersistentStack> stack_;
  std::vector<StoreError> presented_;
};

}  // namespace zelvo::test
