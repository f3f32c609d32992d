#pragma once
// A real LiveClient behind the controller's client interface.

#include <memory>

#include "ViewControllers/Wall/LiveClientPort.h"

namespace zelvo {

class LiveClientAdapter : public LiveClientPort {
 public:
  explicit LiveClientAdapter(std::shared_ptr<LiveClient> client);

  void connectToHost(const std::string& host, unsigned port, const std::string& userName,
                     const std::string& password) override;
  void disconnect() override;
  bool isConnected() const override;
  bool isDisconnected() const override;
  std::vector<std::any> attachments() const override;
  void setAttachments(std::vector<std::any> attachments) override;
  CameraInfoArray cameraInfoArray() const override;
  std::shared_ptr<const SyncInfo> peerInfo() const override;
  void sendVideoChannelMask(BitMask32 mask) override;
  void sendAudioChannelMask(BitMask32 mask) override;
  void setMediaFrameHandler(LiveClient::MediaFrameHandler handler) override;
  Observation addObserver(const std::string& name, NotificationCenter::Callback callback) override;
  const void* notificationObject() const override;
  std::shared_ptr<NetworkClient> networkClient() const override;

  const std::shared_ptr<LiveClient>& liveClient() const { return client_; }

 private:
  const std::shared_ptr<LiveClient> client_;
};

}  // namespace zelvo
