#pragma once
// The stored site record as the targets and the site dialog see it. The store's Site
// implements it; tests use a plain one. Every attribute may be empty, as in the store.

#include <QString>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

namespace zelvo {

class SiteCameraRow {
 public:
  virtual ~SiteCameraRow() = default;
  virtual std::optional<qint64> cameraIndex() const = 0;
  virtual std::optional<QString> title() const = 0;
};

class SiteRow {
 public:
  virtual ~SiteRow() = default;

  // The URI of the record's stored identity.
  virtual QUrl objectURI() const = 0;

  virtual std::optional<QString> name() const = 0;
  virtual std::optional<QString> address() const = 0;
  virtual std::optional<qint64> port() const = 0;
  virtual std::optional<QString> user() const = 0;
  virtual std::optional<QString> password() const = 0;
  virtual std::optional<bool> autoLogin() const = 0;
  virtual std::optional<qint64> index() const = 0;
  virtual std::optional<qint64> sensorCount() const = 0;
  virtual std::optional<qint64> alarmCount() const = 0;
  virtual std::optional<qint64> cameraCount() const = 0;
  virtual std::optional<bool> autoDetect() const = 0;
  virtual std::optional<QString> dvrInfo() const = 0;
  virtual std::optional<qint64> audioCount() const = 0;
  virtual std::vector<std::shared_ptr<SiteCameraRow>> cameraRows() const = 0;

  // What the site dialog writes.
  virtual void setName(std::optional<QString> value) = 0;
  virtual void setAddress(std::optional<QString> value) = 0;
  virtual void setPort(std::optional<qint64> value) = 0;
  virtual void setUser(std::optional<QString> value) = 0;
  virtual void setPassword(std::optional<QString> value) = 0;
  virtual void setAutoLogin(std::optional<bool> value) = 0;
  virtual void setIndex(std::optional<qint64> value) = 0;
  virtual void setCameraCount(std::optional<qint64> value) = 0;
  virtual void setDvrInfo(std::optional<QString> value) = 0;
};

}  // namespace zelvo
