#pragma once
// What the video wall's view asks of its controller (the notifications it posts for the
// controller are in VideoViewPort.h). The view only reads: every answer reflects the
// controller's table at the moment of the call. Main thread only.

#include <cstdint>
#include <memory>
#include <optional>

#include "Network/Live/CameraInfo.h"
#include "ViewControllers/Store/SiteInfo.h"

namespace zelvo {

class VideoViewControllerQueries {
 public:
  virtual ~VideoViewControllerQueries() = default;

  // networkClientForPlane: is not none (the plane is bound to a camera of some client).
  virtual bool hasNetworkClientForPlane(int64_t plane) const = 0;
  // cameraForPlane: the plane's camera index, or -1 when unbound.
  virtual int64_t cameraForPlane(int64_t plane) const = 0;
  // siteInfoForPlane: the last of the plane's client's attachments, or null.
  virtual std::shared_ptr<SiteInfo> siteInfoForPlane(int64_t plane) const = 0;
  // The entry of the plane's client's cameraInfoArray for the plane's camera; none when
  // the plane is unbound or the client has no such entry (no camera table yet, or a
  // shorter one).
  virtual std::optional<CameraInfo> cameraInfoForPlane(int64_t plane) const = 0;
};

}  // namespace zelvo
