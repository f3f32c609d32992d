#pragma once
// The thread on which clients' sockets live: every connect, disconnect, stream
// event, parse and delegate call of a client runs here, in the order it was
// posted. One QThread running its event loop, with a worker object living on it
// that tasks are posted to (the QThread object itself lives on its creator's thread).

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

class QThread;

namespace zelvo {

class NetworkThread {
 public:
  // The one thread that clients run on unless they are given another. Created and
  // started on first use; lives until the process ends (joined when the
  // application object goes away, after the main-thread hops are closed).
  static std::shared_ptr<NetworkThread> sharedThread();

  // A thread of its own, started at once.
  NetworkThread();
  // The calling thread's own event loop serves as the network thread (tests and
  // fuzzing drive a client without a second thread this way).
  static std::shared_ptr<NetworkThread> createOnCurrentThread();

  // Stops and joins a thread of its own. From its own thread: stops it; it is joined
  // and deleted once it has ended, and at the latest while the application object is
  // destroyed (no network thread outlives the application).
  ~NetworkThread();
  NetworkThread(const NetworkThread&) = delete;
  NetworkThread& operator=(const NetworkThread&) = delete;

  // Runs task on the thread, after the tasks posted before it. Tasks posted before
  // the loop starts still run; tasks posted after stopThread do not.
  void post(std::function<void()> task);
  bool isCurrent() const;
  // Ends the event loop (the loop finishes the task it is running).
  void stopThread();
  // stopThread, then waits for the thread to end (not from the thread itself).
  void shutdown();

  // An object living on the thread: the context of timers and sockets made there.
  QObject* context() const { return worker_.get(); }

 private:
  struct CurrentThreadTag {};
  explicit NetworkThread(CurrentThreadTag);

  std::unique_ptr<QThread> thread_;  // null when the creator's thread serves
  std::unique_ptr<QObject> worker_;
  uint64_t id_ = 0;
};

}  // namespace zelvo
