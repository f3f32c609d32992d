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
  bool running = false;
  bool ran = false;
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

bool runOnMainAndWait(const std::function<void()>& fn) { return runOnMainAndWait(fn, nullptr); }

bool runOnMainAndWait(const std::function<void()>& fn, const std::shared_ptr<HopCancellation>& cancellation) {
  auto givenUp = [&] { return closed.load() || (cancellation && cancellation->isCancelled()); };
  if (givenUp()) return false;
  if (isMainThread()) {
    fn();
    return true;
  }
  auto hop = std::make_shared<Hop>();
  hop->fn = fn;
  invokeOnThreadOf(mainObject(), [hop, cancellation] {
    {
      std::lock_guard lock(hopMutex);
      hop->running = !closed.load() && !(cancellation && cancellation->isCancelled());
    }
    if (hop->running) hop->fn();
    {
      std::lock_guard lock(hopMutex);
      hop->ran = hop->running;
      hop->running = false;
      hop->done = true;
    }
    hopCondition.notify_all();
  });
  std::unique_lock lock(hopMutex);
  // A hop given up is left only once its fn is not running: fn may use the
  // waiter's own variables.
  hopCondition.wait(lock, [&] { return hop->done || (givenUp() && !hop->running); });
  return hop->ran;
}

void HopCancellation::cancel() {
  {
    std::lock_guard lock(hopMutex);
    cancelled_.store(true);
  }
  hopCondition.notify_all();
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
