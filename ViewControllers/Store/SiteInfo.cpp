#include "ViewControllers/Store/SiteInfo.h"

#include "ViewControllers/Store/SiteRow.h"

namespace zelvo {

namespace {
constexpr int DefaultTitleCount = 16;
}

SiteInfo::SiteInfo() : ConnectionTarget(ConnectionTargetTypeSite), camTitles_(std::make_shared<CameraTitleMap>()) {
  for (int n = 1; n <= DefaultTitleCount; ++n) camTitles_->insert(QString::number(n), QStringLiteral("CAM%1").arg(n));
}

std::shared_ptr<SiteInfo> SiteInfo::makeSiteInfo(const SiteRow& site) {
  auto info = create();
  info->setSiteID(site.objectURI());
  info->setName(site.name());
  info->setAddress(site.address());
  info->setPort(site.port());
  info->setUser(site.user());
  info->setPassword(site.password());
  info->setAutoLogin(site.autoLogin());
  info->setIndex(site.index());
  info->setSensorCount(site.sensorCount());
  info->setAlarmCount(site.alarmCount());
  info->setCameraCount(site.cameraCount());
  info->setAutoDetect(site.autoDetect());
  info->setDvrInfo(site.dvrInfo());
  info->setAudioCount(site.audioCount());
  info->setCameraTitles(site.cameraRows());
  return info;
}

QStringList SiteInfo::mutableKeys() const {
  static const QStringList keys{"siteID",      "name",       "address",     "port",       "autoLogin",  "user",
                                "password",    "index",      "sensorCount", "alarmCount", "cameraCount", "autoDetect",
                                "dvrInfo",     "versionInfo", "audioCount", "camTitles"};
  return keys;
}

void SiteInfo::setCameraTitles(const std::vector<std::shared_ptr<SiteCameraRow>>& cameras) {
  for (const auto& camera : cameras) {
    if (!camera) continue;
    auto index = camera->cameraIndex();
    // A row without a number has no key to go under; an empty title stays empty.
    if (!index) continue;
    if (!camTitles_) camTitles_ = std::make_shared<CameraTitleMap>();
    camTitles_->insert(QString::number(*index), camera->title().value_or(QString()));
  }
}

QString SiteInfo::cameraTitleAtIndex(qint64 n) const {
  if (!camTitles_) return QString();
  return camTitles_->value(QString::number(n));
}

}  // namespace zelvo
