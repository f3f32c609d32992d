// zelvo-store-crash-child FOLDER WORKLOAD
// Saves through the real store, over and over, until it is killed; after each save that
// succeeded it writes one line to standard output ("saved ..."), so that whoever kills it
// knows what must be in the file. "ready" follows the opening of the store.
//
// Workloads: schema (makes new stores FOLDER/0, FOLDER/1, ...), site (a site with 16
// cameras per save), favorite (a favourite of 4 planes with its hidden sites, one save),
// rename (one site renamed "name-N", N counting up), softdelete (a site added in one save
// and soft-deleted in the next), hold (opens the store and waits).

#include <QCoreApplication>
#include <QString>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "ViewControllers/Store/Favorite.h"
#include "ViewControllers/Store/FavoriteCamera.h"
#include "ViewControllers/Store/PersistentStack.h"
#include "ViewControllers/Store/Site.h"
#include "ViewControllers/Store/SiteCamera.h"

using namespace zelvo;

namespace {

// One write per line, unbuffered: a line that was written is in the pipe before the kill.
void say(const QString& line) {
  const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
    if (n <= 0) std::_Exit(3);
    done += n;
  }
}

[[noreturn]] void fail(const QString& why) {
  std::fprintf(stderr, "%s\n", qPrintable(why));
  std::_Exit(2);
}

std::unique_ptr<PersistentStack> openStack(const QString& folder, std::shared_ptr<ManagedObjectContext>* context) {
  auto stack = std::make_unique<PersistentStack>(
      [](const StoreError& e) { std::fprintf(stderr, "%s: %s\n", qPrintable(e.description), qPrintable(e.failureReason)); },
      folder);
  *context = stack->managedObjectContext();
  if (!*context) fail(QStringLiteral("the store did not open"));
  return stack;
}

void save(ManagedObjectContext& context) {
  StoreError error;
  if (!context.save(&error)) fail(QStringLiteral("save failed: ") + error.failureReason);
}

std::shared_ptr<Site> addSite(ManagedObjectContext& context, const QString& name, int cameras, const char* title) {
  auto site = context.insertNewObject<Site>();
  site->setName(name);
  site->setAddress(QStringLiteral("192.168.1.%1").arg(cameras));
  site->setPort(9000);
  site->setUser(QStringLiteral("admin"));
  site->setPassword(QStringLiteral("secret"));
  site->setAutoLogin(true);
  site->setIndex(0);
  site->setCameraCount(cameras);
  site->setDvrInfo(QString());
  site->setDeleted(false);
  for (int i = 1; i <= cameras; ++i) {
    auto camera = context.insertNewObject<SiteCamera>();
    camera->setTitle(QString::fromLatin1(title).arg(i));
    camera->setCameraIndex(i);
    camera->setSite(site);
  }
  return site;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // Named as the application names itself, whose program file is called otherwise.
  QCoreApplication::setApplicationName(QStringLiteral("Zelvo"));
  if (argc != 3) fail(QStringLiteral("usage: zelvo-store-crash-child FOLDER WORKLOAD"));
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const std::string workload = argv[2];

  if (workload == "schema") {
    say(QStringLiteral("ready"));
    for (int n = 0;; ++n) {
      std::shared_ptr<ManagedObjectContext> context;
      auto stack = openStack(folder + QStringLiteral("/%1").arg(n), &context);
      say(QStringLiteral("saved schema %1").arg(n));
    }
  }

  std::shared_ptr<ManagedObjectContext> context;
  auto stack = openStack(folder, &context);

  if (workload == "hold") {
    say(QStringLiteral("ready"));
    for (;;) QThread::sleep(60);
  }
  if (workload == "site") {
    say(QStringLiteral("ready"));
    for (qint64 n = qint64(context->fetch<Site>()->size());; ++n) {
      auto site = addSite(*context, QStringLiteral("site-%1").arg(n), 16, "CAM%1");
      save(*context);
      say(QStringLiteral("saved site ") + site->objectURI().toString());
    }
  }
  if (workload == "favorite") {
    say(QStringLiteral("ready"));
    for (qint64 n = qint64(context->fetch<Favorite>()->size());; ++n) {
      auto favorite = context->insertNewObject<Favorite>();
      favorite->setName(QStringLiteral("fav-%1").arg(n));
      for (int plane = 0; plane < 4; ++plane) {
        auto hidden = addSite(*context, QStringLiteral("auto-%1-%2").arg(n).arg(plane), 4, "Cam%1");
        hidden->setAutoDetect(true);
        hidden->setDeleted(true);
        auto camera = context->insertNewObject<FavoriteCamera>();
        camera->setPlaneNumber(plane);
        camera->setCameraNumber(plane + 1);
        camera->setSiteID(hidden->objectURI().toString());
        camera->setFavorite(favorite);
      }
      save(*context);
      say(QStringLiteral("saved favorite ") + favorite->objectURI().toString());
    }
  }
  if (workload == "rename") {
    auto sites = *context->fetch<Site>();
    std::shared_ptr<Site> site;
    qint64 n = 0;
    if (sites.empty()) {
      site = addSite(*context, QStringLiteral("name-0"), 16, "CAM%1");
      save(*context);
      say(QStringLiteral("saved rename 0"));
    } else {
      site = sites.front();
      n = site->name().value_or(QString()).mid(5).toLongLong();
    }
    say(QStringLiteral("ready"));
    for (++n;; ++n) {
      site->setName(QStringLiteral("name-%1").arg(n));
      save(*context);
      say(QStringLiteral("saved rename %1").arg(n));
    }
  }
  if (workload == "softdelete") {
    // A site a kill left alive is removed first, so that at most one is alive at a time.
    const auto alive = *context->fetch<Site>(QStringLiteral("deleted"), false);
    for (const auto& site : alive) {
      site->setDeleted(true);
      save(*context);
      say(QStringLiteral("saved delete ") + site->objectURI().toString());
    }
    say(QStringLiteral("ready"));
    for (qint64 n = qint64(context->fetch<Site>()->size());; ++n) {
      auto site = addSite(*context, QStringLiteral("sd-%1").arg(n), 16, "CAM%1");
      save(*context);
      say(QStringLiteral("saved insert ") + site->objectURI().toString());
      site->setDeleted(true);
      save(*context);
      say(QStringLiteral("saved delete ") + site->objectURI().toString());
    }
  }
  fail(QStringLiteral("unknown workload ") + QString::fromStdString(workload));
}
