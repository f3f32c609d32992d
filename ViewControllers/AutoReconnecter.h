#pragma once
// Retries lost recorder connections on a repeating main-thread timer. The wall's
// controller registers a client that disconnects while planes still show it and
// unregisters it when it starts connecting or leaves the wall.

#include <memory>
#include <vector>

#include "ViewControllers/TimerFactory.h"

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
  void setInterval(double seconds);
  double interval() const { return interval_; }
  void registerClient(std::shared_ptr<NetworkClient> client);
  void unregisterClient(const std::shared_ptr<NetworkClient>& client);
  bool isRegistered(const std::shared_ptr<NetworkClient>& client) const;
  // The timer's action: connects every registered client that is disconnected, with
  // the address, port, user and password of its last attached site.
  void reconnect();

 private:
  TimerFactory& timers_;
  std::unique_ptr<RepeatingTimer> timer_;
  std::vector<std::shared_ptr<NetworkClient>> networkClientSet_;
  double interval_ = DefaultInterval;
};

}  // namespace zelvo
