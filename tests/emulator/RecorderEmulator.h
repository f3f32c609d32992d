#pragma once
// The recorder's side of the protocol over loopback TCP, for tests and for a
// person running the client beside it (zelvo-recorder-emulator). It listens on
// 127.0.0.1, answers the sync and the login from its configuration, records every
// packet a client sends (type and payload bytes), and can misbehave on demand.
//
// Extension point: after login, handlers registered per message type (setHandler)
// and login hooks (addLoginHook) run on the connection's own thread, and anything
// may send packets built with WireWriter through a Session. Tests wait for what
// the client sent with waitForPacket, which keeps the Qt event loop of the calling
// thread turning (the client's notifications need it) and ends as soon as the
// packet is there.
//
// Threads: one accept thread, one thread per connection, blocking POSIX sockets.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "emulator/WireWriter.h"

namespace zelvo::emulator {

struct ReceivedPacket {
  int connection = 0;  // 0 for the first accepted connection, then 1, 2...
  uint16_t type = 0;
  Bytes payload;
};

struct User {
  std::string name;
  std::string password;
  uint32_t permissionMask = 0xFFFFFFFF;
};

struct Profile {
  uint8_t type = 1;
  uint8_t version = 1;
  uint8_t backwardCompatible = 0;
};

// Misbehaviour during the handshake.
enum class Fault {
  None,
  Busy,                  // a type-8 packet instead of the sync reply
  LoginResponseForSync,  // a type-3 packet instead of the sync reply
  AliveForSync,          // a keep-alive instead of the sync reply
  Silent,                // accepts, reads, never answers
  CloseAtOffset,         // closes (FIN) after faultOffset bytes of its handshake replies
  ResetAtOffset,         // the same with a reset (RST)
  HostileLength,         // a sync reply header announcing hostileLength bytes, then nothing
};

struct RecorderConfig {
  // Sync reply.
  std::string signature = "QRZT";
  uint8_t protocolVersion = 1;
  uint8_t backwardCompatible = 0;
  uint8_t currentEndian = 1;
  uint8_t supportingEndian = 1;
  bool sendProfileList = true;
  std::vector<Profile> profiles = {{1, 1, 0}, {2, 1, 0}, {3, 1, 0}};
  bool sendKey = true;
  std::array<uint8_t, 4> key = {0x11, 0x22, 0x33, 0x44};
  bool sendSystemInfo = true;
  std::array<uint8_t, 6> macAddress = {0, 1, 2, 3, 4, 5};
  uint8_t signalType = 1;
  uint8_t videoInCount = 16;
  uint8_t audioInCount = 4;
  uint8_t audioOutCount = 1;
  uint8_t sensorCount = 16;
  uint8_t alarmCount = 4;
  std::string systemDescription = "DVR";
  // Options 2, 3, 11 and 14, announced when set.
  struct ProductInfo {
    uint8_t type = 1;
    uint32_t code = 1;
    std::string name = "Emulated recorder";
    std::string version = "1.0";
  };
  std::optional<ProductInfo> productInfo;
  struct OEM {
    uint32_t type = 1;
    std::string company;
  };
  std::optional<OEM> oem;
  struct HTTPStreaming {
    uint16_t version = 1;
    uint16_t portNumber = 0;
  };
  std::optional<HTTPStreaming> httpStreaming;
  std::optional<uint16_t> mobileStreamingVersion;
  // Option entries appended as they are (type, length, value already framed).
  Bytes extraOptions;
  // Replaces the whole sync reply payload.
  std::optional<Bytes> syncReplyPayload;

  // Login.
  std::vector<User> users = {{"admin", "admin", 0xFFFFFFFF}};
  // Answers this code whatever the user and password (out-of-range codes too).
  std::optional<uint8_t> loginCode;
  // Replaces the whole login response payload (a short reply, say).
  std::optional<Bytes> loginReplyPayload;

  Fault fault = Fault::None;
  size_t faultOffset = 0;
  uint32_t hostileLength = 0xFFFFFFFF;
  // After login, a keep-alive (type 7, empty) to the connection this often; 0: none.
  std::chrono::milliseconds keepAliveInterval{0};
  // Handshake replies go out one byte per write with this pause in between.
  bool writeBytesSlowly = false;
  std::chrono::milliseconds bytePause{1};
};

// The sync reply payload that config describes (tests compare it with what the
// client parsed).
Bytes syncReplyPayload(const RecorderConfig& config);

class Session {
 public:
  Session(int fd, int index);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  int index() const { return index_; }
  bool isLoggedIn() const { return loggedIn_.load(); }
  const std::string& userName() const { return userName_; }
  uint32_t permissionMask() const { return permissionMask_; }

