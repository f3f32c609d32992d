#pragma once
// Runs one connection at a time on behalf of a caller, to the playback client
// (mode 2) or the remote-setup client (mode 3), and turns the clients' login and
// disconnection into two notifications of its own, posted on the main thread with
// the manager as the object. A keyed request queue per kind of connection keeps a
// superseded connect request's outcome from being reported.
//
// Threads: connect and disconnect from any thread (the main thread in practice);
// the clients report on their network threads (the playback client has a thread
// of its own). Every entry takes the manager's lock; no notification is posted
// while it is held, so an observer may call straight back into the manager.

#include <any>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Foundation/NotificationCenter.h"
#include "Network/NetworkClient.h"
#include "Network/Playback/PlaybackClientDelegate.h"
#include "Network/Playback/RequestManager.h"
#include "Network/Setup/SetupClientDelegate.h"

namespace zelvo {

inline constexpr char ConnectionManagerLoginSucceedNotification[] = "ConnectionManagerLoginSucceedNotification";
inline constexpr char ConnectionManagerDisconnectedNotification[] = "ConnectionManagerDisconnectedNotification";
// int: 2 playback, 3 remote setup
inline constexpr char ConnectionManagerConnectionModeKey[] = "ConnectionManagerConnectionModeKey";
// int: the client's disconnection reason
inline constexpr char ConnectionManagerDisconnectionReasonKey[] = "ConnectionManagerDisconnectionReasonKey";
// StreamError, present only when the client reported one
inline constexpr char ConnectionManagerDisconnectionErrorKey[] = "ConnectionManagerDisconnectionErrorKey";

inline constexpr char ConnectLiveRequestQueueKey[] = "ConnectLiveRequestQueueKey";
inline constexpr char ConnectPlaybackRequestQueueKey[] = "ConnectPlaybackRequestQueueKey";
inline constexpr char ConnectSetupRequestQueueKey[] = "ConnectSetupRequestQueueKey";

class ConnectionManager : public PlaybackClientDelegate, public SetupClientDelegate {
 public:
  enum ConnectionMode : int {
    ConnectionModeLive = 1,  // accepted, but no client is connected for it
    ConnectionModePlayback = 2,
    ConnectionModeSetup = 3,
  };

  // Over the shared playback and remote-setup clients; never destroyed.
  static ConnectionManager& sharedManager();
  // Becomes the delegate of both clients (tests pass clients of their own).
  ConnectionManager(std::shared_ptr<NetworkClient> playbackClient, std::shared_ptr<NetworkClient> setupClient);
  // Leaves both clients without a delegate.
  ~ConnectionManager() override;
  ConnectionManager(const ConnectionManager&) = delete;
  ConnectionManager& operator=(const ConnectionManager&) = delete;

  // A new request replaces the current one: a client connected for another mode
  // is disconnected first (its outcome is no longer reported). Any other mode
  // than 1 to 3 is a programming error.
  void connect(int mode, const std::string& toHost, uint32_t port, const std::string& userName,
               const std::string& password, std::any key = {});
  // Clears the key and the notify-on-login flag and disconnects the current
  // client, whatever its state (a handshake in progress included).
  void disconnect();

  // Observes one of the manager's notifications, on the main thread, while the
  // token lives.
  Observation addObserver(const std::string& name, NotificationCenter::Callback callback);

  std::any keyOnConnecting() const;
  void setKeyOnConnecting(std::any key);
  std::shared_ptr<NetworkClient> clientOnConnection() const;
  bool notifiesOnLogin() const;

  // 2 for the playback client, 3 for the remote-setup client, 0 for any other.
  int parseConnectionMode(const NetworkClient& client) const;
  // The request queue a client's outcomes are counted in; none for other clients.
  std::optional<std::string> parseRequestQueueKey(const NetworkClient& client) const;

  // NetworkClientDelegate (network threads).
  void networkClientLoginSucceed(NetworkClient& client) override;
  void networkClient(NetworkClient& client, int disconnectedByReason,
                     const std::optional<StreamError>& error) override;

 private:
  bool flagLocked() const;
  void setFlagLocked(bool flag);
  bool shouldNotifyLocked(const NetworkClient& client) const;
  void post(const std::string& name, UserInfo userInfo);

  const std::shared_ptr<NetworkClient> playbackClient_;
  const std::shared_ptr<NetworkClient> setupClient_;
  mutable std::mutex mutex_;  // guards everything below
  RequestManager connectRequestManager_;  // its context holds the notify-on-login flag
  std::shared_ptr<NetworkClient> clientOnConnection_;
  std::any keyOnConnecting_;
};

}  // namespace zelvo
