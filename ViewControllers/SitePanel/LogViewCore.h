#pragma once
// What the event log writes for each thing that happens on a site: the rows of an
// event record, of a system record and of a disconnection. Plain functions, so the
// texts are checked without a window.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace zelvo {

class SystemEventInfo;

namespace logview {

constexpr int MaxRows = 1000;

// Image names as the resources know them.
inline const char* const DisconnectedImage = "log_disconnected.png";
inline const char* const MotionImage = "log_motion.png";
inline const char* const SensorImage = "log_sensor.png";
inline const char* const TextInImage = "log_textin.png";
inline const char* const SmartBadImage = "log_smartbad.png";
inline const char* const SmartTemperatureImage = "log_smart temperature.png";
inline const char* const RecordFullImage = "log_record full.png";
inline const char* const BackgroundImage = "log_bg.png";

struct LogRow {
  QString title;
  QString imageName;
  friend bool operator==(const LogRow&, const LogRow&) = default;
};

// The rows of one event record of type 2 (motion), 3 (sensor) or 4 (text-in), in
// the order they are added: camera n = 1 up to the count, for each set bit n - 1.
// The mask holds 32 cameras, so a larger count stops at camera 32 (camera 33 would
// otherwise be reported with camera 1's bit). Any other type gives no row.
std::vector<LogRow> eventRows(int type, int64_t cameraCount, uint32_t mask, const QString& siteName);
// smartBad, smartTemperature, diskBad, recordDiskFull, in that order; the other
// four flags make no row.
std::vector<LogRow> systemRows(const SystemEventInfo& info, const QString& siteName);
// A row only for a live connection lost for a reason other than the user's own
// disconnect (0); remote-setup connections are never logged.
std::optional<LogRow> disconnectionRow(int reason, bool isSetupClient, const QString& siteName);

}  // namespace logview
}  // namespace zelvo
