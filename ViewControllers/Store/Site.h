#pragma once
// A stored site (recorder) of the address book; soft-deleted sites stay in the store.

#include "ViewControllers/Store/ManagedObject.h"
#include "ViewControllers/Store/SiteRow.h"

namespace zelvo {

class SiteCamera;

class Site : public ManagedObject, public SiteRow {
 public:
  static const QString kEntityName;  // "Site"

  QUrl objectURI() const override { return ManagedObject::objectURI(); }

  std::optional<QString> name() const override;
  std::optional<QString> address() const override;
  std::optional<qint64> port() const override;
  std::optional<QString> user() const override;
  std::optional<QString> password() const override;
  std::optional<bool> autoLogin() const override;
  std::optional<qint64> index() const override;
  std::optional<qint64> sensorCount() const override;
  std::optional<qint64> alarmCount() const override;
  std::optional<qint64> cameraCount() const override;
  std::optional<bool> autoDetect() const override;
  std::optional<QString> dvrInfo() const override;
  std::optional<qint64> audioCount() const override;
  // The stored "deleted" flag (the soft delete), not whether the object was deleted.
  std::optional<bool> deleted() const;
  std::vector<std::shared_ptr<SiteCameraRow>> cameraRows() const override;
  std::vector<std::shared_ptr<SiteCamera>> cameras() const;

  void setName(std::optional<QString> value) override;
  void setAddress(std::optional<QString> value) override;
  void setPort(std::optional<qint64> value) override;
  void setUser(std::optional<QString> value) override;
  void setPassword(std::optional<QString> value) override;
  void setAutoLogin(std::optional<bool> value) override;
  void setIndex(std::optional<qint64> value) override;
  void setCameraCount(std::optional<qint64> value) override;
  void setDvrInfo(std::optional<QString> value) override;
  void setSensorCount(std::optional<qint64> value);
  void setAlarmCount(std::optional<qint64> value);
  void setAudioCount(std::optional<qint64> value);
  void setAutoDetect(std::optional<bool> value);
  void setDeleted(std::optional<bool> value);

 public:
  using ManagedObject::ManagedObject;
};

}  // namespace zelvo
