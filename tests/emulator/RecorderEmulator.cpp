#include "emulator/RecorderEmulator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QThread>
#include <cerrno>
#include <cstring>


namespace zelvo::emulator {

namespace {

// Far above anything a client sends; a longer header ends the connection here.
constexpr uint32_t MaxClientPayload = 64 * 1024 * 1024;

// The recorder checks logins with a digest of its own (Qt's), not the
// client's code: a fault in the client's MD5 then fails the login.
std::array<uint8_t, 16> referenceMD5(const std::string& bytes) {
  const QByteArray hash = QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                                   QCryptographicHash::Md5);
  std::array<uint8_t, 16> digest{};
  std::memcpy(digest.data(), hash.constData(), digest.size());
  return digest;
}

bool onQtMainThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

// Bounded reads of a received payload.
class Reader {
 public:
  explicit Reader(const Bytes& bytes) : bytes_(bytes) {}
  bool u8(uint8_t& value) {
    if (remaining() < 1) return false;
    value = bytes_[offset_++];
    return true;
  }
  bool take(size_t n, Bytes& out) {
    if (remaining() < n) return false;
    out.assign(bytes_.begin() + static_cast<long>(offset_), bytes_.begin() + static_cast<long>(offset_ + n));
    offset_ += n;
    return true;
  }
  bool string(std::string& out) {
    if (remaining() < 2) return false;
    offset_ += 2;  // the length field; the text runs to its 0 byte
    size_t end = offset_;
    while (end < bytes_.size() && bytes_[end] != 0) ++end;
    if (end == bytes_.size()) return false;
    out.assign(reinterpret_cast<const char*>(bytes_.data()) + offset_, end - offset_);
    offset_ = end + 1;
    return true;
  }
  size_t remaining() const { return bytes_.size() - offset_; }

 private:
  const Bytes& bytes_;
  size_t offset_ = 0;
};

}  // namespace

Bytes syncReplyPayload(const RecorderConfig& config) {
  if (config.syncReplyPayload) return *config.syncReplyPayload;
  WireWriter w;
  w.fixedString(config.signature, 4)
      .u8(config.protocolVersion)
      .u8(config.backwardCompatible)
      .u8(config.currentEndian)
      .u8(config.supportingEndian);
  if (config.sendProfileList) {
    w.u8(1).u16(static_cast<uint16_t>(1 + 3 * config.profiles.size())).u8(static_cast<uint8_t>(config.profiles.size()));
    for (const Profile& p : config.profiles) w.u8(p.type).u8(p.version).u8(p.backwardCompatible);
  }
  if (config.sendKey) w.u8(4).u16(4).bytes(config.key.data(), 4);
  if (config.sendSystemInfo) {
    WireWriter value;
    value.bytes(config.macAddress.data(), 6)
        .u8(config.signalType)
        .u8(config.videoInCount)
        .u8(config.audioInCount)
        .u8(config.audioOutCount)
        .u8(config.sensorCount)
        .u8(config.alarmCount)
        .string(config.systemDescription);
    w.u8(5).u16(static_cast<uint16_t>(value.size())).bytes(value.data());
  }
  if (config.productInfo) {
    WireWriter value;
    value.u8(config.productInfo->type)
        .u32(config.productInfo->code)
        .string(config.productInfo->name)
        .string(config.productInfo->version);
    w.u8(2).u16(static_cast<uint16_t>(value.size())).bytes(value.data());
  }
  if (config.oem) {
    WireWriter value;
    value.u32(config.oem->type).string(config.oem->company);
    w.u8(3).u16(static_cast<uint16_t>(value.size())).bytes(value.data());
  }
  if (config.httpStreaming) w.u8(11).u16(4).u16(config.httpStreaming->version).u16(config.httpStreaming->portNumber);
  if (config.mobileStreamingVersion) w.u8(14).u16(2).u16(*config.mobileStreamingVersion);
  w.bytes(config.extraOptions);
  return w.take();
}

// ---- Session

Session::Session(int fd, int index) : fd_(fd), index_(index) {}

Session::~Session() {
  if (fd_ >= 0) ::close(fd_);
}


