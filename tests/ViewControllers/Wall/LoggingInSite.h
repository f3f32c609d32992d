#pragma once
// A site that logs in by itself with a stored user and password: what a target dropped
// on the wall carries when nothing takes its login away.

#include <memory>

#include "ViewControllers/Store/SiteInfo.h"

namespace zelvo::test {

inline std::shared_ptr<SiteInfo> loggingInSite(bool autoDetect = true, qint64 index = 2) {
  auto site = SiteInfo::create();
  site->setName(QStringLiteral("Depot"));
  site->setAddress(QStringLiteral("10.0.0.7"));
  site->setPort(9000);
  site->setUser(QStringLiteral("admin"));
  site->setPassword(QStringLiteral("secret"));
  site->setAutoLogin(true);
  site->setAutoDetect(autoDetect);
  site->setIndex(index);
  site->setCameraCount(4);
  return site;
}

}  // namespace zelvo::test
