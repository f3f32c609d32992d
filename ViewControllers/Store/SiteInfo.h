#pragma once
// A site as a connection target: one recorder, or one camera of it (index >= 1).
// Every field may be empty. Records are shared: setters share what they are given,
// and the wall's attachments are the same objects the controllers change.

#include <QMap>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

#include "ViewControllers/Store/ConnectionTarget.h"

namespace zelvo {

class SiteRow;
class SiteCameraRow;

// Camera number as decimal text without leading zeros ("1", "2", ...) -> title.
using CameraTitleMap = QMap<QString, QString>;

class SiteInfo : public ConnectionTarget {
 public:
  // Type 0, the sixteen default titles "1" -> "CAM1" ... "16" -> "CAM16", all else empty.
  SiteInfo();
  static std::shared_ptr<SiteInfo> create() { return std::make_shared<SiteInfo>(); }
  // A record from a stored site: its identity as siteID, its fields, its camera titles.
  static std::shared_ptr<SiteInfo> makeSiteInfo(const SiteRow& site);

  QStringList mutableKeys() const override;

  // camTitles[decimal cameraIndex] := title for each record; other entries stay.
  void setCameraTitles(const std::vector<std::shared_ptr<SiteCameraRow>>& cameras);
  // The title under the decimal text of n, or "" when there is none.
  QString cameraTitleAtIndex(qint64 n) const;

  const std::optional<QUrl>& siteID() const { return siteID_; }
  void setSiteID(std::optional<QUrl> v) { siteID_ = std::move(v); }
  const std::optional<QString>& name() const { return name_; }
  void setName(std::optional<QString> v) { name_ = std::move(v); }
  const std::optional<QString>& address() const { return address_; }
  void setAddress(std::optional<QString> v) { address_ = std::move(v); }
  std::optional<qint64> port() const { return port_; }
  void setPort(std::optional<qint64> v) { port_ = v; }
  std::optional<bool> autoLogin() const { return autoLogin_; }
  void setAutoLogin(std::optional<bool> v) { autoLogin_ = v; }
  const std::optional<QString>& user() const { return user_; }
  void setUser(std::optional<QString> v) { user_ = std::move(v); }
  const std::optional<QString>& password() const { return password_; }
  void setPassword(std::optional<QString> v) { password_ = std::move(v); }
  std::optional<qint64> index() const { return index_; }
  void setIndex(std::optional<qint64> v) { index_ = v; }
  std::optional<qint64> sensorCount() const { return sensorCount_; }
  void setSensorCount(std::optional<qint64> v) { sensorCount_ = v; }
  std::optional<qint64> alarmCount() const { return alarmCount_; }
  void setAlarmCount(std::optional<qint64> v) { alarmCount_ = v; }
  std::optional<qint64> cameraCount() const { return cameraCount_; }
  void setCameraCount(std::optional<qint64> v) { cameraCount_ = v; }
  std::optional<bool> autoDetect() const { return autoDetect_; }
  void setAutoDetect(std::optional<bool> v) { autoDetect_ = v; }
  const std::optional<QString>& dvrInfo() const { return dvrInfo_; }
  void setDvrInfo(std::optional<QString> v) { dvrInfo_ = std::move(v); }
  const std::optional<QString>& versionInfo() const { return versionInfo_; }
  void setVersionInfo(std::optional<QString> v) { versionInfo_ = std::move(v); }
  std::optional<qint64> audioCount() const { return audioCount_; }
  void setAudioCount(std::optional<qint64> v) { audioCount_ = v; }
  // The mutable title map, shared with whoever set it; null when empty.
  const std::shared_ptr<CameraTitleMap>& camTitles() const { return camTitles_; }
  void setCamTitles(std::shared_ptr<CameraTitleMap> v) { camTitles_ = std::move(v); }

 private:
  std::optional<QUrl> siteID_;
  std::optional<QString> name_;
  std::optional<QString> address_;
  std::optional<qint64> port_;
  std::optional<bool> autoLogin_;
  std::optional<QString> user_;
  std::optional<QString> password_;
  std::optional<qint64> index_;
  std::optional<qint64> sensorCount_;
  std::optional<qint64> alarmCount_;
  std::optional<qint64> cameraCount_;
  std::optional<bool> autoDetect_;
  std::optional<QString> dvrInfo_;
  std::optional<QString> versionInfo_;
  std::optional<qint64> audioCount_;
  std::shared_ptr<CameraTitleMap> camTitles_;
};

// Equality as the record layer means it: two empty values are never equal (an empty
// siteID matches nothing, not every other empty siteID).
template <typename T>
bool objcEqual(const std::optional<T>& a, const std::optional<T>& b) {
  return a.has_value() && b.has_value() && *a == *b;
}

}  // namespace zelvo