bool Session::writeAll(const uint8_t* data, size_t length) {
  std::lock_guard lock(writeMutex_);
  while (length > 0) {
    if (fd_ < 0 || closed_.load() || hung_.load()) return false;
    ssize_t n = ::send(fd_, data, length, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

bool Session::send(uint16_t type, const Bytes& payload) {
  Bytes packet = framePacket(type, payload);
  return writeAll(packet.data(), packet.size());
}

bool Session::sendRaw(const Bytes& bytes) { return writeAll(bytes.data(), bytes.size()); }

void Session::close() {
  std::lock_guard lock(writeMutex_);
  closeRequested_.store(true);
  if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

void Session::hang() {
  std::lock_guard lock(writeMutex_);
  hung_.store(true);
}

void Session::reset() {
  std::lock_guard lock(writeMutex_);
  if (fd_ < 0 || closed_.load()) return;
  // With a zero linger time the close sends a reset instead of a FIN. The reading
  // thread is woken first and gives the descriptor up itself (see serve).
  linger l{1, 0};
  setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  resetRequested_.store(true);
  closed_.store(true);
  ::shutdown(fd_, SHUT_RD);
}

// ---- RecorderEmulator

RecorderEmulator::RecorderEmulator(RecorderConfig config) : config_(std::move(config)) {}

RecorderEmulator::~RecorderEmulator() {
  stopping_.store(true);
  {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
  }
  if (acceptThread_.joinable()) acceptThread_.join();
  {
    std::lock_guard lock(mutex_);
    // Not under the sessions' write locks: a write may be blocked on a client
    // that stopped reading, and this is what unblocks it.
    for (auto& session : sessions_) {
      int fd = session->fd_.load();
      if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
    }
  }
  // After the shutdowns: a keep-alive may be blocked on a client that stopped reading.
  if (keepAliveThread_.joinable()) keepAliveThread_.join();
  for (std::thread& thread : threads_) thread.join();
  if (listenFd_ >= 0) ::close(listenFd_);
}

bool RecorderEmulator::start(uint16_t port, const std::string& address) {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return false;
  int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) return false;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return false;
  if (::listen(listenFd_, 16) != 0) return false;
  socklen_t length = sizeof addr;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &length);
  port_ = ntohs(addr.sin_port);
  acceptThread_ = std::thread([this] { acceptLoop(); });
  keepAliveThread_ = std::thread([this] { keepAliveLoop(); });
  return true;
}

void RecorderEmulator::setConfig(RecorderConfig config) {
  std::lock_guard lock(mutex_);
  config_ = std::move(config);
}

RecorderConfig RecorderEmulator::config() const {
  std::lock_guard lock(mutex_);
  return config_;
}

namespace {
// Set on a session thread while it runs a handler.
thread_local bool insideHandler = false;
}  // namespace

void RecorderEmulator::setHandler(uint16_t type, Handler handler) {
  std::unique_lock lock(mutex_);
  const bool removing = !handler;
  handlers_[type] = std::move(handler);
  // Whoever removes a handler is about to destroy what it refers to: calls that
  // already took it must end first (unless this is one of them).
  if (removing && !insideHandler) changed_.wait(lock, [&] { return handlersRunning_ == 0; });
}

void RecorderEmulator::addLoginHook(LoginHook hook) {
  std::lock_guard lock(mutex_);
  loginHooks_.push_back(std::move(hook));
}

void RecorderEmulator::acceptLoop() {
  while (!stopping_.load()) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 10) <= 0) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::lock_guard lock(mutex_);
    auto session = std::make_shared<Session>(fd, static_cast<int>(sessions_.size()));
    sessions_.push_back(session);
    threads_.emplace_back([this, session, config = config_] { serve(session, config); });
    changed_.notify_all();
  }
}

void RecorderEmulator::keepAliveLoop() {
  std::unique_lock lock(mutex_);
  while (!stopping_.load()) {
    const auto now = std::chrono::steady_clock::now();
    auto wake = now + std::chrono::milliseconds(100);
    std::vector<std::shared_ptr<Session>> due;
    for (const auto& session : sessions_) {
      if (session->keepAliveInterval_.count() <= 0 || !session->isLoggedIn() || session->isClosed()) continue;
      if (session->nextKeepAlive_ <= now) {
        due.push_back(session);
        session->nextKeepAlive_ += session->keepAliveInterval_;
        if (session->nextKeepAlive_ < now) session->nextKeepAlive_ = now + session->keepAliveInterval_;
      }
      wake = std::min(wake, session->nextKeepAlive_);
    }
    if (!due.empty()) {
      // Not under the mutex: a write may block on a client that stopped reading.
      lock.unlock();
      // Counted before the write: once a reader sees the count, an answer to each
      // keep-alive counted is on its way or already there.
      for (const auto& session : due) {
        ++session->keepAlivesSent_;
        if (!session->send(7, {})) --session->keepAlivesSent_;
      }
      lock.lock();
      continue;
    }
    changed_.wait_until(lock, wake);
  }
}

