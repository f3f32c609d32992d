#include "Network/NetworkThread.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "Foundation/Assert.h"
#include "Foundation/MainThread.h"
#include "Foundation/QueuedHandOff.h"

namespace zelvo {

namespace {

std::shared_ptr<NetworkThread>* sharedInstance = nullptr;

// Every thread of its own not yet joined and deleted, so that the application's
// teardown can join them all: none may outlive the application object. Each is
// known by an id that no other thread ever has. An orphan is one whose last owner
// let go of it on the thread itself: it ends its loop on its own, and whoever takes
// it out of this list joins and deletes it. While the teardown joins a thread, its
// owner waits before it deletes it. Never destroyed: a thread may end while the
// process exits.
struct Entry {
  uint64_t id;
  QThread* thread;
  bool orphan = false;
  bool joining = false;  // the teardown is joining it
};
std::mutex& threadsMutex = *new std::mutex;
std::condition_variable& joinedAtTeardown = *new std::condition_variable;
std::vector<Entry>& threads = *new std::vector<Entry>;
std::atomic<uint64_t> nextId{1};
// The application object whose teardown joins the threads (null: none yet, or gone).
QCoreApplication* joinedAtTeardownOf = nullptr;

std::vector<Entry>::iterator find(uint64_t id) {
  return std::find_if(threads.begin(), threads.end(), [id](const Entry& e) { return e.id == id; });
}

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
    std::lock_guard lock(threadsMutex);
    auto it = find(id);
    // Not an orphan (its owner joins it), or the teardown has it.
    if (it == threads.end() || !it->orphan || it->joining) return;
    thread = it->thread;
    threads.erase(it);
  }
  join(thread);
  delete thread;
}

void applicationGone() {
  // Runs while the application object is destroyed. A client may be waiting on a
  // main-thread hop that will never be served: close the hops first so that it
  // lets go, then join every network thread, one at a time (a thread's last task
  // may still let go of another one, or of itself).
  closeMainThreadHops();
  std::vector<uint64_t> ids;
  {
    std::lock_guard lock(threadsMutex);
    joinedAtTeardownOf = nullptr;
    for (const Entry& entry : threads) ids.push_back(entry.id);
  }
  for (uint64_t id : ids) {
    QThread* thread = nullptr;
    {
      std::lock_guard lock(threadsMutex);
      auto it = find(id);
      if (it == threads.end()) continue;  // its owner joined it meanwhile
      it->joining = true;
      thread = it->thread;
    }
    join(thread);
    QThread* orphan = nullptr;
    {
      std::lock_guard lock(threadsMutex);
      auto it = find(id);
      it->joining = false;
      if (it->orphan) {
        orphan = it->thread;
        threads.erase(it);
      }
    }
    joinedAtTeardown.notify_all();
    delete orphan;
  }
}

void joinThreadsWhenTheApplicationGoes() {
  std::lock_guard lock(threadsMutex);
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
  {
    std::lock_guard lock(threadsMutex);
    threads.push_back({id_, thread});
  }
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
      std::lock_guard lock(threadsMutex);
      find(id_)->orphan = true;
    }
    thread->quit();
    return;
  }
  {
    // Once the teardown is done with it, the thread is the owner's alone.
    std::unique_lock lock(threadsMutex);
    joinedAtTeardown.wait(lock, [this] { return !find(id_)->joining; });
    threads.erase(find(id_));
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
