#include "ViewControllers/Store/FavoriteCameraTarget.h"

namespace zelvo {

QStringList FavoriteCameraTarget::mutableKeys() {
  static const QStringList keys{"camera", "siteInfo"};
  return keys;
}

}  // namespace zelvo
