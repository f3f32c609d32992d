#include "ViewControllers/SitePanel/LogViewCore.h"

#include <algorithm>

#include "Network/Live/LiveEnumerations.h"
#include "Network/Live/SystemEventInfo.h"
#include "Network/NetworkClient.h"

namespace zelvo::logview {

std::vector<LogRow> eventRows(int type, int64_t cameraCount, uint32_t mask, const QString& siteName) {
  QString format;
  QString image;
  switch (type) {
    case EventInfoTypeMotion: format = QStringLiteral("Motion %1 (%2)"), image = QString::fromLatin1(MotionImage); break;
    case EventInfoTypeSensor: format = QStringLiteral("Sensor %1 (%2)"), image = QString::fromLatin1(SensorImage); break;
    case EventInfoTypeTextIn: format = QStringLiteral("Text-In %1 (%2)"), image = QString::fromLatin1(TextInImage); break;
    default: return {};
  }
  std::vector<LogRow> rows;
  const int64_t last = std::min<int64_t>(cameraCount, 32);
  for (int64_t n = 1; n <= last; ++n) {
    if (mask & (uint32_t{1} << (n - 1))) rows.push_back({format.arg(n).arg(siteName), image});
  }
  return rows;
}

std::vector<LogRow> systemRows(const SystemEventInfo& info, const QString& siteName) {
  std::vector<LogRow> rows;
  auto add = [&](bool on, const char* format, const char* image) {
    if (on) rows.push_back({QString::fromLatin1(format).arg(siteName), QString::fromLatin1(image)});
  };
  add(info.smartBad(), "S.M.A.R.T. Bad (%1)", SmartBadImage);
  add(info.smartTemperature(), "S.M.A.R.T. Temperature (%1)", SmartTemperatureImage);
  add(info.diskBad(), "Disk Bad (%1)", SmartBadImage);
  add(info.recordDiskFull(), "Record Disk Full (%1)", RecordFullImage);
  return rows;
}

std::optional<LogRow> disconnectionRow(int reason, bool isSetupClient, const QString& siteName) {
  if (isSetupClient || reason == NetworkDisconnectionReasonLocal) return std::nullopt;
  const QString text = QString::fromStdString(NetworkDisconnectionReasonDescription(reason));
  return LogRow{QStringLiteral("Network Disconnected : %1 (%2)").arg(text, siteName),
                QString::fromLatin1(DisconnectedImage)};
}

}  // namespace zelvo::logview
