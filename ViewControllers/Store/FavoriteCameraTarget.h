#pragma once
// One plane of a favourite: the camera bound there and the site it belongs to.

#include <QStringList>
#include <memory>

#include "ViewControllers/Store/SiteInfo.h"

namespace zelvo {

class FavoriteCameraTarget {
 public:
  static std::shared_ptr<FavoriteCameraTarget> create() { return std::make_shared<FavoriteCameraTarget>(); }
  // The archive keys, in order.
  static QStringList mutableKeys();

  qint64 camera() const { return camera_; }
  void setCamera(qint64 v) { camera_ = v; }
  const std::shared_ptr<SiteInfo>& siteInfo() const { return siteInfo_; }
  void setSiteInfo(std::shared_ptr<SiteInfo> v) { siteInfo_ = std::move(v); }

 private:
  qint64 camera_ = 0;
  std::shared_ptr<SiteInfo> siteInfo_;
};

}  // namespace zelvo
