#pragma once
// The video wall's controller as the site panel and the toolbar strip read it: its
// answers about the selected plane, with each live client seen through a port that holds
// it weakly.

#include "ViewControllers/SitePanel/SitePanelPorts.h"

namespace zelvo {

class VideoViewController;

class VideoViewControllerPanelWall : public PanelWallPort {
 public:
  // The controller must outlive this.
  explicit VideoViewControllerPanelWall(VideoViewController& controller) : controller_(controller) {}

  const void* controllerNotificationObject() const override;
  const void* viewNotificationObject() const override;
  std::shared_ptr<PanelClientPort> networkClientForSelectedPlane() const override;
  std::shared_ptr<SiteInfo> siteInfoForSelectedPlane() const override;
  int64_t cameraForSelectedPlane() const override;
  std::vector<std::shared_ptr<SiteInfo>> allSiteInfosForSelectedPlane() const override;
  void closeSelectedPlane() override;
  void reconnectSelectedPlane() override;
  std::optional<std::string> loginRefusalForSelectedPlane() const override;

 private:
  VideoViewController& controller_;
};

}  // namespace zelvo