bool RecorderEmulator::readPacket(Session& session, ReceivedPacket& packet) {
  auto readExactly = [&](uint8_t* into, size_t length) {
    while (length > 0) {
      ssize_t n = ::recv(session.fd_, into, length, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      into += n;
      length -= static_cast<size_t>(n);
    }
    return true;
  };
  uint8_t header[8];
  if (!readExactly(header, 8)) return false;
  packet.connection = session.index();
  packet.type = static_cast<uint16_t>(header[2] << 8 | header[3]);
  uint32_t length = uint32_t{header[4]} << 24 | uint32_t{header[5]} << 16 | uint32_t{header[6]} << 8 | header[7];
  if (length > MaxClientPayload) return false;
  packet.payload.assign(length, 0);
  return readExactly(packet.payload.data(), length);
}

void RecorderEmulator::record(const ReceivedPacket& packet) {
  std::lock_guard lock(mutex_);
  received_.push_back(packet);
  changed_.notify_all();
}

void RecorderEmulator::serve(std::shared_ptr<Session> session, RecorderConfig config) {
  if (handshake(*session, config)) {
    session->loggedIn_.store(true);
    std::vector<LoginHook> hooks;
    {
      std::lock_guard lock(mutex_);
      hooks = loginHooks_;
    }
    ++logins_;
    {
      std::lock_guard lock(mutex_);
      session->keepAliveInterval_ = config.keepAliveInterval;
      session->nextKeepAlive_ = std::chrono::steady_clock::now() + config.keepAliveInterval;
      changed_.notify_all();
    }
    for (const LoginHook& hook : hooks) hook(*session);
    ReceivedPacket packet;
    while (readPacket(*session, packet)) {
      record(packet);
      Handler handler;
      {
        std::lock_guard lock(mutex_);
        auto it = handlers_.find(packet.type);
        if (it != handlers_.end() && it->second) {
          handler = it->second;
          ++handlersRunning_;
        }
      }
      if (handler) {
        insideHandler = true;
        handler(*session, packet);
        insideHandler = false;
        handler = nullptr;  // the copy refers to its owner too
        std::lock_guard lock(mutex_);
        --handlersRunning_;
        changed_.notify_all();
      }
    }
  } else {
    // Refused or misbehaving: keep recording what the client still sends until it closes.
    ReceivedPacket packet;
    while (!session->closed_.load() && readPacket(*session, packet)) record(packet);
  }
  {
    std::lock_guard writeLock(session->writeMutex_);
    session->closed_.store(true);
    if (session->resetRequested_.load()) {
      ::close(session->fd_);  // with the zero linger time set: a reset
      session->fd_ = -1;
    } else {
      ::shutdown(session->fd_, SHUT_RDWR);
    }
  }
  session->finished_.store(true);
  std::lock_guard lock(mutex_);
  changed_.notify_all();
}

bool RecorderEmulator::handshake(Session& session, const RecorderConfig& config) {
  size_t sent = 0;
  // Every handshake reply goes out here, so that the faults can cut it at a byte offset.
  auto out = [&](const Bytes& bytes) {
    const bool cut = config.fault == Fault::CloseAtOffset || config.fault == Fault::ResetAtOffset;
    size_t allowed = bytes.size();
    if (cut) allowed = config.faultOffset > sent ? std::min(bytes.size(), config.faultOffset - sent) : 0;
    bool ok = true;
    if (config.writeBytesSlowly) {
      for (size_t i = 0; i < allowed && ok; ++i) {
        ok = session.writeAll(&bytes[i], 1);
        std::this_thread::sleep_for(config.bytePause);
      }
    } else if (allowed > 0) {
      ok = session.writeAll(bytes.data(), allowed);
    }
    sent += allowed;
    if (cut && allowed < bytes.size()) {
      if (config.fault == Fault::CloseAtOffset)
        session.close();
      else
        session.reset();
      return false;
    }
    return ok;
  };

  ReceivedPacket sync;
  if (!readPacket(session, sync)) return false;
  record(sync);

  switch (config.fault) {
    case Fault::Silent: return false;
    case Fault::Busy: out(framePacket(8, {})); return false;
    case Fault::LoginResponseForSync: out(framePacket(3, {1, 0, 0, 0, 0})); return false;
    case Fault::AliveForSync: out(framePacket(7, {})); return false;
    case Fault::HostileLength: out(frameHeader(1, config.hostileLength)); return false;
    default: break;
  }
  if (!out(framePacket(1, syncReplyPayload(config)))) return false;

  ReceivedPacket login;
  if (!readPacket(session, login)) return false;
  record(login);

  uint8_t code = 2;
  uint32_t mask = 0;
  Reader reader(login.payload);
  std::string user, method;
  uint8_t digestLength = 0;
  Bytes digest;
  if (login.type == 2 && reader.string(user) && reader.u8(digestLength) && digestLength == 16 &&
      reader.take(16, digest) && reader.string(method) && method == "md5") {
    code = 3;
    for (const User& candidate : config.users) {
      if (candidate.name != user) continue;
      std::string salted = candidate.password.substr(0, 16);
      if (config.sendKey) salted.append(reinterpret_cast<const char*>(config.key.data()), 4);
      else salted.append(4, '\0');
      const std::array<uint8_t, 16> expected = referenceMD5(salted);
      if (!std::equal(expected.begin(), expected.end(), digest.begin())) {
        code = 4;
      } else if (candidate.permissionMask == 0) {
        code = 5;
      } else {
        code = 1;
        mask = candidate.permissionMask;
        session.userName_ = user;
        session.permissionMask_ = mask;
      }
      break;
    }
  }
  if (config.loginCode) {
    code = *config.loginCode;
    if (code == 1 && mask == 0) mask = 0xFFFFFFFF;
  }
  Bytes reply = config.loginReplyPayload ? *config.loginReplyPayload : WireWriter().u8(code).u32(mask).take();
  if (!out(framePacket(3, reply))) return false;
  return code == 1 && !config.loginReplyPayload;
}

// ---- Waiting and inspection

bool RecorderEmulator::waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  const bool pump = onQtMainThread();
  std::unique_lock lock(mutex_);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (pump) {
      // The client may be waiting for the main thread to deliver a notification.
      lock.unlock();
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      lock.lock();
      changed_.wait_for(lock, std::chrono::microseconds(500));
    } else {
      changed_.wait_for(lock, std::chrono::milliseconds(5));
    }
  }
  return true;
}

