#pragma once
// What the wall's controller uses of a live recorder connection, so that the
// controller can be tested against a recording fake. LiveClientAdapter is the one
// over a real LiveClient.
//
// Main thread, except where a member says otherwise. A client delivers its
// notifications on the main thread with notificationObject() as their object.

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "Network/BitMask32.h"
#include "Network/Live/LiveClient.h"
#include "Network/SyncInfo.h"

namespace zelvo {

class NetworkClient;

class LiveClientPort {
 public:
  virtual ~LiveClientPort() = default;

  // Queued to the network thread in call order.
  virtual void connectToHost(const std::string& host, unsigned port, const std::string& userName,
                             const std::string& password) = 0;
  virtual void disconnect() = 0;
  // Safe from any thread.
  virtual bool isConnected() const = 0;
  virtual bool isDisconnected() const = 0;

  // The SiteInfo records (std::shared_ptr<SiteInfo>) the client serves, oldest first.
  virtual std::vector<std::any> attachments() const = 0;
  virtual void setAttachments(std::vector<std::any> attachments) = 0;

  // Never null; empty until the recorder's first camera table. Safe from any thread.
  virtual CameraInfoArray cameraInfoArray() const = 0;
  // Null before the sync reply.
  virtual std::shared_ptr<const SyncInfo> peerInfo() const = 0;

  virtual void sendVideoChannelMask(BitMask32 mask) = 0;
  virtual void sendAudioChannelMask(BitMask32 mask) = 0;

  // Media frames, video and audio, go to the handler on the client's network thread,
  // in arrival order, instead of being posted (LiveClient::setMediaFrameHandler); an
  // empty handler clears it. Once the call that clears or replaces a handler returns,
  // that handler is never called again.
  virtual void setMediaFrameHandler(LiveClient::MediaFrameHandler handler) = 0;

  // Observes one notification of this client while the token lives.
  virtual Observation addObserver(const std::string& name, NotificationCenter::Callback callback) = 0;
  virtual const void* notificationObject() const = 0;

  // The connection itself, for the decoders and the reconnecter; null for a client
  // that has none (a test's fake may have none).
  virtual std::shared_ptr<NetworkClient> networkClient() const = 0;
};

// Makes the clients the controller connects.
class LiveClientFactory {
 public:
  virtual ~LiveClientFactory() = default;
  virtual std::shared_ptr<LiveClientPort> makeLiveClient() = 0;
};

// Real clients on the shared network thread.
LiveClientFactory& sharedLiveClientFactory();

}  // namespace zelvo
