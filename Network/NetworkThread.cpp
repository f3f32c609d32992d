#include "Network/NetworkThread.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <mutex>
#include <vector>

#include "Foundation/Assert.h"
#include "Foundation/MainThread.h"
#include "Foundation/QueuedHandOff.h"

namespace zelvo {

namespace {

std::shared_ptr<NetworkThread>* sharedInstance = nullptr;

// Threads whose last owner let go of them on the thread itself: they end their loop
// on their own, and whoever takes one out of this list joins and deletes it (only the
// pointer is compared before that). Never destroyed: a thread may end while the
// process exits.
std::mutex& orphansMutex = *new std::mutex;
std::vector<QThread*>& orphans = *new std::vector<QThread*>;
// The application object whose teardown joins the threads (null: none yet, or gone).
QCoreApplication* joinedAtTeardownOf = nullptr;

void joinAndDelete(QThread* thread) {
  thread->quit();
  thread->wait();
  delete thread;
}

void reapOrphan(QThread* thread) {
  {
    std::lock_guard lock(orphansMutex);
    auto it = std::find(orphans.begin(), orphans.end(), thread);
    if (it == orphans.end()) return;  // the application's teardown took it
    orphans.erase(it);
  }
  joinAndDelete(thread);
}

void applicationGone() {
  // Runs while the application object is destroyed. A client may be waiting on a
  // main-thread hop that will never be served: close the hops first so that it
  // lets go, then join every network thread: none may outlive the application.
  closeMainThreadHops();
  if (sharedInstance) (*sharedInstance)->shutdown();
  std::vector<QThread*> ending;
  {
    std::lock_guard lock(orphansMutex);
    ending.swap(orphans);
    joinedAtTeardownOf = nullptr;
  }
  for (QThread* thread : ending) joinAndDelete(thread);
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

NetworkThread::NetworkThread() : thread_(std::make_unique<QThread>()), worker_(std::make_unique<QObject>()) {
  joinThreadsWhenTheApplicationGoes();
  thread_->setObjectName("NetworkThread");
  worker_->moveToThread(thread_.get());
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
      orphans.push_back(thread);
    }
    // The finished thread is reaped on the main thread (the QThread object may have
    // gone with the application's teardown by then: the list tells).
    if (QCoreApplication* app = QCoreApplication::instance())
      QObject::connect(thread, &QThread::finished, app, [thread] { reapOrphan(thread); }, Qt::QueuedConnection);
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
  thread_->quit();
  thread_->wait();
}

}  // namespace zelvo