std::vector<ReceivedPacket> RecorderEmulator::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::optional<ReceivedPacket> RecorderEmulator::waitForPacket(uint16_t type, std::chrono::milliseconds limit) {
  std::optional<ReceivedPacket> found;
  waitFor(
      [&] {
        size_t& cursor = cursors_[type];
        for (; cursor < received_.size(); ++cursor) {
          if (received_[cursor].type == type) {
            found = received_[cursor++];
            return true;
          }
        }
        return false;
      },
      limit);
  return found;
}

bool RecorderEmulator::waitForConnections(int count, std::chrono::milliseconds limit) {
  return waitFor([&] { return static_cast<int>(sessions_.size()) >= count; }, limit);
}

bool RecorderEmulator::waitForLogins(int count, std::chrono::milliseconds limit) {
  return waitFor([&] { return logins_.load() >= count; }, limit);
}

bool RecorderEmulator::waitForClosed(int connection, std::chrono::milliseconds limit) {
  return waitFor(
      [&] {
        if (connection < 0 || connection >= static_cast<int>(sessions_.size())) return false;
        return sessions_[static_cast<size_t>(connection)]->isFinished();
      },
      limit);
}

std::shared_ptr<Session> RecorderEmulator::session(int index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<int>(sessions_.size())) return nullptr;
  return sessions_[static_cast<size_t>(index)];
}

std::shared_ptr<Session> RecorderEmulator::lastSession() const {
  std::lock_guard lock(mutex_);
  return sessions_.empty() ? nullptr : sessions_.back();
}

bool RecorderEmulator::send(uint16_t type, const Bytes& payload) {
  std::shared_ptr<Session> target;
  {
    std::lock_guard lock(mutex_);
    for (auto it = sessions_.rbegin(); it != sessions_.rend(); ++it)
      if ((*it)->isLoggedIn() && !(*it)->isClosed()) {
        target = *it;
        break;
      }
  }
  return target && target->send(type, payload);
}

int RecorderEmulator::broadcast(uint16_t type, const Bytes& payload) {
  std::vector<std::shared_ptr<Session>> targets;
  {
    std::lock_guard lock(mutex_);
    for (const auto& session : sessions_)
      if (session->isLoggedIn() && !session->isClosed()) targets.push_back(session);
  }
  int reached = 0;
  for (const auto& session : targets) reached += session->send(type, payload) ? 1 : 0;
  return reached;
}

int RecorderEmulator::connectionCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(sessions_.size());
}

}  // namespace zelvo::emulator
