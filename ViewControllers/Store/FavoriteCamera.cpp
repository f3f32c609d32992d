#include "ViewControllers/Store/FavoriteCamera.h"

#include "ViewControllers/Store/Favorite.h"
#include "ViewControllers/Store/ManagedObjectValues.h"

namespace zelvo {

using store::flag;
using store::number;
using store::text;
using store::variant;

const QString FavoriteCamera::kEntityName = QStringLiteral("FavoriteCamera");

std::optional<qint64> FavoriteCamera::cameraNumber() const { return number(value(u"cameraNumber")); }
std::optional<qint64> FavoriteCamera::planeNumber() const { return number(value(u"planeNumber")); }
std::optional<QString> FavoriteCamera::siteID() const { return text(value(u"siteID")); }

void FavoriteCamera::setCameraNumber(std::optional<qint64> v) { setValue(u"cameraNumber", variant(v)); }
void FavoriteCamera::setPlaneNumber(std::optional<qint64> v) { setValue(u"planeNumber", variant(v)); }
void FavoriteCamera::setSiteID(std::optional<QString> v) { setValue(u"siteID", variant(v)); }

std::shared_ptr<Favorite> FavoriteCamera::favorite() const { return std::static_pointer_cast<Favorite>(object(u"favorite")); }

void FavoriteCamera::setFavorite(const std::shared_ptr<Favorite>& favorite) { setObject(u"favorite", favorite); }

}  // namespace zelvo
