#include "Foundation/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "Foundation/Assert.h"
#include "Foundation/QueuedHandOff.h"

namespace zelvo {

namespace {

std::atomic<bool> closed{false};
// Every waiting hop waits on this one condition, so closing can wake them all.
// Never destroyed: a thread may still wait on it while the process exits.
std::mutex& hopMutex = *new std::mutex;
std::condition_variable& hopCondition = *new std::condition_variable;
// Makes a hop's look at the closed flag and its post to the application object one
// step against closing. The application closes the hops while it is destroyed, so a
// hop that found them open posts to an object that is still there; one that comes
// later sees them closed and is dropped.
std::mutex& gateMutex = *new std::mutex;
// Whether a hop has ever found an application object: one missing after that has
// gone away (a teardown that did not close the hops), one never seen is a misuse.
std::atomic<bool> applicationSeen{false};
std::atomic<void (*)(HopProbeStage)> probe{nullptr};
// The application's thread, once installMainThreadHops has named it.
std::atomic<std::thread::id> mainThreadId{};

struct Hop {
  std::function<void()> fn;
  bool running = false;
  bool ran = false;
  bool done = false;
};

void probeAt(HopProbeStage stage) {
  if (auto* p = probe.load()) p(stage);
}

// Queues task on the main thread unless the hops are closed or the application
// object has gone; false when it was dropped.
template <class F>
bool postToMain(F task) {
  std::lock_guard gate(gateMutex);
  if (closed.load()) return false;
  probeAt(HopProbeStage::Checked);
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) {
    ZELVO_ASSERT(applicationSeen.load(), "main-thread hop without an application object");
    return false;
  }
  applicationSeen.store(true);
  invokeOnThreadOf(app, std::move(task));
  return true;
}

}  // namespace

bool isMainThread() {
  // Known without the application object, which a thread that asks may outlive.
  const std::thread::id main = mainThreadId.load();
  if (main != std::thread::id()) return std::this_thread::get_id() == main;
  std::lock_guard gate(gateMutex);
  if (closed.load()) return false;
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void runOnMain(std::function<void()> fn) {
  postToMain([fn = std::move(fn)] {
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
  const bool queued = postToMain([hop, cancellation] {
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
  if (!queued) return false;
  probeAt(HopProbeStage::Queued);
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
    // A hop that has found the hops open finishes its post first.
    std::unique_lock gate(gateMutex, std::try_to_lock);
    if (!gate.owns_lock()) {
      probeAt(HopProbeStage::CloseWaits);
      gate.lock();
    }
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
  ZELVO_PRECONDITION(QThread::currentThread() == app->thread());
  applicationSeen.store(true);
  mainThreadId.store(std::this_thread::get_id());
  QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { closeMainThreadHops(); });
  // Without a running event loop (tests, early exits) the application object can
  // go away without aboutToQuit. Its post routines run while it is still there:
  // from then on no hop posts to it and none waits for it.
  qAddPostRoutine(closeMainThreadHops);
}

void setHopProbeForTesting(void (*p)(HopProbeStage)) { probe.store(p); }

}  // namespace zelvo
