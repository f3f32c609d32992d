#pragma once
// Retries lost recorder connections on a repeating main-thread timer. The wall's
// controller registers a client that disconnects while planes still show it and
// unregisters it when it starts connecting or leaves the wall.
//
// Everything here runs on the main thread, the decision to retry included: a client
// is asked to connect only while it is still registered and disconnected, and the
// connect is queued from here, so a disconnect the controller issues afterwards
// runs after it on the network thread and the client ends disconnected.

#include <memory>
#include <vector>

#include "ViewControllers/Controls/TimerFactory.h"

namespace zelvo {

class NetworkClient;

class AutoReconnecter {
 public:
  static constexpr double DefaultInterval = 5.0;

  explicit AutoReconnecter(TimerFactory& timers = mainThreadTimerFactory());
  ~AutoReconnecter();
  AutoReconnecter(const AutoReconnecter&) = delete;
  AutoReconnecter& operator=(const AutoReconnecter&) = delete;

  // Main thread, all of them.
  void start();  // replaces a running timer with a fresh one
  void stop();   // safe when stopped
  bool isRunning() const { return timer_ != nullptr; }
  // Seconds, finite and above 0 (the preferences hand over a checked value). A running
  // timer is replaced when the value changes; a stopped one takes it at the next start.
  void setInterval(double seconds);
  double interval() const { return interval_; }
  void registerClient(std::shared_ptr<NetworkClient> client);  // a client is in the set once
  void unregisterClient(const std::shared_ptr<NetworkClient>& client);
  bool isRegistered(const std::shared_ptr<NetworkClient>& client) const;
  size_t registeredCount() const { return networkClientSet_.size(); }
  // The timer's action: connects every registered client that is disconnected, with
  // the address, port, user and password of its last attached site (a SiteInfo). A
  // client without a site, address or port is skipped with a log line. A client whose
  // connect was issued leaves the set at once: until the network thread starts that
  // connect the client still reads as disconnected, and a second connect would cut
  // the first one short. A failed retry brings it back through the controller.
  void reconnect();

 private:
  TimerFactory& timers_;
  std::unique_ptr<RepeatingTimer> timer_;
  std::vector<std::shared_ptr<NetworkClient>> networkClientSet_;
  double interval_ = DefaultInterval;
};

}  // namespace zelvo
