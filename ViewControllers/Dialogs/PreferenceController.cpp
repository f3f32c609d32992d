#include "ViewControllers/Dialogs/PreferenceController.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLayout>
#include <QLocale>
#include <cmath>

#include "ViewControllers/Dialogs/GeneralView.h"
#include "ViewControllers/Controls/NSNumbericTextField.h"
#include "ViewControllers/Controls/Stepper.h"
#include "ui_PreferenceController.h"

namespace zelvo {

namespace {

// The two keys' values of PreferenceAutoReconnectNotification.
UserInfo reconnectionInfo(const PropertyListValue& flag, const PropertyListValue& interval) {
  return {{PreferenceAutoReconnectFlagKey.toStdString(), flag.toVariant()},
          {PreferenceAutoReconnectIntervalKey.toStdString(), interval.toVariant()}};
}

PropertyListValue stateValue(const QCheckBox* checkBox) {
  return PropertyListValue::integer(GeneralView::checkBoxState(checkBox));
}

}  // namespace

PreferenceController::PreferenceController(PreferenceFile preferences, QWidget* parent)
    : QMainWindow(parent), preferences_(std::move(preferences)) {}

PreferenceController::~PreferenceController() {
  // Going away closes the window, and the field losing the focus would end its editing
  // into this half-destroyed controller: the pane's actions go first.
  for (const QMetaObject::Connection& action : actions_) disconnect(action);
}

QVariant PreferenceController::preferenceValueForKey(const QString& key) const {
  const std::optional<PropertyListValue> value = preferences_.checkedValueForKey(key);
  return value ? value->toVariant() : QVariant();
}

GeneralView* PreferenceController::generalView() {
  loadWindow();
  return ui_->generalView;
}

void PreferenceController::setVisible(bool visible) {
  if (visible) loadWindow();
  QMainWindow::setVisible(visible);
}

void PreferenceController::loadWindow() {
  if (ui_) return;
  ui_ = std::make_unique<Ui::PreferenceController>();
  ui_->setupUi(this);
  ui_->generalView->awakeFromNib(preferences_);
  windowDidLoad();
}

void PreferenceController::windowDidLoad() {
  // One pane, always selected: a click on its item must not leave it unselected.
  auto* panes = new QActionGroup(this);
  panes->addAction(ui_->TOOLBAR_GENERAL);
  connect(ui_->TOOLBAR_GENERAL, &QAction::triggered, this, [this] { setPreferView(ui_->generalView); });
  ui_->toolbar->toggleViewAction()->setVisible(false);
  // The window keeps the size its pane asks for.
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  GeneralView* view = ui_->generalView;
  actions_ = {
      connect(view->sequenceIntervalField(), &QLineEdit::editingFinished, this,
              &PreferenceController::setSequenceDuration),
      connect(view->sequenceIntervalStepper(), &Stepper::activated, this,
              &PreferenceController::handleSequenceInterval),
      connect(view->autoReconnectCheckBox(), &QCheckBox::clicked, this, &PreferenceController::setAutoReconnect),
      connect(view->autoReconnectIntervalField(), &QLineEdit::editingFinished, this,
              &PreferenceController::setAutoReconnectInterval),
      connect(view->autoReconnectIntervalStepper(), &Stepper::activated, this,
              &PreferenceController::handleAutoReconnectInterval),
      connect(view->aspectRatioCheckBox(), &QCheckBox::clicked, this, &PreferenceController::setAspectRatio),
  };

  setPreferView(view);
}

void PreferenceController::setPreferView(GeneralView* view) {
  // The form makes the pane the window's content, and the window takes the pane's size.
  setWindowTitle(view->title());
  ui_->TOOLBAR_GENERAL->setChecked(true);
}

void PreferenceController::closeEvent(QCloseEvent* event) {
  // A field being edited ends its editing first, which runs its own action, as leaving
  // the field would; then the close action saves everything.
  if (QWidget* focused = focusWidget()) focused->clearFocus();
  saveSetups();
  QMainWindow::closeEvent(event);
}

void PreferenceController::saveValue(const PropertyListValue& value, const QString& key) {
  // A failure is logged by the file; the notification still tells what the operator chose.
  preferences_.saveValue(value, key);
}

void PreferenceController::saveValue(const PropertyListValue& value, const QString& key,
                                     const std::string& notificationName) {
  saveValue(value, key);
  pushNotificationName(notificationName, value, key);
}

void PreferenceController::saveUserInfo(const UserInfo& userInfo, const std::string& notificationName) {
  pushNotificationName(notificationName, userInfo);
}

void PreferenceController::pushNotificationName(const std::string& name, const PropertyListValue& changedValue,
                                                const QString& key) {
  pushNotificationName(name, UserInfo{{key.toStdString(), changedValue.toVariant()}});
}

void PreferenceController::pushNotificationName(const std::string& name, const UserInfo& userInfo) {
  NotificationCenter::defaultCenter().post(name, static_cast<const void*>(this), userInfo);
}

std::optional<PropertyListValue> PreferenceController::valueFromString(const QString& text) {
  QLocale locale = QLocale::c();
  locale.setNumberOptions(QLocale::RejectGroupSeparator);
  bool ok = false;
  const qint64 whole = locale.toLongLong(text, &ok);
  if (ok) return PropertyListValue::integer(whole);
  const double real = locale.toDouble(text, &ok);
  if (ok && std::isfinite(real)) return PropertyListValue::real(real);
  return std::nullopt;
}

std::optional<PropertyListValue> PreferenceController::validateValue(const std::optional<PropertyListValue>& number,
                                                                     const QString& key) {
  GeneralView* view = generalView();
  Stepper* stepper = nullptr;
  NSNumbericTextField* field = nullptr;
  if (key == PreferenceSequenceIntervalKey) {
    stepper = view->sequenceIntervalStepper();
    field = view->sequenceIntervalField();
  } else if (key == PreferenceAutoReconnectIntervalKey) {
    stepper = view->autoReconnectIntervalStepper();
    field = view->autoReconnectIntervalField();
  } else {
    return number;
  }
  const std::optional<qint64> whole = number ? number->integerValue() : std::nullopt;
  if (whole && *whole >= PreferenceFile::MinimumInterval && *whole <= PreferenceFile::MaximumInterval) {
    stepper->setValue(static_cast<int>(*whole));
    return number;
  }
  // The stepper holds the last valid value.
  field->setStoredText(QString::number(stepper->value()));
  return PropertyListValue::integer(stepper->value());
}

PropertyListValue PreferenceController::validatedText(const QString& text, const QString& key) {
  // Interval keys always come back with a number.
  return *validateValue(valueFromString(text), key);
}

void PreferenceController::setSequenceDuration() {
  const auto value = validatedText(generalView()->sequenceIntervalField()->text(), PreferenceSequenceIntervalKey);
  saveValue(value, PreferenceSequenceIntervalKey, PreferenceSequenceNotification);
}

void PreferenceController::handleSequenceInterval() {
  GeneralView* view = generalView();
  const auto value = validatedText(view->sequenceIntervalStepper()->text(), PreferenceSequenceIntervalKey);
  view->sequenceIntervalField()->setStoredText(QString::number(view->sequenceIntervalStepper()->value()));
  saveValue(value, PreferenceSequenceIntervalKey, PreferenceSequenceNotification);
}

void PreferenceController::setAutoReconnect() {
  GeneralView* view = generalView();
  view->autoReconnectIntervalField()->setEnabled(view->autoReconnectCheckBox()->isChecked());
  const PropertyListValue flag = stateValue(view->autoReconnectCheckBox());
  // The field is an integer field: it always holds a number.
  const std::optional<PropertyListValue> interval = valueFromString(view->autoReconnectIntervalField()->text());
  if (!interval) return;
  saveValue(flag, PreferenceAutoReconnectFlagKey);
  saveUserInfo(reconnectionInfo(flag, *interval), PreferenceAutoReconnectNotification);
}

void PreferenceController::setAutoReconnectInterval() {
  GeneralView* view = generalView();
  const auto interval = validatedText(view->autoReconnectIntervalField()->text(), PreferenceAutoReconnectIntervalKey);
  const PropertyListValue flag = stateValue(view->autoReconnectCheckBox());
  saveValue(interval, PreferenceAutoReconnectIntervalKey);
  saveUserInfo(reconnectionInfo(flag, interval), PreferenceAutoReconnectNotification);
}

void PreferenceController::handleAutoReconnectInterval() {
  GeneralView* view = generalView();
  const auto interval = validatedText(view->autoReconnectIntervalStepper()->text(), PreferenceAutoReconnectIntervalKey);
  view->autoReconnectIntervalField()->setStoredText(QString::number(view->autoReconnectIntervalStepper()->value()));
  const PropertyListValue flag = stateValue(view->autoReconnectCheckBox());
  saveValue(interval, PreferenceAutoReconnectIntervalKey);
  saveUserInfo(reconnectionInfo(flag, interval), PreferenceAutoReconnectNotification);
}

void PreferenceController::setAspectRatio() {
  saveValue(stateValue(generalView()->aspectRatioCheckBox()), PreferenceAspectRatioKey,
            PreferenceAspectRatioNotification);
}

void PreferenceController::saveSetups() {
  GeneralView* view = generalView();
  const PropertyListValue aspect = stateValue(view->aspectRatioCheckBox());
  const PropertyListValue flag = stateValue(view->autoReconnectCheckBox());
  const auto interval = validatedText(view->autoReconnectIntervalField()->text(), PreferenceAutoReconnectIntervalKey);
  const auto sequence = validatedText(view->sequenceDuration(), PreferenceSequenceIntervalKey);

  saveValue(aspect, PreferenceAspectRatioKey, PreferenceAspectRatioNotification);
  saveValue(flag, PreferenceAutoReconnectFlagKey);
  saveValue(interval, PreferenceAutoReconnectIntervalKey);
  saveUserInfo(reconnectionInfo(flag, interval), PreferenceAutoReconnectNotification);
  saveValue(sequence, PreferenceSequenceIntervalKey, PreferenceSequenceNotification);
}

}  // namespace zelvo
