#include "ViewControllers/Store/ConnectionTargetArchive.h"

#include <QCborMap>
#include <QCborStreamReader>
#include <QCborValue>
#include <array>

namespace zelvo {

namespace {

// The class tag of every archived record.
const QString ClassKey = QStringLiteral("$class");
const QString SiteInfoClass = QStringLiteral("SiteInfo");
const QString FavoriteTargetClass = QStringLiteral("FavoriteTarget");
const QString FavoriteCameraTargetClass = QStringLiteral("FavoriteCameraTarget");

// ---- Values. An empty field is written as null; a value of the wrong type reads as
// an empty field, so one bad entry costs that field and not the record.

QCborValue cborValue(const std::optional<QString>& v) { return v ? QCborValue(*v) : QCborValue(nullptr); }
QCborValue cborValue(const std::optional<QUrl>& v) {
  return v ? QCborValue(v->toString(QUrl::FullyEncoded)) : QCborValue(nullptr);
}
QCborValue cborValue(const std::optional<qint64>& v) { return v ? QCborValue(*v) : QCborValue(nullptr); }
QCborValue cborValue(const std::optional<bool>& v) { return v ? QCborValue(*v) : QCborValue(nullptr); }

std::optional<QString> toText(const QCborValue& v) {
  if (!v.isString()) return std::nullopt;
  return v.toString();
}
std::optional<QUrl> toUrl(const QCborValue& v) {
  QUrl url;
  if (v.isUrl()) {
    url = v.toUrl();
  } else if (v.isString()) {
    url = QUrl(v.toString(), QUrl::StrictMode);
  }
  if (!url.isValid()) return std::nullopt;
  return url;
}
std::optional<qint64> toInteger(const QCborValue& v) {
  if (!v.isInteger()) return std::nullopt;
  return v.toInteger();
}
std::optional<bool> toBool(const QCborValue& v) {
  if (!v.isBool()) return std::nullopt;
  return v.toBool();
}

QCborValue encodeTitles(const std::shared_ptr<CameraTitleMap>& titles) {
  if (!titles) return QCborValue(nullptr);
  QCborMap map;
  for (auto it = titles->cbegin(); it != titles->cend(); ++it) map.insert(it.key(), it.value());
  return map;
}

std::shared_ptr<CameraTitleMap> decodeTitles(const QCborValue& v) {
  if (!v.isMap()) return nullptr;
  auto titles = std::make_shared<CameraTitleMap>();
  const QCborMap map = v.toMap();
  for (auto it = map.cbegin(); it != map.cend(); ++it) {
    // Entries that are not text to text are not titles; the rest of the map stands.
    if (it.key().isString() && it.value().isString()) titles->insert(it.key().toString(), it.value().toString());
  }
  return titles;
}

// ---- SiteInfo: one entry per archive key, in the order of SiteInfo::mutableKeys()
// (a test holds the two lists together).

struct SiteField {
  const char* key;
  QCborValue (*encode)(const SiteInfo&);
  void (*decode)(SiteInfo&, const QCborValue&);
};

const std::array<SiteField, 16> SiteFields = {{
    {"siteID", [](const SiteInfo& s) { return cborValue(s.siteID()); },
     [](SiteInfo& s, const QCborValue& v) { s.setSiteID(toUrl(v)); }},
    {"name", [](const SiteInfo& s) { return cborValue(s.name()); },
     [](SiteInfo& s, const QCborValue& v) { s.setName(toText(v)); }},
    {"address", [](const SiteInfo& s) { return cborValue(s.address()); },
     [](SiteInfo& s, const QCborValue& v) { s.setAddress(toText(v)); }},
    {"port", [](const SiteInfo& s) { return cborValue(s.port()); },
     [](SiteInfo& s, const QCborValue& v) { s.setPort(toInteger(v)); }},
    {"autoLogin", [](const SiteInfo& s) { return cborValue(s.autoLogin()); },
     [](SiteInfo& s, const QCborValue& v) { s.setAutoLogin(toBool(v)); }},
    {"user", [](const SiteInfo& s) { return cborValue(s.user()); },
     [](SiteInfo& s, const QCborValue& v) { s.setUser(toText(v)); }},
    {"password", [](const SiteInfo& s) { return cborValue(s.password()); },
     [](SiteInfo& s, const QCborValue& v) { s.setPassword(toText(v)); }},
    {"index", [](const SiteInfo& s) { return cborValue(s.index()); },
     [](SiteInfo& s, const QCborValue& v) { s.setIndex(toInteger(v)); }},
    {"sensorCount", [](const SiteInfo& s) { return cborValue(s.sensorCount()); },
     [](SiteInfo& s, const QCborValue& v) { s.setSensorCount(toInteger(v)); }},
    {"alarmCount", [](const SiteInfo& s) { return cborValue(s.alarmCount()); },
     [](SiteInfo& s, const QCborValue& v) { s.setAlarmCount(toInteger(v)); }},
    {"cameraCount", [](const SiteInfo& s) { return cborValue(s.cameraCount()); },
     [](SiteInfo& s, const QCborValue& v) { s.setCameraCount(toInteger(v)); }},
    {"autoDetect", [](const SiteInfo& s) { return cborValue(s.autoDetect()); },
     [](SiteInfo& s, const QCborValue& v) { s.setAutoDetect(toBool(v)); }},
    {"dvrInfo", [](const SiteInfo& s) { return cborValue(s.dvrInfo()); },
     [](SiteInfo& s, const QCborValue& v) { s.setDvrInfo(toText(v)); }},
    {"versionInfo", [](const SiteInfo& s) { return cborValue(s.versionInfo()); },
     [](SiteInfo& s, const QCborValue& v) { s.setVersionInfo(toText(v)); }},
    {"audioCount", [](const SiteInfo& s) { return cborValue(s.audioCount()); },
     [](SiteInfo& s, const QCborValue& v) { s.setAudioCount(toInteger(v)); }},
    {"camTitles", [](const SiteInfo& s) { return encodeTitles(s.camTitles()); },
     [](SiteInfo& s, const QCborValue& v) { s.setCamTitles(decodeTitles(v)); }},
}};

QCborMap encodeSite(const SiteInfo& site) {
  QCborMap map;
  map.insert(ClassKey, SiteInfoClass);
  for (const SiteField& field : SiteFields) map.insert(QString::fromLatin1(field.key), field.encode(site));
  return map;
}

std::shared_ptr<SiteInfo> decodeSite(const QCborMap& map) {
  // Plain init first, so that type and the default titles are in place; then every
  // key in order, an absent one (a null value) giving an empty field.
  auto site = SiteInfo::create();
  for (const SiteField& field : SiteFields) field.decode(*site, map.value(QString::fromLatin1(field.key)));
  return site;
}

bool hasClass(const QCborValue& value, const QString& cls) {
  return value.isMap() && value.toMap().value(ClassKey) == QCborValue(cls);
}

// ---- FavoriteCameraTarget and FavoriteTarget.

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
  camera->setCamera(toInteger(map.value(QStringLiteral("camera"))).value_or(0));
  QCborValue site = map.value(QStringLiteral("siteInfo"));
  if (hasClass(site, SiteInfoClass)) camera->setSiteInfo(decodeSite(site.toMap()));
  return camera;
}

QCborMap encodeFavorite(const FavoriteTarget& favorite) {
  QCborMap map;
  map.insert(ClassKey, FavoriteTargetClass);
  map.insert(QStringLiteral("name"), cborValue(favorite.name()));
  map.insert(QStringLiteral("favoriteID"), cborValue(favorite.favoriteID()));
  QCborMap cameras;
  for (const auto& [plane, camera] : favorite.favoriteCameras()) {
    if (camera) cameras.insert(plane, encodeFavoriteCamera(*camera));
  }
  map.insert(QStringLiteral("favoriteCameras"), cameras);
  return map;
}

std::shared_ptr<FavoriteTarget> decodeFavorite(const QCborMap& map) {
  auto favorite = FavoriteTarget::create();
  favorite->setName(toText(map.value(QStringLiteral("name"))));
  favorite->setFavoriteID(toUrl(map.value(QStringLiteral("favoriteID"))));
  QCborValue cameras = map.value(QStringLiteral("favoriteCameras"));
  if (!cameras.isMap()) return favorite;
  const QCborMap entries = cameras.toMap();
  for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
    // Only planes of the wall: the wall binds each key as a plane number, and a
    // foreign archive may name any.
    if (!it.key().isInteger()) continue;
    const qint64 plane = it.key().toInteger();
    if (plane < 0 || plane >= ArchivedFavoritePlaneCount) continue;
    if (!hasClass(it.value(), FavoriteCameraTargetClass)) continue;
    favorite->favoriteCameras()[plane] = decodeFavoriteCamera(it.value().toMap());
  }
  return favorite;
}

// One CBOR map and nothing after it, within the size limit.
std::optional<QCborMap> readRoot(const QByteArray& data) {
  if (data.isEmpty() || data.size() > MaxConnectionTargetArchiveSize) return std::nullopt;
  QCborStreamReader reader(data);
  if (reader.type() != QCborStreamReader::Map) return std::nullopt;
  QCborValue root = QCborValue::fromCbor(reader);
  if (reader.lastError() != QCborError::NoError || !root.isMap()) return std::nullopt;
  if (reader.currentOffset() != data.size()) return std::nullopt;
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
  const QCborValue cls = root->value(ClassKey);
  if (cls == QCborValue(SiteInfoClass)) return decodeSite(*root);
  if (cls == QCborValue(FavoriteTargetClass)) return decodeFavorite(*root);
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
  // The archive form without its bytes: nothing shared survives it, and no size
  // limit of a foreign archive applies to a record of our own.
  return decodeSite(encodeSite(site));
}

}  // namespace zelvo
