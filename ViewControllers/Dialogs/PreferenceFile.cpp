#include "ViewControllers/Dialogs/PreferenceFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

#include "Foundation/Log.h"
#include "Resources/Resources.h"

namespace zelvo {

namespace {

// Only for a program built without its defaults; the shipped file is tested to hold
// every key.
constexpr double FallbackInterval = 10.0;
constexpr bool FallbackFlag = true;

std::optional<double> intervalIn(const PropertyListValue* value) {
  // Booleans are numbers only as flags; an interval of <true/> means nothing.
  if (!value || (value->type() != PropertyListValue::Type::Integer && value->type() != PropertyListValue::Type::Real))
    return std::nullopt;
  std::optional<double> v = value->doubleValue();
  if (!v || !std::isfinite(*v)) return std::nullopt;
  return v;
}

double clampInterval(double seconds) {
  return std::clamp(seconds, double(PreferenceFile::MinimumInterval), double(PreferenceFile::MaximumInterval));
}

}  // namespace

QString PreferenceFile::defaultUserPath() {
  return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/Info.plist");
}

PreferenceFile::PreferenceFile(QString userPath, QString defaultsPath) : userPath_(std::move(userPath)) {
  registerResources();
  QString error;
  std::optional<PropertyListValue> defaults = readPropertyListFile(defaultsPath, &error);
  if (defaults && defaults->isDictionary()) {
    defaults_ = std::move(*defaults);
  } else {
    zelvoLog("Cannot read the default preferences %s: %s", qPrintable(defaultsPath),
             defaults ? "not a dictionary" : qPrintable(error));
  }
}

std::optional<PropertyListValue> PreferenceFile::userValues() const {
  if (!QFileInfo::exists(userPath_)) return std::nullopt;
  QString error;
  std::optional<PropertyListValue> values = readPropertyListFile(userPath_, &error);
  if (values && !values->isDictionary()) {
    values.reset();
    error = QStringLiteral("not a dictionary");
  }
  if (!values)
    zelvoLog("Cannot read the preferences %s: %s; the defaults apply", qPrintable(userPath_), qPrintable(error));
  return values;
}

std::optional<PropertyListValue> PreferenceFile::valueForKey(const QString& key) const {
  if (std::optional<PropertyListValue> user = userValues())
    if (const PropertyListValue* value = user->value(key)) return *value;
  if (const PropertyListValue* value = defaults_.value(key)) return *value;
  return std::nullopt;
}

std::optional<PropertyListValue> PreferenceFile::checkedValueForKey(const QString& key) const {
  if (key == PreferenceSequenceIntervalKey) return PropertyListValue::integer(sequenceInterval());
  if (key == PreferenceAutoReconnectIntervalKey) return PropertyListValue::real(autoReconnectInterval());
  if (key == PreferenceAutoReconnectFlagKey) return PropertyListValue::integer(autoReconnectFlag() ? 1 : 0);
  if (key == PreferenceAspectRatioKey) return PropertyListValue::integer(aspectRatio() ? 1 : 0);
  return valueForKey(key);
}

bool PreferenceFile::saveValue(const PropertyListValue& value, const QString& key) const {
  PropertyListValue root = userValues().value_or(defaults_);
  root.setValue(key, value);
  const QString folder = QFileInfo(userPath_).absolutePath();
  if (!QDir().mkpath(folder)) {
    zelvoLog("Cannot write the preferences %s: cannot make the folder %s", qPrintable(userPath_), qPrintable(folder));
    return false;
  }
  QString error;
  if (!writePropertyListFile(userPath_, root, &error)) {
    zelvoLog("Cannot write the preferences %s: %s", qPrintable(userPath_), qPrintable(error));
    return false;
  }
  return true;
}

std::optional<double> PreferenceFile::intervalNumber(const QString& key) const {
  std::optional<PropertyListValue> user = userValues();
  if (auto v = intervalIn(user ? user->value(key) : nullptr)) return v;
  return intervalIn(defaults_.value(key));
}

std::optional<qint64> PreferenceFile::flagNumber(const QString& key) const {
  std::optional<PropertyListValue> user = userValues();
  if (const PropertyListValue* value = user ? user->value(key) : nullptr)
    if (auto v = value->integerValue()) return v;
  if (const PropertyListValue* value = defaults_.value(key)) return value->integerValue();
  return std::nullopt;
}

int PreferenceFile::sequenceInterval() const {
  // Read as an integer: 5.9 seconds is 5.
  const double seconds = clampInterval(intervalNumber(PreferenceSequenceIntervalKey).value_or(FallbackInterval));
  return static_cast<int>(std::trunc(seconds));
}

double PreferenceFile::autoReconnectInterval() const {
  return clampInterval(intervalNumber(PreferenceAutoReconnectIntervalKey).value_or(FallbackInterval));
}

bool PreferenceFile::autoReconnectFlag() const {
  std::optional<qint64> v = flagNumber(PreferenceAutoReconnectFlagKey);
  return v ? *v == 1 : FallbackFlag;
}

bool PreferenceFile::aspectRatio() const {
  std::optional<qint64> v = flagNumber(PreferenceAspectRatioKey);
  return v ? *v == 1 : FallbackFlag;
}

}  // namespace zelvo
