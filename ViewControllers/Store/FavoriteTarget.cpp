#include "ViewControllers/Store/FavoriteTarget.h"

namespace zelvo {

QStringList FavoriteTarget::mutableKeys() const {
  static const QStringList keys{"name", "favoriteID", "favoriteCameras"};
  return keys;
}

}  // namespace zelvo
