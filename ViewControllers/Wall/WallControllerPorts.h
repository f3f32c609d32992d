#pragma once
// What the wall's controller asks of the main window and of the preferences; both
// are wired by the main window once it exists. Main thread only.

#include <QString>
#include <QVariant>
#include <memory>

#include "Network/Live/LiveClient.h"
#include "ViewControllers/Wall/VideoViewPreferences.h"

namespace zelvo {

class SiteInfo;

class WallMainWindowPort {
 public:
  virtual ~WallMainWindowPort() = default;
  // Whether to go on connecting the site; may ask the operator for login details
  // (and so run a modal dialog) and change the record.
  virtual bool requestLoginInfoForSiteInfo(const std::shared_ptr<SiteInfo>& site) = 0;
  // The stored site follows the record and the recorder's camera list.
  virtual void updateSiteFromSiteInfo(const std::shared_ptr<SiteInfo>& site, const CameraInfoArray& cameras) = 0;
};

inline const QString PreferenceAutoReconnectFlagKey = QStringLiteral("Preference Auto Reconnect Flag");
inline const QString PreferenceAutoReconnectIntervalKey = QStringLiteral("Preference Auto Reconnect Interval");
// The same store the view reads ("Preference Aspect Ratio" is defined with it).
using WallPreferencesPort = VideoViewPreferences;

}  // namespace zelvo
