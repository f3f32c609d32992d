#include "Network/NetworkClient.h"

#include <QTimer>
#include <algorithm>
#include <cstring>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Foundation/Utf8.h"
#include "Network/MD5Digest.h"
#include "Network/ProfileListSyncOption.h"
#include "Network/TcpByteStream.h"

namespace zelvo {

std::string NetworkDisconnectionReasonDescription(int reason) {
  switch (reason) {
    case NetworkDisconnectionReasonLocal: return "Disconnected by remote site.";
    case NetworkDisconnectionReasonBusy: return "All remote site channels are being used.";
    case NetworkDisconnectionReasonUnsupportedProtocol: return "Unsupported protocol.";
    case NetworkDisconnectionReasonUnknownUser: return "Unknown user.";
    case NetworkDisconnectionReasonInvalidPassword: return "Invalid password";
    case NetworkDisconnectionReasonPermissionDenied: return "Permission denied.";
    case NetworkDisconnectionReasonLoginFailed: return "Login failed.";
    case NetworkDisconnectionReasonRemoteClosed: return "Disconnected by remote site.";
    default: return "Disconnected";
  }
}

int LoginResponseCodeToDisconnectionReason(int code) {
  switch (code) {
    case LoginResponse::UnknownUser:
    case LoginResponse::InvalidPassword:
    case LoginResponse::PermissionDenied: return code;
    default: return NetworkDisconnectionReasonLoginFailed;
  }
}

std::shared_ptr<NetworkClient> NetworkClient::create(std::shared_ptr<NetworkThread> thread) {
  return std::make_shared<NetworkClient>(std::move(thread));
}

NetworkClient::NetworkClient(std::shared_ptr<NetworkThread> thread)
    : thread_(thread ? std::move(thread) : NetworkThread::sharedThread()),
      streamFactory_([](const std::string& host, uint16_t port) {
        return std::make_shared<TcpByteStream>(QString::fromStdString(host), port);
      }),
      readBuffer_(static_cast<size_t>(ReadChunkSize)) {}

NetworkClient::~NetworkClient() {
  if (!stream_) return;
  // The stream belongs to the network thread; it sends nothing more to a client
  // that is gone (its handler holds only a weak reference). On the network thread
  // the last owner may be letting go from inside one of the stream's own events:
  // the stream is then closed at once but let go of by a task, once that event
  // has returned to it.
  if (thread_->isCurrent()) {
    stream_->close();
    thread_->post([stream = stream_] {});
  } else {
    thread_->post([stream = stream_] { stream->close(); });
  }
}

// ---- Calls from any thread

void NetworkClient::connectToHost(const std::string& host, unsigned port, const std::string& userName,
                                  const std::string& password) {
  ConnectRequest request{host, port, userName, password};
  std::shared_ptr<NetworkClient> self = weak_from_this().lock();
  if (!self) {
    zelvoLog("Connect to %s:%u asked of a client that is going away: ignored", host.c_str(), port);
    return;
  }
  thread_->post([self = std::move(self), request] { self->requestConnectToHost(request); });
}

void NetworkClient::connectToHost(const std::string& host, unsigned port, const std::string& userName,
                                  const std::string& password, std::any attachment) {
  if (attachment.has_value()) {
    std::lock_guard lock(publishedMutex_);
    attachments_.push_back(std::move(attachment));
  }
  connectToHost(host, port, userName, password);
}

void NetworkClient::disconnect() {
  // A client that is going away closes its stream itself.
  std::shared_ptr<NetworkClient> self = weak_from_this().lock();
  if (!self) return;
  thread_->post([self = std::move(self)] { self->requestDisconnect(); });
}

void NetworkClient::sendPacket(std::shared_ptr<Packet> packet) {
  ZELVO_PRECONDITION(packet != nullptr);
  // On the network thread (keep-alive answers, handlers) the write happens at
  // once; from any other thread it is handed over in call order.
  if (thread_->isCurrent()) {
    enqueue(std::move(packet), SendKind::Other);
    return;
  }
  // A sender on another thread (a playback queue being drained, say) may still
  // send while the client is being destroyed: there is nothing to send it on.
  std::shared_ptr<NetworkClient> self = weak_from_this().lock();
  if (!self) {
    zelvoLog("Dropped a packet of type %u sent to a client that is going away", packet->messageType());
    return;
  }
  thread_->post([self = std::move(self), packet = std::move(packet)] { self->enqueue(packet, SendKind::Other); });
}

void NetworkClient::sendPackets(std::vector<std::shared_ptr<Packet>> packets) {
  for (const auto& packet : packets) ZELVO_PRECONDITION(packet != nullptr);
  if (packets.empty()) return;
  // One task for the whole group: tasks from other threads run before or after it.
  if (thread_->isCurrent()) {
    for (auto& packet : packets) enqueue(std::move(packet), SendKind::Other);
    return;
  }
  std::shared_ptr<NetworkClient> self = weak_from_this().lock();
  if (!self) {
    zelvoLog("Dropped %zu packets sent to a client that is going away", packets.size());
    return;
  }
  thread_->post([self = std::move(self), packets = std::move(packets)] {
    for (const auto& packet : packets) self->enqueue(packet, SendKind::Other);
  });
}

std::shared_ptr<const SyncInfo> NetworkClient::peerInfo() const {
  std::lock_guard lock(publishedMutex_);
  return peerInfo_;
}

std::shared_ptr<const LoginResponse> NetworkClient::loginResponse() const {
  std::lock_guard lock(publishedMutex_);
  return loginResponse_;
}

UserInfo NetworkClient::address() const {
  std::lock_guard lock(publishedMutex_);
  return address_;
}

std::vector<std::any> NetworkClient::attachments() const {
  std::lock_guard lock(publishedMutex_);
  return attachments_;
}

void NetworkClient::setAttachments(std::vector<std::any> attachments) {
  std::lock_guard lock(publishedMutex_);
  attachments_ = std::move(attachments);
}

Observation NetworkClient::addObserver(const std::string& name, NotificationCenter::Callback callback) {
  return Observation(NotificationCenter::defaultCenter(), name, this, std::move(callback));
}

void NetworkClient::setStreamFactory(StreamFactory factory) { streamFactory_ = std::move(factory); }

void NetworkClient::setHandshakeTimeout(std::chrono::milliseconds timeout) { handshakeTimeout_ = timeout; }

void NetworkClient::postNotificationName(const std::string& name, UserInfo userInfo) {
  NotificationCenter::defaultCenter().postOnMainAndWait(name, this, std::move(userInfo));
}

void NetworkClient::setLoginStatusObserver(std::function<void(int)> observer) { statusObserver_ = std::move(observer); }

void NetworkClient::setLoginStatus(int status) {
  loginStatus_.store(status);
  if (statusObserver_) statusObserver_(status);
}

void NetworkClient::setPeerInfo(std::shared_ptr<const SyncInfo> info) {
  std::lock_guard lock(publishedMutex_);
  peerInfo_ = std::move(info);
}

std::string NetworkClient::describeAddress() const {
  // Host and port only: the connect request also holds the password.
  return host_ + ":" + std::to_string(port_);
}

// ---- Connecting and disconnecting (network thread)

void NetworkClient::requestConnectToHost(const ConnectRequest& request) {
  if (stream_) requestDisconnect();

  host_ = request.host;
  port_ = request.port;
  userName_ = request.userName;
  password_ = request.password;
  {
    std::lock_guard lock(publishedMutex_);
    address_ = {{NetworkConnectHostKey, request.host},
                {NetworkConnectPortKey, request.port},
                {NetworkConnectUserNameKey, request.userName},
                {NetworkConnectPasswordKey, request.password}};
  }
  setLoginStatus(NetworkLoginStatusConnecting);
  postNotificationName(NetworkWillConnectNotification);

  // The receive state is ready before the stream opens: a stream may report an
  // error from inside open().
  sendQueue_.clear();
  setPeerInfo(nullptr);
  receivingHeader_ = true;
  inputPacket_ = newInputPacket();
  if (!inputPacket_) {
    disconnectedByError({NetworkClientErrorOutOfMemory, "Out of memory for the receive buffer"});
    return;
  }
  // A wider port would be truncated to another one.
  if (request.port < 1 || request.port > 65535) {
    disconnectedByError({NetworkClientErrorPortOutOfRange,
                         "Port " + std::to_string(request.port) + " is outside the range 1 to 65535"});
    return;
  }

  // The login request carries the name with a 16-bit length: a longer one would be
  // sent cut, as somebody else's name.
  if (request.userName.size() > 0xFFFF) {
    disconnectedByError({NetworkClientErrorUserNameTooLong, "User name of " + std::to_string(request.userName.size()) +
                                                                " bytes is too long for the login request"});
    return;
  }

  stream_ = streamFactory_(host_, static_cast<uint16_t>(request.port));
  const ByteStream* stream = stream_.get();
  std::weak_ptr<NetworkClient> weak = weak_from_this();
  stream_->setEventHandler([weak, stream](ByteStream::Event event) {
    if (auto self = weak.lock()) self->handleStreamEvent(stream, event);
  });
  if (handshakeTimeout_.count() > 0) {
    const uint64_t generation = generation_;
    QTimer::singleShot(handshakeTimeout_, thread_->context(), [weak, generation] {
      if (auto self = weak.lock()) self->handshakeTimedOut(generation);
    });
  }
  stream_->open();
}

void NetworkClient::handshakeTimedOut(uint64_t generation) {
  if (generation != generation_ || !stream_ || !isConnecting()) return;
  zelvoLog("No login from %s within %lld ms: giving up", describeAddress().c_str(),
           static_cast<long long>(handshakeTimeout_.count()));
  const long long ms = handshakeTimeout_.count();
  disconnectedByError({NetworkClientErrorHandshakeTimedOut,
                       "Timed out: the recorder did not complete the login within " +
                           (ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms")});
}

void NetworkClient::disconnectWithReason(int reason) {
  if (!cleanup()) return;
  if (NetworkClientDelegate* d = delegate()) d->networkClient(*this, reason, std::nullopt);
  setLoginStatus(NetworkLoginStatusDisconnected);
  postNotificationName(NetworkDisconnectedNotification, {{NetworkDisconnectionReasonKey, reason}});
}

void NetworkClient::disconnectedByError(const StreamError& error) {
  cleanup();
  if (NetworkClientDelegate* d = delegate()) d->networkClient(*this, NetworkDisconnectionReasonStreamError, error);
  setLoginStatus(NetworkLoginStatusDisconnected);
  postNotificationName(NetworkDisconnectedNotification,
                       {{NetworkDisconnectionReasonKey, static_cast<int>(NetworkDisconnectionReasonStreamError)},
                        {NetworkDisconnectionErrorKey, error}});
}

bool NetworkClient::cleanup() {
  // The receive packet always exists while the stream does.
  if (!stream_) return false;
  stream_->close();
  // Released later on this thread: this may run inside one of the stream's own events.
  thread_->post([retired = std::move(stream_)] {});
  inputPacket_.reset();
  sendQueue_.clear();
  setPeerInfo(nullptr);
  ++generation_;
  return true;
}

// ---- Stream events (network thread)

void NetworkClient::handleStreamEvent(const ByteStream* stream, ByteStream::Event event) {
  if (stream != stream_.get()) return;  // an event of a stream already let go
  switch (event) {
    case ByteStream::OpenCompleted: handleStreamEventOpenCompleted(); break;
    case ByteStream::BytesAvailable: handleStreamEventBytesAvailable(); break;
    case ByteStream::SpaceAvailable: handleStreamEventSpaceAvailable(); break;
    case ByteStream::ErrorOccurred: disconnectedByError(stream_->error()); break;
    case ByteStream::EndEncountered: break;  // the read of 0 bytes that follows reports it
    default: ZELVO_ASSERT(false, "Unknown stream event");
  }
}

void NetworkClient::handleStreamEventOpenCompleted() {
  if (loginStatus() != NetworkLoginStatusConnecting) return;
  // Status 1 first: a packet sent at status 0 is dropped.
  setLoginStatus(NetworkLoginStatusSyncQueued);
  sendSyncPacket();
}

void NetworkClient::handleStreamEventBytesAvailable() {
  int64_t n = stream_->read(readBuffer_.data(), ReadChunkSize);
  if (n == 0) {
    disconnectWithReason(NetworkDisconnectionReasonRemoteClosed);
  } else if (n < 0) {
    disconnectedByError(stream_->error());
  } else {
    receiveBytes(readBuffer_.data(), n);
  }
}

std::shared_ptr<Packet> NetworkClient::newInputPacket() {
  // Room for the header only: the block is sized when the header tells the payload.
  return Packet::create(Packet::HeaderSize, ReceivePadding);
}

void NetworkClient::receiveBytes(const uint8_t* bytes, int64_t length) {
  int64_t offset = 0;
  while (inputPacket_) {
    Packet& packet = *inputPacket_;
    if (receivingHeader_) {
      if (offset == length) return;
      const int64_t need = Packet::HeaderSize - packet.position();
      if (need > length - offset) {
        packet.pushBytes(bytes + offset, length - offset);
        return;
      }
      packet.pushBytes(bytes + offset, need);
      offset += need;
      receivingHeader_ = false;
      const uint32_t payload = packet.payloadSize();
      if (payload > Packet::MaxPayloadSize) {
        zelvoLog("Packet of type %u from %s announces %u bytes of payload: disconnecting", packet.messageType(),
                 describeAddress().c_str(), payload);
        disconnectedByError({NetworkClientErrorPacketTooLarge,
                             "Packet too large: " + std::to_string(payload) + " bytes of payload, at most " +
                                 std::to_string(Packet::MaxPayloadSize) + " accepted"});
        return;
      }
      // Sized once, for the whole payload or the default size, whichever is
      // larger: a large payload does not grow step by step, and nothing is
      // zeroed or moved twice.
      if (!packet.reserve(std::max<int64_t>(ReceiveCapacity, Packet::HeaderSize + int64_t{payload}))) {
        disconnectedByError({NetworkClientErrorOutOfMemory, "Out of memory for a packet of " +
                                                                std::to_string(payload) + " bytes"});
        return;
      }
      // An empty packet is complete now, also when the chunk ends with its header.
    }
    const int64_t need = int64_t{packet.payloadSize()} + Packet::HeaderSize - packet.position();
    if (need > length - offset) {
      if (length > offset) packet.pushBytes(bytes + offset, length - offset);
      return;
    }
    if (need > 0) packet.pushBytes(bytes + offset, need);
    offset += need;
    packet.flip();

    // Every packet gets a fresh block (handlers may keep theirs), and every block
    // starts at the default size again whatever the last packet needed.
    std::shared_ptr<Packet> received = std::move(inputPacket_);
    receivingHeader_ = true;
    inputPacket_ = newInputPacket();
    if (!inputPacket_) {
      disconnectedByError({NetworkClientErrorOutOfMemory, "Out of memory for the receive buffer"});
      return;
    }
    if (!packetReceived(received)) return;  // torn down: the rest of the chunk is dropped
  }
}

bool NetworkClient::packetReceived(const std::shared_ptr<Packet>& packet) {
  const uint64_t generation = generation_;
  const int status = loginStatus();
  const uint16_t type = packet->messageType();
  switch (status) {
    case NetworkLoginStatusSyncQueued:
    case NetworkLoginStatusSyncWritten:
      if (type == MessageTypeSync) {
        if (analyzeSyncPacket(*packet)) {
          setLoginStatus(NetworkLoginStatusSyncAccepted);
          sendLoginRequestPacket(peerInfo()->encryptionKey());
        } else {
          protocolMismatched();
        }
      } else if (type == MessageTypeBusy) {
        disconnectWithReason(NetworkDisconnectionReasonBusy);
      } else {
        zelvoLog("Message type %u from %s instead of the sync reply", type, describeAddress().c_str());
        protocolMismatched();
      }
      break;
    case NetworkLoginStatusLoginWritten:
      if (type == MessageTypeLoginResponse) {
        handleLoginResponse(*packet);
      } else {
        zelvoLog("Message type %u from %s instead of the login response", type, describeAddress().c_str());
        protocolMismatched();
      }
      break;
    case NetworkLoginStatusLoggedIn:
      try {
        analyzePacket(packet);
      } catch (const ReadError& error) {
        zelvoLog("Dropped message type %u from %s: %s", type, describeAddress().c_str(), error.what());
      }
      break;
    default:
      zelvoLog("Invalid login status in packetReceived %d", status);
      break;
  }
  return stream_ != nullptr && generation == generation_;
}

void NetworkClient::protocolMismatched() {
  setLoginStatus(NetworkLoginStatusMismatched);
  disconnectWithReason(NetworkDisconnectionReasonUnsupportedProtocol);
}

void NetworkClient::analyzePacket(const std::shared_ptr<Packet>& packet) {
  if (packet->messageType() == MessageTypeAlive)
    handleAliveMessage(packet);
  else
    zelvoLog("Unknown Message Type: %d", packet->messageType());
}

void NetworkClient::handleAliveMessage(const std::shared_ptr<Packet>&) {
  auto answer = Packet::createWithMessageType(MessageTypeAlive);
  if (!answer) return;
  answer->pack();
  sendPacket(std::move(answer));
}

// ---- Sync and login (network thread)

void NetworkClient::sendSyncPacket() {
  auto packet = Packet::createWithMessageType(MessageTypeSync);
  if (!packet) return;
  packet->pushBytes(SyncInfo::ProtocolSignature, 4);
  packet->pushUint8(1);     // protocol version
  packet->pushBool(false);  // backward compatible
  packet->pushUint8(1);     // current endian
  packet->pushUint8(1);     // supporting endian
  packet->pack();
  enqueue(std::move(packet), SendKind::Sync);
}

bool NetworkClient::analyzeSyncPacket(Packet& packet) {
  std::shared_ptr<const SyncInfo> info;
  try {
    info = SyncInfo::create(packet);
  } catch (const ReadError& error) {
    zelvoLog("Unusable sync reply from %s: %s", describeAddress().c_str(), error.what());
  }
  // Published before the status can become 3.
  setPeerInfo(info);
  if (!info) return false;
  if (!info->isCompatibleProtocol()) {
    zelvoLog("Incompatible protocol from %s (version %d)", describeAddress().c_str(), info->protocolVersion());
    return false;
  }
  auto profiles = info->syncOption<ProfileListSyncOption>(1);
  if (!profiles || !profiles->supportsProfile(supportingProfile())) {
    zelvoLog("%s does not serve profile %d", describeAddress().c_str(), supportingProfile());
    return false;
  }
  return true;
}

void NetworkClient::sendLoginRequestPacket(uint32_t encryptionKey) {
  // At most 16 password bytes, cut even inside a character (the recorder does the
  // same), then the key bytes in the order they arrived.
  std::string salted = password_.substr(0, 16);
  char key[4];
  std::memcpy(key, &encryptionKey, 4);
  salted.append(key, 4);
  const std::array<uint8_t, 16> digest = MD5Digest(salted);

  auto packet = Packet::createWithMessageType(MessageTypeLoginRequest);
  if (!packet) return;
  packet->pushString(userName_);
  packet->pushUint8(16);
  packet->pushBytes(digest.data(), 16);
  packet->pushString("md5");
  packet->pack();
  enqueue(std::move(packet), SendKind::Login);
}

void NetworkClient::handleLoginResponse(Packet& packet) {
  std::shared_ptr<const LoginResponse> response;
  try {
    response = std::make_shared<const LoginResponse>(packet);
  } catch (const ReadError& error) {
    zelvoLog("Unusable login response from %s: %s", describeAddress().c_str(), error.what());
    protocolMismatched();
    return;
  }
  if (response->responseCode() != LoginResponse::Success) {
    disconnectWithReason(LoginResponseCodeToDisconnectionReason(response->responseCode()));
    return;
  }
  {
    std::lock_guard lock(publishedMutex_);
    loginResponse_ = response;
  }
  setLoginStatus(NetworkLoginStatusLoggedIn);
  const uint64_t generation = generation_;
  loginSucceed();
  if (generation != generation_) return;  // the subclass gave the connection up
  postNotificationName(NetworkLoginSucceedNotification);
  if (NetworkClientDelegate* d = delegate(); d && generation == generation_) d->networkClientLoginSucceed(*this);
}

// ---- Sending (network thread)

void NetworkClient::enqueue(std::shared_ptr<Packet> packet, SendKind kind) {
  if (packet->isFailed()) {
    zelvoLog("Dropped a packet of type %u that could not be built", packet->messageType());
    return;
  }
  const int status = loginStatus();
  if (!stream_ || status == NetworkLoginStatusConnecting || status == NetworkLoginStatusMismatched ||
      status == NetworkLoginStatusDisconnected) {
    zelvoLog("Intend to send a packet to disconnected: %s", describeAddress().c_str());
    return;
  }
  // Before login only the handshake goes out; the interface sends its requests
  // again once logged in.
  if (kind == SendKind::Other && status != NetworkLoginStatusLoggedIn) {
    zelvoLog("Dropped a packet of type %u to %s sent before login (status %d)", packet->messageType(),
             describeAddress().c_str(), status);
    return;
  }
  if (!sendQueue_.empty()) {
    sendQueue_.push_back({std::move(packet), kind});
    return;
  }
  const int64_t n = stream_->write(packet->bufferAt(packet->position()), packet->remaining());
  if (n < 0) {
    disconnectedByError(stream_->error());
  } else if (n == 0) {
    zelvoLog("WRITE RETURNS ZERO. outputStream:%s", describeAddress().c_str());
  } else if (n < packet->remaining()) {
    packet->skip(n);
    sendQueue_.push_back({std::move(packet), kind});
  } else {
    packetSent(kind);
  }
}

void NetworkClient::handleStreamEventSpaceAvailable() {
  if (sendQueue_.empty()) return;
  QueuedPacket& head = sendQueue_.front();
  const int64_t n = stream_->write(head.packet->bufferAt(head.packet->position()), head.packet->remaining());
  if (n < 0) {
    disconnectedByError(stream_->error());
    return;
  }
  head.packet->skip(n);
  if (head.packet->hasRemaining()) return;
  const SendKind kind = head.kind;
  sendQueue_.pop_front();
  packetSent(kind);
}

void NetworkClient::packetSent(SendKind kind) {
  // Only the handshake's own packets move the status.
  const int status = loginStatus();
  if (kind == SendKind::Sync && status == NetworkLoginStatusSyncQueued)
    setLoginStatus(NetworkLoginStatusSyncWritten);
  else if (kind == SendKind::Login && status == NetworkLoginStatusSyncAccepted)
    setLoginStatus(NetworkLoginStatusLoginWritten);
  else if (status != NetworkLoginStatusLoggedIn)
    zelvoLog("Invalid login status in packetSent %d", status);
}

}  // namespace zelvo
