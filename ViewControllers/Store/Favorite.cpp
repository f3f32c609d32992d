#include "ViewControllers/Store/Favorite.h"

#include "ViewControllers/Store/FavoriteCamera.h"
#include "ViewControllers/Store/ManagedObjectValues.h"

namespace zelvo {

using store::flag;
using store::number;
using store::text;
using store::variant;

const QString Favorite::kEntityName = QStringLiteral("Favorite");

std::optional<QString> Favorite::name() const { return text(value(u"name")); }
std::optional<QString> Favorite::favoriteInfo() const { return text(value(u"favoriteInfo")); }

void Favorite::setName(std::optional<QString> v) { setValue(u"name", variant(v)); }
void Favorite::setFavoriteInfo(std::optional<QString> v) { setValue(u"favoriteInfo", variant(v)); }

std::vector<std::shared_ptr<FavoriteCamera>> Favorite::cameras() const {
  std::vector<std::shared_ptr<FavoriteCamera>> result;
  for (auto& object : objects(u"cameras")) result.push_back(std::static_pointer_cast<FavoriteCamera>(object));
  return result;
}

}  // namespace zelvo
