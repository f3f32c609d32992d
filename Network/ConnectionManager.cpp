#include "Network/ConnectionManager.h"

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Network/Playback/LastAndOnlyResponseRespondRequestQueue.h"
#include "Network/Playback/PlaybackClient.h"
#include "Network/Setup/SetupClient.h"

namespace zelvo {

ConnectionManager& ConnectionManager::sharedManager() {
  static auto* shared = new ConnectionManager(PlaybackClient::sharedClient(), SetupClient::sharedClient());
  return *shared;
}

ConnectionManager::ConnectionManager(std::shared_ptr<NetworkClient> playbackClient,
                                     std::shared_ptr<NetworkClient> setupClient)
    : playbackClient_(std::move(playbackClient)), setupClient_(std::move(setupClient)) {
  ZELVO_PRECONDITION(playbackClient_ != nullptr && setupClient_ != nullptr);
  connectRequestManager_.setContext(true);
  for (const char* key : {ConnectLiveRequestQueueKey, ConnectPlaybackRequestQueueKey, ConnectSetupRequestQueueKey})
    connectRequestManager_.registerRequestQueue(std::make_shared<LastAndOnlyResponseRespondRequestQueue>(), key);
  playbackClient_->setDelegate(static_cast<PlaybackClientDelegate*>(this));
  setupClient_->setDelegate(static_cast<SetupClientDelegate*>(this));
}

ConnectionManager::~ConnectionManager() {
  playbackClient_->setDelegate(nullptr);
  setupClient_->setDelegate(nullptr);
}

void ConnectionManager::connect(int mode, const std::string& toHost, uint32_t port, const std::string& userName,
                                const std::string& password, std::any key) {
  std::shared_ptr<NetworkClient> client;
  const char* queueKey = nullptr;
  switch (mode) {
    case ConnectionModeLive:
      queueKey = ConnectLiveRequestQueueKey;
      break;
    case ConnectionModePlayback:
      client = playbackClient_;
      queueKey = ConnectPlaybackRequestQueueKey;
      break;
    case ConnectionModeSetup:
      client = setupClient_;
      queueKey = ConnectSetupRequestQueueKey;
      break;
    default: {
      const bool NO = false;
      ZELVO_ASSERT(NO);
    }
  }
  std::lock_guard lock(mutex_);
  // One connection at a time: the client of the request being replaced would
  // otherwise stay connected, unreported, holding one of the recorder's channels.
  if (clientOnConnection_ && clientOnConnection_ != client) clientOnConnection_->disconnect();
  clientOnConnection_ = client;
  if (client) client->connectToHost(toHost, port, userName, password);
  keyOnConnecting_ = std::move(key);
  connectRequestManager_.requested(std::any(), queueKey);
  setFlagLocked(true);
}

void ConnectionManager::disconnect() {
  std::lock_guard lock(mutex_);
  keyOnConnecting_.reset();
  if (clientOnConnection_) clientOnConnection_->disconnect();
  setFlagLocked(false);
}

Observation ConnectionManager::addObserver(const std::string& name, NotificationCenter::Callback callback) {
  return Observation(NotificationCenter::defaultCenter(), name, this, std::move(callback));
}

std::any ConnectionManager::keyOnConnecting() const {
  std::lock_guard lock(mutex_);
  return keyOnConnecting_;
}

void ConnectionManager::setKeyOnConnecting(std::any key) {
  std::lock_guard lock(mutex_);
  keyOnConnecting_ = std::move(key);
}

std::shared_ptr<NetworkClient> ConnectionManager::clientOnConnection() const {
  std::lock_guard lock(mutex_);
  return clientOnConnection_;
}

bool ConnectionManager::notifiesOnLogin() const {
  std::lock_guard lock(mutex_);
  return flagLocked();
}

int ConnectionManager::parseConnectionMode(const NetworkClient& client) const {
  if (&client == playbackClient_.get()) return ConnectionModePlayback;
  if (&client == setupClient_.get()) return ConnectionModeSetup;
  return 0;
}

std::optional<std::string> ConnectionManager::parseRequestQueueKey(const NetworkClient& client) const {
  if (&client == playbackClient_.get()) return ConnectPlaybackRequestQueueKey;
  if (&client == setupClient_.get()) return ConnectSetupRequestQueueKey;
  return std::nullopt;
}

bool ConnectionManager::flagLocked() const {
  const bool* flag = std::any_cast<bool>(&connectRequestManager_.context());
  return flag && *flag;
}

void ConnectionManager::setFlagLocked(bool flag) { connectRequestManager_.setContext(flag); }

bool ConnectionManager::shouldNotifyLocked(const NetworkClient& client) const {
  const auto key = parseRequestQueueKey(client);
  return !key || connectRequestManager_.shouldNotifyResponse(*key);
}

void ConnectionManager::networkClientLoginSucceed(NetworkClient& client) {
  const int mode = parseConnectionMode(client);
  {
    std::lock_guard lock(mutex_);
    if (!flagLocked() || &client != clientOnConnection_.get() || !shouldNotifyLocked(client)) return;
    keyOnConnecting_.reset();
  }
  // Outside the lock: the main thread may be calling into the manager right now.
  post(ConnectionManagerLoginSucceedNotification, {{ConnectionManagerConnectionModeKey, mode}});
}

void ConnectionManager::networkClient(NetworkClient& client, int disconnectedByReason,
                                      const std::optional<StreamError>& error) {
  const int mode = parseConnectionMode(client);
  bool report = false;
  {
    std::lock_guard lock(mutex_);
    if (&client == clientOnConnection_.get() && shouldNotifyLocked(client)) {
      keyOnConnecting_.reset();
      clientOnConnection_.reset();
      report = true;
    }
    if (const auto key = parseRequestQueueKey(client)) connectRequestManager_.responseReceived(*key);
  }
  if (!report) return;
  UserInfo info{{ConnectionManagerConnectionModeKey, mode},
                {ConnectionManagerDisconnectionReasonKey, disconnectedByReason}};
  if (error) info[ConnectionManagerDisconnectionErrorKey] = *error;
  post(ConnectionManagerDisconnectedNotification, std::move(info));
}

void ConnectionManager::post(const std::string& name, UserInfo userInfo) {
  NotificationCenter::defaultCenter().postOnMainAndWait(name, this, std::move(userInfo));
}

}  // namespace zelvo
