#pragma once
// One camera of a stored site: its 1-based number and its title.

#include "ViewControllers/Store/ManagedObject.h"
#include "ViewControllers/Store/SiteRow.h"

namespace zelvo {

class Site;

class SiteCamera : public ManagedObject, public SiteCameraRow {
 public:
  static const QString kEntityName;  // "SiteCamera"

  std::optional<qint64> cameraIndex() const override;
  std::optional<QString> title() const override;
  std::shared_ptr<Site> site() const;

  void setCameraIndex(std::optional<qint64> value);
  void setTitle(std::optional<QString> value);
  // Also adds the camera to the site's cameras (and takes it off its former site's).
  void setSite(const std::shared_ptr<Site>& site);

 public:
  using ManagedObject::ManagedObject;
};

}  // namespace zelvo
