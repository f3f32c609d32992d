#include "Network/NetworkThread.h"

#include <QCoreApplication>
#include <QThread>
#include <mutex>

#include "Foundation/Assert.h"
#include "Foundation/MainThread.h"
#include "Foundation/QueuedHandOff.h"

namespace zelvo {

namespace {

std::shared_ptr<NetworkThread>* sharedInstance = nullptr;

void applicationGone() {
  // Runs while the application object is destroyed. A client may be waiting on a
  // main-thread hop that will never be served: close the hops first so that it
  // lets go, then join the shared thread.
  closeMainThreadHops();
  if (sharedInstance) (*sharedInstance)->shutdown();
}

void closeHopsWhenTheApplicationGoes() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (QCoreApplication::instance()) qAddPostRoutine(applicationGone);
  });
}

}  // namespace

std::shared_ptr<NetworkThread> NetworkThread::sharedThread() {
  static std::once_flag once;
  std::call_once(once, [] { sharedInstance = new std::shared_ptr<NetworkThread>(std::make_shared<NetworkThread>()); });
  return *sharedInstance;
}

NetworkThread::NetworkThread() : thread_(std::make_unique<QThread>()), worker_(std::make_unique<QObject>()) {
  closeHopsWhenTheApplicationGoes();
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
    // thread cannot join itself, so it ends its loop and is deleted once finished.
    QThread* thread = thread_.release();
    worker_.release()->deleteLater();
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
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
