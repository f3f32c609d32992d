#pragma once
// The one pane of the preferences window: page rotation, automatic reconnection and
// aspect ratio. Its controls are made by the form "PreferenceController" and found by
// their names; the pane fills them from the preferences when the form has loaded.

#include <QString>
#include <QWidget>

class QCheckBox;

namespace zelvo {

class NSNumbericTextField;
class PreferenceFile;
class Stepper;

class GeneralView : public QWidget {
  Q_OBJECT
 public:
  explicit GeneralView(QWidget* parent = nullptr);

  // After the form has made the controls: takes them, limits both interval fields to
  // two characters, names the pane "General" and loads the values.
  void awakeFromNib(const PreferenceFile& preferences);
  // The fields and steppers from the stored intervals, the checkboxes from the flags;
  // the reconnection field is enabled only while reconnection is on.
  void loadValues();

  const QString& title() const { return title_; }
  void setTitle(QString title) { title_ = std::move(title); }
  QString sequenceDuration() const;  // the sequence field's text
  int autoReconnectState() const;    // the reconnection checkbox: 1 on, 0 off

  QCheckBox* aspectRatioCheckBox() const { return aspectRatioCheckBox_; }
  QCheckBox* autoReconnectCheckBox() const { return autoReconnectCheckBox_; }
  NSNumbericTextField* autoReconnectIntervalField() const { return autoReconnectIntervalField_; }
  NSNumbericTextField* sequenceIntervalField() const { return sequenceIntervalField_; }
  Stepper* autoReconnectIntervalStepper() const { return autoReconnectIntervalStepper_; }
  Stepper* sequenceIntervalStepper() const { return sequenceIntervalStepper_; }

  // A checkbox as the stored flag: 1 on, 0 off.
  static int checkBoxState(const QCheckBox* checkBox);

 private:
  template <typename T>
  T* outlet(const char* name);

  const PreferenceFile* preferences_ = nullptr;
  QString title_;
  QCheckBox* aspectRatioCheckBox_ = nullptr;
  QCheckBox* autoReconnectCheckBox_ = nullptr;
  NSNumbericTextField* autoReconnectIntervalField_ = nullptr;
  NSNumbericTextField* sequenceIntervalField_ = nullptr;
  Stepper* autoReconnectIntervalStepper_ = nullptr;
  Stepper* sequenceIntervalStepper_ = nullptr;
};

}  // namespace zelvo
