#include "Network/NetworkThread.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "Foundation/Assert.h"
#include "Foundation/MainThread.h"
#include "Foundation/QueuedHandOff.h"

namespace zelvo {

namespace {

std::shared_ptr<NetworkThread>* sharedInstance = nullptr;

// Threads whose last owner let go of them on the thread itself: they end their loop
// on their own, and whoever takes one out of this list joins and deletes it. Known
// by an id of their own, which no other thread ever has. Never destroyed: a thread
// may end while the process exits.
struct Orphan {
  uint64_t id;
  QThread* thread;
};
std::mutex& orphansMutex = *new std::mutex;
std::vector<Orphan>& orphans = *new std::vector<Orphan>;
std::atomic<uint64_t> nextId{1};
// The application object whose teardown joins the threads (null: none yet, or gone).
QCoreApplication* joinedAtTeardownOf = nullptr;

// Qt's join orders everything the thread did before whatever its joiner does after
// it, by locks a ThreadSanitizer build cannot see: the thread marks its end, the
// joiner takes it over (see Foundation/QueuedHandOff.h).
const void* endOf(const QThread* thread) { return reinterpret_cast<const char*>(thread) + 1; }

void join(QThread* thread) {
  thread->quit();
  thread->wait();
  markTakeOver(endOf(thread));
}

void reapOrphan(uint64_t id) {
  QThread* thread = nullptr;
  {
    std::lock_guard lock(orphansMutex);
    auto it = std::find_if(orphans.begin(), orphans.end(), [id](const Orphan& o) { return o.id == id; });
    if (it == orphans.end()) return;  // joined by its owner, or by the application's teardown
    thread = it->thread;
    orphans.erase(it);
  }
  join(thread);
  delete thread;
}

void applicationGone() {
  // Runs while the application object is destroyed. A client may be waiting on a
  // main-thread hop that will never be served: close the hops first so that it
  // lets go, then join every network thread: none may outlive the application.
  closeMainThreadHops();
  if (sharedInstance) (*sharedInstance)->shutdown();
  std::vector<Orphan> ending;
  {
    std::lock_guard lock(orphansMutex);
    ending.swap(orphans);
    joinedAtTeardownOf = nullptr;
  }
  for (const Orphan& orphan : ending) {
    join(orphan.thread);
    delete orphan.thread;
  }
}

void joinThreadsWhenTheApplicationGoes() {
  std::lock_guard lock(orphansMutex);
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || app == joinedAtTeardownOf) return;
  joinedAtTeardownOf = app;
  qAddPostRoutine(applicationGone);
}

}  // namespace

std::shared_ptr<NetworkThread> NetworkThread::sharedThread() {
  static std::once_flag once;
  std::call_once(once, [] { sharedInstance = new std::shared_ptr<NetworkThread>(std::make_shared<NetworkThread>()); });
  return *sharedInstance;
}

NetworkThread::NetworkThread()
    : thread_(std::make_unique<QThread>()), worker_(std::make_unique<QObject>()), id_(nextId++) {
  joinThreadsWhenTheApplicationGoes();
  thread_->setObjectName("NetworkThread");
  worker_->moveToThread(thread_.get());
  QThread* thread = thread_.get();
  // The last thing the thread does (a direct call, on the thread).
  QObject::connect(thread, &QThread::finished, [thread] { markHandOff(endOf(thread)); });
  // Once it has ended, on the main thread: a thread its last owner let go of there
  // is joined and deleted. Made here, not on the thread, so that the call carries
  // nothing the thread wrote.
  if (QCoreApplication* app = QCoreApplication::instance())
    QObject::connect(thread, &QThread::finished, app, [id = id_] { reapOrphan(id); }, Qt::QueuedConnection);
  thread_->start();
}

NetworkThread::NetworkThread(CurrentThreadTag) : worker_(std::make_unique<QObject>()) {}

std::shared_ptr<NetworkThread> NetworkThread::createOnCurrentThread() {
  return std::shared_ptr<NetworkThread>(new NetworkThread(CurrentThreadTag{}));
}

NetworkThread::~NetworkThread() {
  if (!thread_) return;
  if (QThread::currentThread() == thread_.get()) {
    // The last client let go of its thread from one of the thread's own tasks: the
    // thread cannot join itself. It ends its loop once this task returns (the worker
    // is deleted as it finishes); it is joined and deleted on the main thread once it
    // has ended, or by the application's teardown, whichever comes first.
    joinThreadsWhenTheApplicationGoes();
    QThread* thread = thread_.release();
    worker_.release()->deleteLater();
    {
      std::lock_guard lock(orphansMutex);
      orphans.push_back({id_, thread});
    }
    thread->quit();
    return;
  }
  shutdown();
  // The worker was moved to the thread; it is destroyed here, after the thread ended.
}

void NetworkThread::post(std::function<void()> task) {
  invokeOnThreadOf(worker_.get(), std::move(task));
}

bool NetworkThread::isCurrent() const { return QThread::currentThread() == worker_->thread(); }

void NetworkThread::stopThread() {
  if (thread_) thread_->quit();
}

void NetworkThread::shutdown() {
  if (!thread_) return;
  ZELVO_PRECONDITION(QThread::currentThread() != thread_.get());
  join(thread_.get());
}

}  // namespace zelvo
