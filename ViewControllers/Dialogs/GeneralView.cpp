#include "ViewControllers/Dialogs/GeneralView.h"

#include <QCheckBox>
#include <cmath>

#include "Foundation/Assert.h"
#include "ViewControllers/Controls/NSNumbericTextField.h"
#include "ViewControllers/Dialogs/PreferenceFile.h"
#include "ViewControllers/Controls/Stepper.h"

namespace zelvo {

namespace {

constexpr int IntervalFieldCharacters = 2;

}  // namespace

GeneralView::GeneralView(QWidget* parent) : QWidget(parent) {}

template <typename T>
T* GeneralView::outlet(const char* name) {
  T* control = findChild<T*>(QString::fromLatin1(name));
  // The form is part of the program: a missing control is a broken build.
  ZELVO_ASSERT(control != nullptr, "the form has no %s", name);
  return control;
}

void GeneralView::awakeFromNib(const PreferenceFile& preferences) {
  preferences_ = &preferences;
  aspectRatioCheckBox_ = outlet<QCheckBox>("aspectRatioCheckBox");
  autoReconnectCheckBox_ = outlet<QCheckBox>("autoReconnectCheckBox");
  autoReconnectIntervalField_ = outlet<NSNumbericTextField>("autoReconnectIntervalField");
  sequenceIntervalField_ = outlet<NSNumbericTextField>("sequenceIntervalField");
  autoReconnectIntervalStepper_ = outlet<Stepper>("autoReconnectIntervalStepper");
  sequenceIntervalStepper_ = outlet<Stepper>("sequenceIntervalStepper");
  loadValues();
  autoReconnectIntervalField_->setMaxStringCount(IntervalFieldCharacters);
  sequenceIntervalField_->setMaxStringCount(IntervalFieldCharacters);
  title_ = QStringLiteral("General");
}

void GeneralView::loadValues() {
  ZELVO_PRECONDITION(preferences_ != nullptr);
  // The readers' values, clamped and defaulted, so that a hand-edited file cannot put a
  // text or an out-of-range number in front of the operator.
  const int sequence = preferences_->sequenceInterval();
  sequenceIntervalField_->setStoredText(QString::number(sequence));
  sequenceIntervalStepper_->setValue(sequence);

  autoReconnectCheckBox_->setChecked(preferences_->autoReconnectFlag());
  const double interval = preferences_->autoReconnectInterval();
  autoReconnectIntervalField_->setStoredText(QString::number(interval));
  autoReconnectIntervalStepper_->setValue(static_cast<int>(std::trunc(interval)));
  autoReconnectIntervalField_->setEnabled(autoReconnectCheckBox_->isChecked());

  aspectRatioCheckBox_->setChecked(preferences_->aspectRatio());
}

QString GeneralView::sequenceDuration() const { return sequenceIntervalField_->text(); }

int GeneralView::autoReconnectState() const { return checkBoxState(autoReconnectCheckBox_); }

int GeneralView::checkBoxState(const QCheckBox* checkBox) { return checkBox->isChecked() ? 1 : 0; }

}  // namespace zelvo
