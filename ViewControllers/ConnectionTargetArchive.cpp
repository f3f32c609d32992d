#include "ViewControllers/ConnectionTargetArchive.h"

#include <QCborMap>
#include <QCborValue>

namespace zelvo {

namespace {

// The class tag of every archived record.
const QString ClassKey = QStringLiteral("$class");
const QString SiteInfoClass = QStringLiteral("SiteInfo");
const QString FavoriteTargetClass = QStringLiteral("FavoriteTarget");
const QString FavoriteCameraTargetClass = QStringLiteral("FavoriteCameraTarget");

QCborValue optionalValue(const std::optional<QString>& v) { return v ? QCborValue(*v) : QCborValue(nullptr); }
QCborValue optionalValue(const std::optional<QUrl>& v) {
  return v ? QCborValue(v->toString(QUrl::FullyEncoded)) : QCborValue(nullptr);
}
QCborValue optionalValue(const std::optional<qint64>& v) { return v ? QCborValue(*v) : QCborValue(nullptr); }
QCborValue optionalValue(const std::optional<bool>& v) { return v ? QCborValue(*v) : QCborValue(nullptr); }

std::optional<QString> textField(const QCborMap& map, const QString& key) {
  QCborValue v = map.value(key);
  if (!v.isString()) return std::nullopt;
  return v.toString();
}
std::optional<QUrl> urlField(const QCborMap& map, const QString& key) {
  QCborValue v = map.value(key);
  if (!v.isString()) return std::nullopt;
  QUrl url(v.toString(), QUrl::StrictMode);
  if (!url.isValid()) return std::nullopt;
  return url;
}
std::optional<qint64> integerField(const QCborMap& map, const QString& key) {
  QCborValue v = map.value(key);
  if (!v.isInteger()) return std::nullopt;
  return v.toInteger();
}
std::optional<bool> boolField(const QCborMap& map, const QString& key) {
  QCborValue v = map.value(key);
  if (!v.isBool()) return std::nullopt;
  return v.toBool();
}

QCborMap encodeSite(const SiteInfo& site) {
  QCborMap map;
  map.insert(ClassKey, SiteInfoClass);
  map.insert(QStringLiteral("siteID"), optionalValue(site.siteID()));
  map.insert(QStringLiteral("name"), optionalValue(site.name()));
  map.insert(QStringLiteral("address"), optionalValue(site.address()));
  map.insert(QStringLiteral("port"), optionalValue(site.port()));
  map.insert(QStringLiteral("autoLogin"), optionalValue(site.autoLogin()));
  map.insert(QStringLiteral("user"), optionalValue(site.user()));
  map.insert(QStringLiteral("password"), optionalValue(site.password()));
  map.insert(QStringLiteral("index"), optionalValue(site.index()));
  map.insert(QStringLiteral("sensorCount"), optionalValue(site.sensorCount()));
  map.insert(QStringLiteral("alarmCount"), optionalValue(site.alarmCount()));
  map.insert(QStringLiteral("cameraCount"), optionalValue(site.cameraCount()));
  map.insert(QStringLiteral("autoDetect"), optionalValue(site.autoDetect()));
  map.insert(QStringLiteral("dvrInfo"), optionalValue(site.dvrInfo()));
  map.insert(QStringLiteral("versionInfo"), optionalValue(site.versionInfo()));
  map.insert(QStringLiteral("audioCount"), optionalValue(site.audioCount()));
  if (const auto& titles = site.camTitles()) {
    QCborMap titleMap;
    for (auto it = titles->cbegin(); it != titles->cend(); ++it) titleMap.insert(it.key(), it.value());
    map.insert(QStringLiteral("camTitles"), titleMap);
  } else {
    map.insert(QStringLiteral("camTitles"), QCborValue(nullptr));
  }
  return map;
}

std::shared_ptr<SiteInfo> decodeSite(const QCborMap& map) {
  // Plain init first, so that type is in place; then every key, an absent or
  // wrong-typed one giving an empty field.
  auto site = SiteInfo::create();
  site->setSiteID(urlField(map, QStringLiteral("siteID")));
  site->setName(textField(map, QStringLiteral("name")));
  site->setAddress(textField(map, QStringLiteral("address")));
  site->setPort(integerField(map, QStringLiteral("port")));
  site->setAutoLogin(boolField(map, QStringLiteral("autoLogin")));
  site->setUser(textField(map, QStringLiteral("user")));
  site->setPassword(textField(map, QStringLiteral("password")));
  site->setIndex(integerField(map, QStringLiteral("index")));
  site->setSensorCount(integerField(map, QStringLiteral("sensorCount")));
  site->setAlarmCount(integerField(map, QStringLiteral("alarmCount")));
  site->setCameraCount(integerField(map, QStringLiteral("cameraCount")));
  site->setAutoDetect(boolField(map, QStringLiteral("autoDetect")));
  site->setDvrInfo(textField(map, QStringLiteral("dvrInfo")));
  site->setVersionInfo(textField(map, QStringLiteral("versionInfo")));
  site->setAudioCount(integerField(map, QStringLiteral("audioCount")));
  QCborValue titles = map.value(QStringLiteral("camTitles"));
  if (titles.isMap()) {
    auto titleMap = std::make_shared<CameraTitleMap>();
    const QCborMap cbor = titles.toMap();
    for (auto it = cbor.cbegin(); it != cbor.cend(); ++it) {
      // Entries that are not text to text are not titles; the rest of the map stands.
      if (it.key().isString() && it.value().isString()) titleMap->insert(it.key().toString(), it.value().toString());
    }
    site->setCamTitles(std::move(titleMap));
  } else {
    site->setCamTitles(nullptr);
  }
  return site;
}

QCborMap encodeFavoriteCamera(const FavoriteCameraTarget& camera) {
  QCborMap map;
  map.insert(ClassKey, FavoriteCameraTargetClass);
  map.insert(QStringLiteral("camera"), camera.camera());
  map.insert(QStringLiteral("siteInfo"),
             camera.siteInfo() ? QCborValue(encodeSite(*camera.siteInfo())) : QCborValue(nullptr));
  return map;
}

std::shared_ptr<FavoriteCameraTarget> decodeFavoriteCamera(const QCborMap& map) {
  auto camera = FavoriteCameraTarget::create();
  camera->setCamera(integerField(map, QStringLiteral("camera")).value_or(0));
  QCborValue site = map.value(QStringLiteral("siteInfo"));
  if (site.isMap() && site.toMap().value(ClassKey).toString() == SiteInfoClass) camera->setSiteInfo(decodeSite(site.toMap()));
  return camera;
}

QCborMap encodeFavorite(const FavoriteTarget& favorite) {
  QCborMap map;
  map.insert(ClassKey, FavoriteTargetClass);
  map.insert(QStringLiteral("name"), optionalValue(favorite.name()));
  map.insert(QStringLiteral("favoriteID"), optionalValue(favorite.favoriteID()));
  QCborMap cameras;
  for (const auto& [plane, camera] : favorite.favoriteCameras()) {
    cameras.insert(plane, camera ? QCborValue(encodeFavoriteCamera(*camera)) : QCborValue(nullptr));
  }
  map.insert(QStringLiteral("favoriteCameras"), cameras);
  return map;
}

std::shared_ptr<FavoriteTarget> decodeFavorite(const QCborMap& map) {
  auto favorite = FavoriteTarget::create();
  favorite->setName(textField(map, QStringLiteral("name")));
  favorite->setFavoriteID(urlField(map, QStringLiteral("favoriteID")));
  QCborValue cameras = map.value(QStringLiteral("favoriteCameras"));
  if (cameras.isMap()) {
    const QCborMap cbor = cameras.toMap();
    for (auto it = cbor.cbegin(); it != cbor.cend(); ++it) {
      if (!it.key().isInteger() || !it.value().isMap()) continue;
      const QCborMap camera = it.value().toMap();
      if (camera.value(ClassKey).toString() != FavoriteCameraTargetClass) continue;
      favorite->favoriteCameras()[it.key().toInteger()] = decodeFavoriteCamera(camera);
    }
  }
  return favorite;
}

std::optional<QCborMap> readRoot(const QByteArray& data) {
  if (data.isEmpty()) return std::nullopt;
  QCborParserError error;
  QCborValue root = QCborValue::fromCbor(data, &error);
  if (error.error != QCborError::NoError || !root.isMap()) return std::nullopt;
  return root.toMap();
}

}  // namespace

QByteArray archivedDataWithRootObject(const ConnectionTarget& target) {
  if (auto* site = dynamic_cast<const SiteInfo*>(&target)) return QCborValue(encodeSite(*site)).toCbor();
  if (auto* favorite = dynamic_cast<const FavoriteTarget*>(&target)) return QCborValue(encodeFavorite(*favorite)).toCbor();
  return QByteArray();
}

std::shared_ptr<ConnectionTarget> unarchiveConnectionTarget(const QByteArray& data) {
  auto root = readRoot(data);
  if (!root) return nullptr;
  const QString cls = root->value(ClassKey).toString();
  if (cls == SiteInfoClass) return decodeSite(*root);
  if (cls == FavoriteTargetClass) return decodeFavorite(*root);
  return nullptr;
}

std::shared_ptr<SiteInfo> unarchiveSiteInfo(const QByteArray& data) {
  return std::dynamic_pointer_cast<SiteInfo>(unarchiveConnectionTarget(data));
}

std::shared_ptr<FavoriteTarget> unarchiveFavoriteTarget(const QByteArray& data) {
  return std::dynamic_pointer_cast<FavoriteTarget>(unarchiveConnectionTarget(data));
}

QByteArray cameraTargetArchive(const QByteArray& siteArchive, qint64 n) {
  auto site = unarchiveSiteInfo(siteArchive);
  if (!site) return QByteArray();
  site->setIndex(n);
  return archivedDataWithRootObject(*site);
}

std::shared_ptr<SiteInfo> deepCopy(const SiteInfo& site) {
  return unarchiveSiteInfo(archivedDataWithRootObject(site));
}

}  // namespace zelvo
