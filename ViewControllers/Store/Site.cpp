#include "ViewControllers/Store/Site.h"

#include "ViewControllers/Store/ManagedObjectValues.h"
#include "ViewControllers/Store/SiteCamera.h"

namespace zelvo {

using store::flag;
using store::number;
using store::text;
using store::variant;

const QString Site::kEntityName = QStringLiteral("Site");

std::optional<QString> Site::name() const { return text(value(u"name")); }
std::optional<QString> Site::address() const { return text(value(u"address")); }
std::optional<qint64> Site::port() const { return number(value(u"port")); }
std::optional<QString> Site::user() const { return text(value(u"user")); }
std::optional<QString> Site::password() const { return text(value(u"password")); }
std::optional<bool> Site::autoLogin() const { return flag(value(u"autoLogin")); }
std::optional<qint64> Site::index() const { return number(value(u"index")); }
std::optional<qint64> Site::sensorCount() const { return number(value(u"sensorCount")); }
std::optional<qint64> Site::alarmCount() const { return number(value(u"alarmCount")); }
std::optional<qint64> Site::cameraCount() const { return number(value(u"cameraCount")); }
std::optional<bool> Site::autoDetect() const { return flag(value(u"autoDetect")); }
std::optional<QString> Site::dvrInfo() const { return text(value(u"dvrInfo")); }
std::optional<qint64> Site::audioCount() const { return number(value(u"audioCount")); }
std::optional<bool> Site::deleted() const { return flag(value(u"deleted")); }

void Site::setName(std::optional<QString> v) { setValue(u"name", variant(v)); }
void Site::setAddress(std::optional<QString> v) { setValue(u"address", variant(v)); }
void Site::setPort(std::optional<qint64> v) { setValue(u"port", variant(v)); }
void Site::setUser(std::optional<QString> v) { setValue(u"user", variant(v)); }
void Site::setPassword(std::optional<QString> v) { setValue(u"password", variant(v)); }
void Site::setAutoLogin(std::optional<bool> v) { setValue(u"autoLogin", variant(v)); }
void Site::setIndex(std::optional<qint64> v) { setValue(u"index", variant(v)); }
void Site::setSensorCount(std::optional<qint64> v) { setValue(u"sensorCount", variant(v)); }
void Site::setAlarmCount(std::optional<qint64> v) { setValue(u"alarmCount", variant(v)); }
void Site::setCameraCount(std::optional<qint64> v) { setValue(u"cameraCount", variant(v)); }
void Site::setAutoDetect(std::optional<bool> v) { setValue(u"autoDetect", variant(v)); }
void Site::setDvrInfo(std::optional<QString> v) { setValue(u"dvrInfo", variant(v)); }
void Site::setAudioCount(std::optional<qint64> v) { setValue(u"audioCount", variant(v)); }
void Site::setDeleted(std::optional<bool> v) { setValue(u"deleted", variant(v)); }

std::vector<std::shared_ptr<SiteCamera>> Site::cameras() const {
  std::vector<std::shared_ptr<SiteCamera>> result;
  for (auto& object : objects(u"cameras")) result.push_back(std::static_pointer_cast<SiteCamera>(object));
  return result;
}

std::vector<std::shared_ptr<SiteCameraRow>> Site::cameraRows() const {
  std::vector<std::shared_ptr<SiteCameraRow>> result;
  for (auto& camera : cameras()) result.push_back(camera);
  return result;
}

}  // namespace zelvo
