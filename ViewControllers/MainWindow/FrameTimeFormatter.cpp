#include "ViewControllers/MainWindow/FrameTimeFormatter.h"

#include <unicode/udat.h>
#include <unicode/udatpg.h>

namespace zelvo {

namespace {
const QString NoTime = QStringLiteral("--");

std::u16string utf16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
}
}  // namespace

struct FrameTimeFormatter::Icu {
  UDateFormat* format = nullptr;
  ~Icu() {
    if (format) udat_close(format);
  }
};

FrameTimeFormatter::FrameTimeFormatter()
    : FrameTimeFormatter(DateTimeUtility::sharedDateTimeUtility()->locale(),
                         DateTimeUtility::sharedDateTimeUtility()->timeZone()) {}

FrameTimeFormatter::FrameTimeFormatter(std::string locale, QTimeZone zone)
    : utility_(std::move(zone), locale), icu_(std::make_unique<Icu>()) {
  UErrorCode status = U_ZERO_ERROR;
  UDateTimePatternGenerator* generator = udatpg_open(locale.c_str(), &status);
  if (U_FAILURE(status)) return;
  const std::u16string skeleton = utf16(QString::fromLatin1(Skeleton));
  UChar best[128];
  const int32_t length = udatpg_getBestPattern(generator, reinterpret_cast<const UChar*>(skeleton.data()),
                                               static_cast<int32_t>(skeleton.size()), best, 128, &status);
  udatpg_close(generator);
  if (U_FAILURE(status) || length <= 0 || length > 128) return;
  pattern_ = QString::fromUtf16(reinterpret_cast<const char16_t*>(best), length);
  const std::u16string zoneId = utf16(QString::fromUtf8(utility_.timeZone().id()));
  icu_->format = udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.c_str(), reinterpret_cast<const UChar*>(zoneId.data()),
                           static_cast<int32_t>(zoneId.size()), best, length, &status);
  if (U_FAILURE(status)) {
    if (icu_->format) udat_close(icu_->format);
    icu_->format = nullptr;
  }
}

FrameTimeFormatter::~FrameTimeFormatter() = default;

QString FrameTimeFormatter::dateTimeString(const DateTime& time) const {
  if (time.isBlank() || !icu_->format) return NoTime;
  const QDateTime instant = utility_.nsdateFromDateTime(time);
  if (!instant.isValid()) return NoTime;
  UErrorCode status = U_ZERO_ERROR;
  UChar text[128];
  const int32_t length =
      udat_format(icu_->format, static_cast<UDate>(instant.toMSecsSinceEpoch()), text, 128, nullptr, &status);
  if (U_FAILURE(status) || length <= 0 || length > 128) return NoTime;
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace zelvo
