#pragma once
// One TCP connection with one recorder: the sync and login handshake, framing of
// the byte stream into packets, keep-alive answers and the send queue. The base of
// the live, remote-setup and playback clients, which add their messages through
// the hooks below.
//
// Threads: every stream event, parse, hook and delegate call runs on the client's
// network thread. connectToHost, disconnect and sendPacket may be called from any
// thread; their work is posted to the network thread in call order. Notifications
// are delivered on the main thread while the network thread waits for them.

#include <any>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "Network/ByteStream.h"
#include "Network/LoginResponse.h"
#include "Network/NetworkClientDelegate.h"
#include "Network/NetworkThread.h"
#include "Network/Packet.h"
#include "Network/SyncInfo.h"

namespace zelvo {

enum NetworkLoginStatus : int {
  NetworkLoginStatusConnecting = 0,     // streams created and opening
  NetworkLoginStatusSyncQueued = 1,     // output open, sync packet queued
  NetworkLoginStatusSyncWritten = 2,    // sync packet written
  NetworkLoginStatusSyncAccepted = 3,   // sync reply accepted, login request being written
  NetworkLoginStatusLoginWritten = 4,   // login request written
  NetworkLoginStatusLoggedIn = 5,
  NetworkLoginStatusMismatched = 6,     // protocol mismatch, just before the disconnect
  NetworkLoginStatusDisconnected = 7,   // initial, and after every disconnect
};

enum NetworkDisconnectionReason : int {
  NetworkDisconnectionReasonLocal = 0,
  NetworkDisconnectionReasonBusy = 1,
  NetworkDisconnectionReasonUnsupportedProtocol = 2,
  NetworkDisconnectionReasonUnknownUser = 3,
  NetworkDisconnectionReasonInvalidPassword = 4,
  NetworkDisconnectionReasonPermissionDenied = 5,
  NetworkDisconnectionReasonLoginFailed = 6,
  NetworkDisconnectionReasonRemoteClosed = 7,
  NetworkDisconnectionReasonStreamError = 8,
};

// The text shown for a reason; any value outside 0 to 7 reads as a stream error.
std::string NetworkDisconnectionReasonDescription(int reason);
// Login response codes 3, 4 and 5 keep their number as the reason; any other is 6.
int LoginResponseCodeToDisconnectionReason(int code);

// Errors the client itself reports with reason 8 (socket errors keep Qt's codes).
enum NetworkClientErrorCode : int {
  NetworkClientErrorPortOutOfRange = 1001,
  NetworkClientErrorPacketTooLarge = 1002,
  NetworkClientErrorHandshakeTimedOut = 1003,
  NetworkClientErrorOutOfMemory = 1004,
  NetworkClientErrorUserNameTooLong = 1005,
  NetworkClientErrorReceiveTimedOut = 1006,
};

// Notification names, each posted with the client as the object.
inline const std::string NetworkWillConnectNotification = "NetworkWillConnectNotification";
inline const std::string NetworkLoginSucceedNotification = "NetworkLoginSucceedNotification";
inline const std::string NetworkDisconnectedNotification = "NetworkDisconnectedNotification";
// User info of NetworkDisconnectedNotification: the reason (int), and for reason 8
// the error (StreamError).
inline const std::string NetworkDisconnectionReasonKey = "NetworkDisconnectionReasonKey";
inline const std::string NetworkDisconnectionErrorKey = "NetworkDisconnectionErrorKey";

// Keys of address(): host (std::string), port (unsigned), user name and password
// (std::string).
inline const std::string NetworkConnectHostKey = "NetworkConnectHostKey";
inline const std::string NetworkConnectPortKey = "NetworkConnectPortKey";
inline const std::string NetworkConnectUserNameKey = "NetworkConnectUserNameKey";
inline const std::string NetworkConnectPasswordKey = "NetworkConnectPasswordKey";

class NetworkClient : public std::enable_shared_from_this<NetworkClient> {
 public:
  static constexpr int64_t ReadChunkSize = 16384;
  // The smallest receive block; a larger payload gets a block of its own size.
  static constexpr int64_t ReceiveCapacity = Packet::DefaultCapacity;
  static constexpr uint64_t ReceivePadding = 8;
  static constexpr std::chrono::milliseconds DefaultHandshakeTimeout{30000};

  // Makes the stream for a connect, on the network thread.
  using StreamFactory = std::function<std::shared_ptr<ByteStream>(const std::string& host, uint16_t port)>;

  // thread: the network thread the client runs on; the shared one when null.
  // Clients are always held by shared_ptr (tasks posted for them keep them alive).
  static std::shared_ptr<NetworkClient> create(std::shared_ptr<NetworkThread> thread = nullptr);
  explicit NetworkClient(std::shared_ptr<NetworkThread> thread = nullptr);
  virtual ~NetworkClient();
  NetworkClient(const NetworkClient&) = delete;
  NetworkClient& operator=(const NetworkClient&) = delete;

  // Any thread. Appends the attachment (when given), then connects on the network
  // thread; a connected client is disconnected first (reason 0).
  void connectToHost(const std::string& host, unsigned port, const std::string& userName,
                     const std::string& password);
  void connectToHost(const std::string& host, unsigned port, const std::string& userName,
                     const std::string& password, std::any attachment);
  // Any thread. Disconnects with reason 0; posts nothing when there is no connection.
  void disconnect();
  // Any thread. A packed packet; written whole and in order with the other packets
  // sent from the same thread. Dropped with a log line unless logged in.
  void sendPacket(std::shared_ptr<Packet> packet);
  // Any thread. Packed packets that belong together: they go out one after the
  // other, and nothing sent from another thread comes between them.
  void sendPackets(std::vector<std::shared_ptr<Packet>> packets);

