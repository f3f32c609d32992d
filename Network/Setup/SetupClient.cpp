#include "Network/Setup/SetupClient.h"

#include <cmath>

#include "Foundation/Log.h"
#include "Foundation/NotificationCenter.h"
#include "Network/MessageType.h"
#include "Network/Setup/OSDSizeInfo.h"

namespace zelvo {

const std::shared_ptr<SetupClient>& SetupClient::sharedClient() {
  // Deliberately leaked: the instance lives until the process ends.
  static const auto* instance = new std::shared_ptr<SetupClient>(create());
  return *instance;
}

std::shared_ptr<SetupClient> SetupClient::create(std::shared_ptr<NetworkThread> thread) {
  return std::make_shared<SetupClient>(std::move(thread));
}

SetupClient::SetupClient(std::shared_ptr<NetworkThread> thread) : NetworkClient(std::move(thread)) {}

SetupClientDelegate* SetupClient::setupDelegate() const { return dynamic_cast<SetupClientDelegate*>(delegate()); }

void SetupClient::analyzePacket(const std::shared_ptr<Packet>& packet) {
  // Reads end where the payload ends, whatever capacity the receive packet has.
  int64_t end = Packet::HeaderSize + packet->payloadSize();
  if (end < packet->limit()) packet->resetWithLimit(end);
  packet->seekToPayload();
  switch (packet->messageType()) {
    case MessageTypeOSDSize: handleOSDSizeMessage(*packet); break;
    case MessageTypeOSDImage: handleOSDImageMessage(*packet); break;
    case MessageTypeSetupBusy: handleSetupBusyMessage(*packet); break;
    default: NetworkClient::analyzePacket(packet); break;
  }
}

void SetupClient::handleOSDSizeMessage(Packet& packet) {
  OSDSizeInfo info(packet);
  if (auto* d = setupDelegate()) d->setupOSDScreenSize(info.screenSize, info.dialogRect);
  postNotificationName(SetupOSDSizeNotification,
                       {{SetupOSDScreenSizeKey, info.screenSize}, {SetupOSDDialogRectKey, info.dialogRect}});
}

void SetupClient::handleOSDImageMessage(Packet& packet) {
  std::shared_ptr<const OSDImage> image = OSDImage::create(packet);
  if (!image) return;  // logged by OSDImage
  if (auto* d = setupDelegate()) d->setupOSDImageReceived(image);
  postNotificationName(SetupOSDImageNotification, {{SetupOSDImageKey, image}});
}

void SetupClient::handleSetupBusyMessage(Packet&) {
  if (auto* d = setupDelegate()) d->setupBusy();
  // Nothing observes it on the main thread: it goes out here, on the network thread.
  NotificationCenter::defaultCenter().post(SetupBusyNotification, this);
}

void SetupClient::sendMouseInput(const MouseInput& input) {
  if (!std::isfinite(input.point.x()) || !std::isfinite(input.point.y())) {
    zelvoLog("Mouse input at a point that is not finite dropped");
    return;
  }
  sendInput(input);
}

void SetupClient::sendMouseInputState(int state, QPointF atPoint) {
  sendMouseInput(MouseInput{MouseInputTypePrimary, state, atPoint});
}

void SetupClient::sendMouseClickAtPoint(QPointF point) {
  sendMouseInputState(MouseInputStateDown, point);
  sendMouseInputState(MouseInputStateUp, point);
}

void SetupClient::sendKeyInput(const KeyInput& input) { sendInput(input); }

template <typename Input>
void SetupClient::sendInput(const Input& input) {
  auto packet = Packet::createWithMessageType(MessageTypeSetupInput);
  if (!packet) {
    zelvoLog("No memory for a setup input event; not sent");
    return;
  }
  input.writeTo(*packet);
  packet->pack();
  sendPacket(std::move(packet));
}

}  // namespace zelvo
