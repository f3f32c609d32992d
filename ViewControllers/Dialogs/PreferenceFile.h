#pragma once
// The operator's four preferences. The shipped defaults are compiled in (":/Info.plist");
// the operator's values live in an XML property list "Info.plist" in the application's
// configuration folder, which an installed program can write where it cannot write its
// own files. The user's file is read at every call, so every read sees the last write.
// Main thread only.

#include <QString>
#include <optional>

#include "ViewControllers/Store/PropertyList.h"
#include "ViewControllers/Wall/VideoViewPreferences.h"  // PreferenceAspectRatioKey
#include "ViewControllers/Wall/WallControllerPorts.h"   // PreferenceAutoReconnectFlagKey, ...IntervalKey

namespace zelvo {

// The keys of the property list, also the user-info keys of the preference
// notifications: this one, and the three that the wall's readers define.
inline const QString PreferenceSequenceIntervalKey = QStringLiteral("Preference Sequence Interval");

class PreferenceFile {
 public:
  // Both intervals are seconds within these bounds.
  static constexpr int MinimumInterval = 5;
  static constexpr int MaximumInterval = 60;

  // "Info.plist" in QStandardPaths::AppConfigLocation.
  static QString defaultUserPath();
  static QString shippedDefaultsPath() { return QStringLiteral(":/Info.plist"); }

  explicit PreferenceFile(QString userPath = defaultUserPath(), QString defaultsPath = shippedDefaultsPath());

  const QString& userPath() const { return userPath_; }
  // Read once: they are part of the program. An empty dictionary when they do not read.
  const PropertyListValue& shippedDefaults() const { return defaults_; }

  // The user's dictionary as the file holds it now; none when the file is missing or
  // does not read as a dictionary (logged, except for a missing file).
  std::optional<PropertyListValue> userValues() const;

  // The user's value under the key, else the shipped one; none for a key neither has.
  std::optional<PropertyListValue> valueForKey(const QString& key) const;
  // The same, except that the four preference keys give the value the typed readers
  // below act on (an integer, or float seconds for the reconnection interval).
  std::optional<PropertyListValue> checkedValueForKey(const QString& key) const;

  // Starts from the user's file, else from the shipped defaults, sets the key and
  // writes the whole dictionary back atomically. A failure is logged and answers false;
  // the file on disk is then as it was.
  bool saveValue(const PropertyListValue& value, const QString& key) const;

  // What readers act on. The intervals are clamped to MinimumInterval..MaximumInterval;
  // a key that is missing or holds no number reads as the shipped default, so no reader
  // ever sees 0. The flags are on exactly when the value's integer is 1.
  int sequenceInterval() const;
  double autoReconnectInterval() const;
  bool autoReconnectFlag() const;
  bool aspectRatio() const;

 private:
  std::optional<double> intervalNumber(const QString& key) const;
  std::optional<qint64> flagNumber(const QString& key) const;

  QString userPath_;
  PropertyListValue defaults_;
};

}  // namespace zelvo
