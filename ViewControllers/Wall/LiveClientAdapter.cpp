#include "ViewControllers/Wall/LiveClientAdapter.h"

#include "Foundation/Assert.h"

namespace zelvo {

LiveClientAdapter::LiveClientAdapter(std::shared_ptr<LiveClient> client) : client_(std::move(client)) {
  ZELVO_PRECONDITION(client_ != nullptr);
}

void LiveClientAdapter::connectToHost(const std::string& host, unsigned port, const std::string& userName,
                                      const std::string& password) {
  client_->connectToHost(host, port, userName, password);
}

void LiveClientAdapter::disconnect() { client_->disconnect(); }
bool LiveClientAdapter::isConnected() const { return client_->isConnected(); }
bool LiveClientAdapter::isDisconnected() const { return client_->isDisconnected(); }
std::vector<std::any> LiveClientAdapter::attachments() const { return client_->attachments(); }
void LiveClientAdapter::setAttachments(std::vector<std::any> attachments) {
  client_->setAttachments(std::move(attachments));
}
CameraInfoArray LiveClientAdapter::cameraInfoArray() const { return client_->cameraInfoArray(); }
std::shared_ptr<const SyncInfo> LiveClientAdapter::peerInfo() const { return client_->peerInfo(); }
void LiveClientAdapter::sendVideoChannelMask(BitMask32 mask) { client_->sendVideoChannelMask(mask); }
void LiveClientAdapter::sendAudioChannelMask(BitMask32 mask) { client_->sendAudioChannelMask(mask); }

void LiveClientAdapter::setMediaFrameHandler(LiveClient::MediaFrameHandler handler) {
  client_->setMediaFrameHandler(std::move(handler));
}

Observation LiveClientAdapter::addObserver(const std::string& name, NotificationCenter::Callback callback) {
  return client_->addObserver(name, std::move(callback));
}

const void* LiveClientAdapter::notificationObject() const {
  return static_cast<const NetworkClient*>(client_.get());
}

std::shared_ptr<NetworkClient> LiveClientAdapter::networkClient() const { return client_; }

namespace {

class SharedLiveClientFactory : public LiveClientFactory {
 public:
  std::shared_ptr<LiveClientPort> makeLiveClient() override {
    return std::make_shared<LiveClientAdapter>(LiveClient::create());
  }
};

}  // namespace

LiveClientFactory& sharedLiveClientFactory() {
  static SharedLiveClientFactory* factory = new SharedLiveClientFactory;
  return *factory;
}

}  // namespace zelvo
