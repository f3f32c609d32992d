#pragma once
// One plane of a stored favourite: the plane, the camera bound to it and the URI text of
// the (hidden) site row the camera belongs to.

#include <optional>

#include "ViewControllers/Store/ManagedObject.h"

namespace zelvo {

class Favorite;

class FavoriteCamera : public ManagedObject {
 public:
  static const QString kEntityName;  // "FavoriteCamera"

  std::optional<qint64> cameraNumber() const;
  std::optional<qint64> planeNumber() const;
  std::optional<QString> siteID() const;
  std::shared_ptr<Favorite> favorite() const;

  void setCameraNumber(std::optional<qint64> value);
  void setPlaneNumber(std::optional<qint64> value);
  void setSiteID(std::optional<QString> value);
  // Also adds the camera to the favourite's cameras.
  void setFavorite(const std::shared_ptr<Favorite>& favorite);

 public:
  using ManagedObject::ManagedObject;
};

}  // namespace zelvo
