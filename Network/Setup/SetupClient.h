#pragma once
// The connection through which the operator drives a recorder's own setup menus:
// the recorder streams its screen as PNG pictures placed at offsets, and mouse
// clicks and key presses go back as input events. One process-wide instance.
//
// Threads: messages are parsed (and pictures decoded) on the network thread. The
// picture and size notifications reach observers on the main thread; the busy
// notification is posted on the network thread itself. Senders may be called
// from any thread.

#include <memory>
#include <string>

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "Network/NetworkClient.h"
#include "Network/Setup/KeyInput.h"
#include "Network/Setup/MouseInput.h"
#include "Network/Setup/OSDImage.h"
#include "Network/Setup/SetupClientDelegate.h"

namespace zelvo {

// SetupOSDImageNotification: SetupOSDImageKey (std::shared_ptr<const OSDImage>)
// SetupOSDSizeNotification: SetupOSDScreenSizeKey (QSizeF), SetupOSDDialogRectKey (QRectF)
// SetupBusyNotification: no user info; posted on the network thread
inline const std::string SetupOSDImageNotification = "SetupOSDImageNotification";
inline const std::string SetupOSDSizeNotification = "SetupOSDSizeNotification";
inline const std::string SetupBusyNotification = "SetupBusyNotification";
inline const std::string SetupOSDImageKey = "SetupOSDImageKey";
inline const std::string SetupOSDScreenSizeKey = "SetupOSDScreenSizeKey";
inline const std::string SetupOSDDialogRectKey = "SetupOSDDialogRectKey";

class SetupClient : public NetworkClient {
 public:
  static constexpr int Profile = 3;

  // The one instance, made on the first call and never destroyed.
  static const std::shared_ptr<SetupClient>& sharedClient();
  // Instances of their own, for tests and tools.
  static std::shared_ptr<SetupClient> create(std::shared_ptr<NetworkThread> thread = nullptr);
  explicit SetupClient(std::shared_ptr<NetworkThread> thread = nullptr);

  // The mouse form with the record's state and type. A point that is not finite
  // cannot name a place on the recorder's screen: the event is dropped with a
  // log line.
  void sendMouseInput(const MouseInput& input);
  // The primary button.
  void sendMouseInputState(int state, QPointF atPoint);
  // Down, then up, at the same point.
  void sendMouseClickAtPoint(QPointF point);
  void sendKeyInput(const KeyInput& input);

 protected:
  int supportingProfile() const override { return Profile; }
  void analyzePacket(const std::shared_ptr<Packet>& packet) override;

  void handleOSDSizeMessage(Packet& packet);
  void handleOSDImageMessage(Packet& packet);
  void handleSetupBusyMessage(Packet& packet);

 private:
  SetupClientDelegate* setupDelegate() const;
  // One 774 message with the input's 8 bytes.
  template <typename Input>
  void sendInput(const Input& input);
};

}  // namespace zelvo
