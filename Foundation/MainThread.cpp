#include "Foundation/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "Foundation/Assert.h"
#include "Foundation/QueuedHandOff.h"

namespace zelvo {

namespace {

std::atomic<bool> closed{false};
// Every waiting hop waits on this one condition, so closing can wake them all.
// Never destroyed: a thread may still wait on it while the process exits.
std::mutex& hopMutex = *new std::mutex;
std::condition_variable& hopCondition = *new std::condition_variable;

struct Hop {
  std::function<void()> fn;
  bool done = false;
};

QObject* mainObject() {
  QCoreApplication* app = QCoreApplication::instance();
  ZELVO_ASSERT(app != nullptr, "main-thread hop without an application object");
  return app;
}

}  // namespace

bool isMainThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void runOnMain(std::function<void()> fn) {
  if (closed.load()) return;
  invokeOnThreadOf(mainObject(), [fn = std::move(fn)] {
    if (!closed.load()) fn();
  });
}

bool runOnMainAndWait(const std::function<void()>& fn) {
  if (closed.load()) return false;
  if (isMainThread()) {
    fn();
    return true;
  }
  auto hop = std::make_shared<Hop>();
  hop->fn = fn;
  invokeOnThreadOf(mainObject(), [hop] {
    if (!closed.load()) hop->fn();
    {
      std::lock_guard lock(hopMutex);
      hop->done = true;
    }
    hopCondition.notify_all();
  });
  std::unique_lock lock(hopMutex);
  hopCondition.wait(lock, [&] { return hop->done || closed.load(); });
  return hop->done;
}

void closeMainThreadHops() {
  {
    std::lock_guard lock(hopMutex);
    closed.store(true);
  }
  hopCondition.notify_all();
}

bool mainThreadHopsClosed() { return closed.load(); }

void reopenMainThreadHopsForTesting() { closed.store(false); }

void installMainThreadHops() {
  QCoreApplication* app = QCoreApplication::instance();
  ZELVO_PRECONDITION(app != nullptr);
  QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { closeMainThreadHops(); });
  // Without a running event loop (tests, early exits) the application object can
  // go away without aboutToQuit: no hop may wait for it after that.
  QObject::connect(app, &QObject::destroyed, [] { closeMainThreadHops(); });
}

}  // namespace zelvo
