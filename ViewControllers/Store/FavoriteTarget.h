#pragma once
// A saved wall arrangement: plane number (0-based) -> the camera to show there.

#include <QString>
#include <QUrl>
#include <map>
#include <memory>
#include <optional>

#include "ViewControllers/Store/ConnectionTarget.h"
#include "ViewControllers/Store/FavoriteCameraTarget.h"

namespace zelvo {

using FavoriteCameraMap = std::map<qint64, std::shared_ptr<FavoriteCameraTarget>>;

class FavoriteTarget : public ConnectionTarget {
 public:
  FavoriteTarget() : ConnectionTarget(ConnectionTargetTypeFavorite) {}
  static std::shared_ptr<FavoriteTarget> create() { return std::make_shared<FavoriteTarget>(); }

  QStringList mutableKeys() const override;

  FavoriteCameraMap& favoriteCameras() { return favoriteCameras_; }
  const FavoriteCameraMap& favoriteCameras() const { return favoriteCameras_; }
  void setFavoriteCameras(FavoriteCameraMap v) { favoriteCameras_ = std::move(v); }
  const std::optional<QUrl>& favoriteID() const { return favoriteID_; }
  void setFavoriteID(std::optional<QUrl> v) { favoriteID_ = std::move(v); }
  const std::optional<QString>& name() const { return name_; }
  void setName(std::optional<QString> v) { name_ = std::move(v); }

 private:
  FavoriteCameraMap favoriteCameras_;
  std::optional<QUrl> favoriteID_;
  std::optional<QString> name_;
};

}  // namespace zelvo
