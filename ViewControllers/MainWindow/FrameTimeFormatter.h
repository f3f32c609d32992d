#pragma once
// Writes the time of a shown frame as the toolbar strip shows it: the locale's best
// pattern for year, month, day, 12-hour clock hour, minute, second and AM/PM (the
// skeleton "yyyyMMddhhmmssa"), worked out once when the formatter is made, because the
// strip writes a time for every frame of the selected camera.

#include <QString>
#include <QTimeZone>
#include <memory>
#include <string>

#include "Network/DateTime.h"
#include "Network/DateTimeUtility.h"

namespace zelvo {

class FrameTimeFormatter {
 public:
  static constexpr char Skeleton[] = "yyyyMMddhhmmssa";

  // The process's locale and time zone (those of the shared date-time utility).
  FrameTimeFormatter();
  FrameTimeFormatter(std::string locale, QTimeZone zone);
  ~FrameTimeFormatter();
  FrameTimeFormatter(const FrameTimeFormatter&) = delete;
  FrameTimeFormatter& operator=(const FrameTimeFormatter&) = delete;

  // The ICU pattern in use ("" when ICU could make none).
  const QString& pattern() const { return pattern_; }
  // "--" for a blank time or one no calendar can place.
  QString dateTimeString(const DateTime& time) const;

 private:
  struct Icu;
  DateTimeUtility utility_;
  QString pattern_;
  std::unique_ptr<Icu> icu_;
};

}  // namespace zelvo
