#pragma once
// The preferences the wall's view reads itself (the application's preference store).

#include <QString>
#include <QVariant>

namespace zelvo {

inline const QString PreferenceAspectRatioKey = QStringLiteral("Preference Aspect Ratio");

class VideoViewPreferences {
 public:
  virtual ~VideoViewPreferences() = default;
  // The stored value, or an invalid QVariant when there is none.
  virtual QVariant preferenceValueForKey(const QString& key) const = 0;
};

}  // namespace zelvo