  // Thread-safe; false once the connection is gone.
  bool send(uint16_t type, const Bytes& payload);
  bool sendRaw(const Bytes& bytes);
  // An orderly close (FIN) after what was sent.
  void close();
  // An abortive close (RST).
  void reset();
  // A recorder whose process hangs: from now on nothing more is sent (keep-alives,
  // answers, media), the connection stays open and what the client sends is still
  // recorded. Returns once no write is under way.
  void hang();
  bool isHung() const { return hung_.load(); }
  // Keep-alives sent on this connection so far (those of keepAliveInterval); one
  // being written already counts.
  int keepAlivesSent() const { return keepAlivesSent_.load(); }
  bool isClosed() const { return closed_.load(); }
  // Closed, or its orderly close begun (the FIN is out; the client has yet to answer it).
  bool isClosing() const { return closed_.load() || closeRequested_.load(); }
  // The connection has ended and its thread is done with it.
  bool isFinished() const { return finished_.load(); }

 private:
  friend class RecorderEmulator;
  bool writeAll(const uint8_t* data, size_t length);

  std::atomic<int> fd_;  // open until the session goes, unless a reset closed it
  const int index_;
  std::mutex writeMutex_;
  std::atomic<bool> loggedIn_{false};
  std::atomic<bool> closed_{false};
  std::atomic<bool> resetRequested_{false};
  std::atomic<bool> closeRequested_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> hung_{false};
  std::atomic<int> keepAlivesSent_{0};
  // Keep-alive pacing, under the emulator's mutex.
  std::chrono::milliseconds keepAliveInterval_{0};
  std::chrono::steady_clock::time_point nextKeepAlive_{};
  std::string userName_;
  uint32_t permissionMask_ = 0;
};

class RecorderEmulator {
 public:
  using Handler = std::function<void(Session&, const ReceivedPacket&)>;
  using LoginHook = std::function<void(Session&)>;

  explicit RecorderEmulator(RecorderConfig config = {});
  // Closes every connection and joins every thread.
  ~RecorderEmulator();
  RecorderEmulator(const RecorderEmulator&) = delete;
  RecorderEmulator& operator=(const RecorderEmulator&) = delete;

  // Listens on address:port (0: a free port). False when it cannot.
  bool start(uint16_t port = 0, const std::string& address = "127.0.0.1");
  uint16_t port() const { return port_; }

  // Used by connections accepted from now on.
  void setConfig(RecorderConfig config);
  RecorderConfig config() const;

  // Called on the connection's thread for each packet of that type received after
  // login (after it is recorded). One handler per type; the last one set counts.
  // Removing one (nullptr) waits for handler calls already under way to end.
  void setHandler(uint16_t type, Handler handler);
  // Called on the connection's thread right after a successful login, in the order added.
  void addLoginHook(LoginHook hook);

  // Every packet clients sent, in arrival order (the sync and login requests included).
  std::vector<ReceivedPacket> received() const;
  // The next packet of that type not yet returned by an earlier call (a cursor per
  // type). Spins the calling thread's Qt event loop while it waits.
  std::optional<ReceivedPacket> waitForPacket(uint16_t type,
                                              std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Waits until count connections have been accepted / logged in (same waiting rule).
  bool waitForConnections(int count, std::chrono::milliseconds limit = std::chrono::seconds(20));
  bool waitForLogins(int count, std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Waits until the connection has ended (the client closed it or it was closed here).
  bool waitForClosed(int connection, std::chrono::milliseconds limit = std::chrono::seconds(20));

  // The connection of that index, or the last one accepted; null when none.
  std::shared_ptr<Session> session(int index) const;
  std::shared_ptr<Session> lastSession() const;
  // Sends to the last logged-in connection; false when there is none.
  bool send(uint16_t type, const Bytes& payload);
  // Sends to every logged-in connection; the number reached.
  int broadcast(uint16_t type, const Bytes& payload);

  int connectionCount() const;
  int loginCount() const { return logins_.load(); }

 private:
  void acceptLoop();
  void keepAliveLoop();
  void serve(std::shared_ptr<Session> session, RecorderConfig config);
  bool handshake(Session& session, const RecorderConfig& config);
  bool readPacket(Session& session, ReceivedPacket& packet);
  void record(const ReceivedPacket& packet);
  bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  RecorderConfig config_;
  std::map<uint16_t, Handler> handlers_;
  int handlersRunning_ = 0;  // handler calls under way on session threads
  std::vector<LoginHook> loginHooks_;
  std::vector<ReceivedPacket> received_;
  std::map<uint16_t, size_t> cursors_;
  std::vector<std::shared_ptr<Session>> sessions_;
  std::vector<std::thread> threads_;
  std::atomic<int> logins_{0};
  std::atomic<bool> stopping_{false};
  int listenFd_ = -1;
  uint16_t port_ = 0;
  std::thread acceptThread_;
  std::thread keepAliveThread_;
};

}  // namespace zelvo::emulator