  int loginStatus() const { return loginStatus_.load(); }
  bool isConnected() const { return loginStatus() == NetworkLoginStatusLoggedIn; }
  bool isDisconnected() const {
    int status = loginStatus();
    return status == NetworkLoginStatusMismatched || status == NetworkLoginStatusDisconnected;
  }
  bool isConnecting() const { return !isConnected() && !isDisconnected(); }
  std::shared_ptr<const SyncInfo> peerInfo() const;
  std::shared_ptr<const LoginResponse> loginResponse() const;
  // The last connect request under the four NetworkConnect keys (empty before).
  UserInfo address() const;
  std::vector<std::any> attachments() const;
  void setAttachments(std::vector<std::any> attachments);
  NetworkClientDelegate* delegate() const { return delegate_.load(); }
  void setDelegate(NetworkClientDelegate* delegate) { delegate_.store(delegate); }
  bool isMobileConnection() const { return false; }
  const std::shared_ptr<NetworkThread>& thread() const { return thread_; }

  // Observes one notification of this client, on the main thread, while the token lives.
  Observation addObserver(const std::string& name, NotificationCenter::Callback callback);

  // Seams for tests and tools. Set them before connecting.
  void setStreamFactory(StreamFactory factory);
  // A connection that has not logged in within this time ends with reason 8.
  void setHandshakeTimeout(std::chrono::milliseconds timeout);
  // What a read event does with the bytes it read (the benchmark and the fuzz
  // target feed it directly). Network thread only, with a connection open.
  void receiveBytes(const uint8_t* bytes, int64_t length);
  // Called on the network thread with every new status (tests check the order).
  void setLoginStatusObserver(std::function<void(int)> observer);

 protected:
  // Hooks, called on the network thread.
  // The profile the recorder's profile list must hold: 0 here, 1 live, 2 playback, 3 setup.
  virtual int supportingProfile() const { return 0; }
  // Right after the status becomes 5, before the notification and the delegate.
  virtual void loginSucceed() {}
  // Every packet received while logged in. A ReadError thrown from here drops that
  // one message with a log line. Subclasses handle their types and pass the rest on.
  virtual void analyzePacket(const std::shared_ptr<Packet>& packet);
  // Tears the connection state down; true when there was a connection. Subclasses
  // extend it and return the base's result.
  virtual bool cleanup();

  // Posts a notification with this client as the object on the main thread and
  // waits until the observers have returned. Network thread only.
  void postNotificationName(const std::string& name, UserInfo userInfo = {});

  // Network thread.
  void disconnectWithReason(int reason);
  void disconnectedByError(const StreamError& error);
  void handleAliveMessage(const std::shared_ptr<Packet>& packet);

 private:
  enum class SendKind { Other, Sync, Login };
  struct QueuedPacket {
    std::shared_ptr<Packet> packet;
    SendKind kind;
  };
  struct ConnectRequest {
    std::string host;
    unsigned port = 0;
    std::string userName;
    std::string password;
  };

  void requestConnectToHost(const ConnectRequest& request);
  void requestDisconnect() { disconnectWithReason(NetworkDisconnectionReasonLocal); }
  void handleStreamEvent(const ByteStream* stream, ByteStream::Event event);
  void handleStreamEventOpenCompleted();
  void handleStreamEventBytesAvailable();
  void handleStreamEventSpaceAvailable();
  static std::shared_ptr<Packet> newInputPacket();
  bool packetReceived(const std::shared_ptr<Packet>& packet);
  void protocolMismatched();
  void handleLoginResponse(Packet& packet);
  bool analyzeSyncPacket(Packet& packet);
  void sendSyncPacket();
  void sendLoginRequestPacket(uint32_t encryptionKey);
  void enqueue(std::shared_ptr<Packet> packet, SendKind kind);
  void packetSent(SendKind kind);
  void handshakeTimedOut(uint64_t generation);
  void setLoginStatus(int status);
  void setPeerInfo(std::shared_ptr<const SyncInfo> info);
  std::string describeAddress() const;

  const std::shared_ptr<NetworkThread> thread_;
  std::atomic<int> loginStatus_{NetworkLoginStatusDisconnected};
  std::atomic<NetworkClientDelegate*> delegate_{nullptr};

  // Read by other threads, written on the network thread, published whole.
  mutable std::mutex publishedMutex_;
  std::shared_ptr<const SyncInfo> peerInfo_;
  std::shared_ptr<const LoginResponse> loginResponse_;
  UserInfo address_;
  std::vector<std::any> attachments_;

  // Network thread only.
  StreamFactory streamFactory_;
  std::chrono::milliseconds handshakeTimeout_ = DefaultHandshakeTimeout;
  std::function<void(int)> statusObserver_;
  std::shared_ptr<ByteStream> stream_;
  uint64_t generation_ = 0;  // bumped by every teardown; stale events and timers compare it
  std::deque<QueuedPacket> sendQueue_;
  std::shared_ptr<Packet> inputPacket_;
  bool receivingHeader_ = true;
  std::string host_;
  unsigned port_ = 0;
  std::string userName_;
  std::string password_;
  std::vector<uint8_t> readBuffer_;
};

}  // namespace zelvo
