#pragma once
// Hops to the main thread (the thread of the QCoreApplication). At quit the hops
// are closed: a waiting hop returns at once and later hops are dropped, so no
// thread waits for ever on a main thread that no longer serves events.

#include <atomic>
#include <functional>
#include <memory>

namespace zelvo {

bool isMainThread();

// Queues fn on the main thread's event loop. Dropped once hops are closed.
void runOnMain(std::function<void()> fn);

// Runs fn on the main thread and waits until it has returned. On the main thread
// itself fn runs at once (it never waits on itself). Returns false, without fn
// having run, when hops are closed (before or while waiting).
bool runOnMainAndWait(const std::function<void()>& fn);

// Lets an owner give up its own waiting hops: once cancelled, hops made with it
// return false at once, without their fn. An object destroyed on the main thread
// cancels before it joins a thread that may be waiting for the main thread.
class HopCancellation {
 public:
  void cancel();
  bool isCancelled() const { return cancelled_.load(); }

 private:
  std::atomic<bool> cancelled_{false};
};

bool runOnMainAndWait(const std::function<void()>& fn, const std::shared_ptr<HopCancellation>& cancellation);

// Closes the hops. Installed on QCoreApplication::aboutToQuit by
// installMainThreadHops(); tests may call it directly.
void closeMainThreadHops();
bool mainThreadHopsClosed();
// Reopens them (tests that make a fresh application object).
void reopenMainThreadHopsForTesting();

// Connects closeMainThreadHops() to the application's aboutToQuit, and closes the
// hops while the application object is destroyed, before it is gone. Call once on
// the main thread after creating the application object.
void installMainThreadHops();

// Tests that force a hop and the application's teardown into one order: the probe is
// called on the hopping thread once a hop from another thread has found the hops
// open and before it reads the application object (Checked), and once a waiting hop
// is queued, before it waits (Queued); and on the closing thread when a close has to
// wait for a hop that has found the hops open and not yet posted (CloseWaits). Null
// removes it.
enum class HopProbeStage { Checked, Queued, CloseWaits };
void setHopProbeForTesting(void (*probe)(HopProbeStage));

}  // namespace zelvo
