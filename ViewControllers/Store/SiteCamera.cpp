#include "ViewControllers/Store/SiteCamera.h"

#include "ViewControllers/Store/ManagedObjectValues.h"
#include "ViewControllers/Store/Site.h"

namespace zelvo {

using store::flag;
using store::number;
using store::text;
using store::variant;

const QString SiteCamera::kEntityName = QStringLiteral("SiteCamera");

std::optional<qint64> SiteCamera::cameraIndex() const { return number(value(u"cameraIndex")); }
std::optional<QString> SiteCamera::title() const { return text(value(u"title")); }

void SiteCamera::setCameraIndex(std::optional<qint64> v) { setValue(u"cameraIndex", variant(v)); }
void SiteCamera::setTitle(std::optional<QString> v) { setValue(u"title", variant(v)); }

std::shared_ptr<Site> SiteCamera::site() const { return std::static_pointer_cast<Site>(object(u"site")); }

void SiteCamera::setSite(const std::shared_ptr<Site>& site) { setObject(u"site", site); }

}  // namespace zelvo
