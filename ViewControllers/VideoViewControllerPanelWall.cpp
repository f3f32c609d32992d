#include "ViewControllers/VideoViewControllerPanelWall.h"

#include "ViewControllers/SitePanel/LiveClientPanelPort.h"
#include "ViewControllers/VideoViewController.h"

namespace zelvo {

const void* VideoViewControllerPanelWall::controllerNotificationObject() const {
  return static_cast<const void*>(&controller_);
}

const void* VideoViewControllerPanelWall::viewNotificationObject() const {
  return controller_.videoView().notificationObject();
}

std::shared_ptr<PanelClientPort> VideoViewControllerPanelWall::networkClientForSelectedPlane() const {
  const std::shared_ptr<LiveClientPort> port = controller_.networkClientForSelectedPlane();
  if (!port) return nullptr;
  const std::shared_ptr<LiveClient> client = std::dynamic_pointer_cast<LiveClient>(port->networkClient());
  // A plane's client always has its connection; a stand-in without one shows nothing.
  if (!client) return nullptr;
  return std::make_shared<LiveClientPanelPort>(client);
}

std::shared_ptr<SiteInfo> VideoViewControllerPanelWall::siteInfoForSelectedPlane() const {
  return controller_.siteInfoForSelectedPlane();
}

int64_t VideoViewControllerPanelWall::cameraForSelectedPlane() const { return controller_.cameraForSelectedPlane(); }

std::vector<std::shared_ptr<SiteInfo>> VideoViewControllerPanelWall::allSiteInfosForSelectedPlane() const {
  return controller_.allSiteInfosForSelectedPlane();
}

void VideoViewControllerPanelWall::closeSelectedPlane() { controller_.closeSelectedPlane(); }
void VideoViewControllerPanelWall::reconnectSelectedPlane() { controller_.reconnectSelectedPlane(); }

std::optional<std::string> VideoViewControllerPanelWall::loginRefusalForSelectedPlane() const {
  return controller_.loginRefusalForSelectedPlane();
}

}  // namespace zelvo
