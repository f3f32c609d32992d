#pragma once
// The optional receiver of a remote-setup client's pictures, sizes and busy
// answers, called on the network thread before the matching notification.

#include <QRectF>
#include <QSizeF>

#include "Network/NetworkClientDelegate.h"
#include "Network/Setup/OSDImage.h"

namespace zelvo {

class SetupClientDelegate : public NetworkClientDelegate {
 public:
  virtual void setupBusy() {}
  virtual void setupOSDImageReceived(const std::shared_ptr<const OSDImage>& /*image*/) {}
  virtual void setupOSDScreenSize(QSizeF /*size*/, QRectF /*dialogRect*/) {}
};

}  // namespace zelvo
