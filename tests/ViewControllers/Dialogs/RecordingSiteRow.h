#pragma once
// A stored site for the dialog tests: plain fields, and the names of the setters in the
// order the dialog called them.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

#include "ViewControllers/Store/SiteRow.h"

namespace zelvo::test {

class RecordingSiteRow : public SiteRow {
 public:
  explicit RecordingSiteRow(QUrl uri = QUrl(QStringLiteral("zelvo-store://Site/p1"))) : uri_(std::move(uri)) {}

  QUrl objectURI() const override { return uri_; }
  std::optional<QString> name() const override { return name_; }
  std::optional<QString> address() const override { return address_; }
  std::optional<qint64> port() const override { return port_; }
  std::optional<QString> user() const override { return user_; }
  std::optional<QString> password() const override { return password_; }
  std::optional<bool> autoLogin() const override { return autoLogin_; }
  std::optional<qint64> index() const override { return index_; }
  std::optional<qint64> sensorCount() const override { return std::nullopt; }
  std::optional<qint64> alarmCount() const override { return std::nullopt; }
  std::optional<qint64> cameraCount() const override { return cameraCount_; }
  std::optional<bool> autoDetect() const override { return std::nullopt; }
  std::optional<QString> dvrInfo() const override { return dvrInfo_; }
  std::optional<qint64> audioCount() const override { return std::nullopt; }
  std::vector<std::shared_ptr<SiteCameraRow>> cameraRows() const override { return {}; }

  void setName(std::optional<QString> v) override { written_ << "name"; name_ = std::move(v); }
  void setAddress(std::optional<QString> v) override { written_ << "address"; address_ = std::move(v); }
  void setPort(std::optional<qint64> v) override { written_ << "port"; port_ = v; }
  void setUser(std::optional<QString> v) override { written_ << "user"; user_ = std::move(v); }
  void setPassword(std::optional<QString> v) override { written_ << "password"; password_ = std::move(v); }
  void setAutoLogin(std::optional<bool> v) override { written_ << "autoLogin"; autoLogin_ = v; }
  void setIndex(std::optional<qint64> v) override { written_ << "index"; index_ = v; }
  void setCameraCount(std::optional<qint64> v) override { written_ << "cameraCount"; cameraCount_ = v; }
  void setDvrInfo(std::optional<QString> v) override { written_ << "dvrInfo"; dvrInfo_ = std::move(v); }

  // Filled without being recorded, as the store would hand the row over.
  std::optional<QString> name_, address_, user_, password_, dvrInfo_;
  std::optional<qint64> port_, index_, cameraCount_;
  std::optional<bool> autoLogin_;
  QStringList written_;

 private:
  QUrl uri_;
};

}  // namespace zelvo::test
