#pragma once
// The preferences window and the one way to the preference values. Made at start-up,
// before any window that reads the values; its form loads when it is first shown. Every
// edit is written at once and announced; every close of the window (a window, not a
// dialog: Escape does not close it behind the save's back) writes and announces all four
// values again. Main thread only.

#include <QMainWindow>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "ViewControllers/Dialogs/PreferenceFile.h"
#include "ViewControllers/Store/PropertyList.h"
#include "ViewControllers/Wall/VideoViewPreferences.h"

namespace Ui {
class PreferenceController;
}

namespace zelvo {

class GeneralView;

// Posted on the main thread with the controller as the object (as a const void* of the
// PreferenceController*). The user info is keyed by the preference keys
// (PreferenceFile.h), each value a QVariant as preferenceValueForKey gives it: the
// sequence interval; the reconnection flag and interval; the aspect-ratio flag.
// Observers that act on a change read the values back through the typed readers.
inline const std::string PreferenceSequenceNotification = "PreferenceSequenceNotification";
inline const std::string PreferenceAutoReconnectNotification = "PreferenceAutoReconnectNotification";
inline const std::string PreferenceAspectRatioNotification = "PreferenceAspectRatioNotification";

class PreferenceController : public QMainWindow, public VideoViewPreferences {
  Q_OBJECT
 public:
  explicit PreferenceController(PreferenceFile preferences = PreferenceFile(), QWidget* parent = nullptr);
  ~PreferenceController() override;

  // The value stored under the key, read from the file at every call: the user's, else
  // the shipped default; an invalid QVariant for a key that neither holds. The four
  // preference keys read as checked: the intervals clamped to 5..60 and a missing or
  // non-number value as the shipped default, so no reader can start a timer at 0.
  QVariant preferenceValueForKey(const QString& key) const override;
  // What readers act on: intervals in 5..60 seconds, never 0; flags on exactly at 1.
  int sequenceInterval() const { return preferences_.sequenceInterval(); }
  double autoReconnectInterval() const { return preferences_.autoReconnectInterval(); }
  bool autoReconnectFlag() const { return preferences_.autoReconnectFlag(); }
  bool aspectRatio() const { return preferences_.aspectRatio(); }
  const PreferenceFile& preferences() const { return preferences_; }

  // The pane; loads the window's form on first use.
  GeneralView* generalView();
  // Window title from the pane, its toolbar item selected.
  void setPreferView(GeneralView* view);

  void saveValue(const PropertyListValue& value, const QString& key);
  void saveValue(const PropertyListValue& value, const QString& key, const std::string& notificationName);
  void saveUserInfo(const UserInfo& userInfo, const std::string& notificationName);
  void pushNotificationName(const std::string& name, const PropertyListValue& changedValue, const QString& key);
  void pushNotificationName(const std::string& name, const UserInfo& userInfo);

  // The number a decimal text holds (an integer when it is whole), none for any other text.
  static std::optional<PropertyListValue> valueFromString(const QString& text);
  // For the interval keys: a number whose integer lies in 5..60 sets the key's stepper
  // and comes back; anything else resets the key's field to the stepper and gives the
  // stepper's value. Other keys: the number as it came.
  std::optional<PropertyListValue> validateValue(const std::optional<PropertyListValue>& number, const QString& key);

  // The pane's control actions.
  void setSequenceDuration();
  void handleSequenceInterval();
  void setAutoReconnect();
  void setAutoReconnectInterval();
  void handleAutoReconnectInterval();
  void setAspectRatio();
  // The close action: aspect, reconnection, sequence, each saved and announced.
  void saveSetups();

  void setVisible(bool visible) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  PropertyListValue validatedText(const QString& text, const QString& key);
  void loadWindow();
  void windowDidLoad();

  PreferenceFile preferences_;
  std::unique_ptr<Ui::PreferenceController> ui_;
  std::vector<QMetaObject::Connection> actions_;
};

}  // namespace zelvo
