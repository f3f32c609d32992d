#include "ViewControllers/Dialogs/SiteSetupDialog.h"

#include <QMessageBox>

#include "Foundation/Assert.h"
#include "ViewControllers/Dialogs/DialogSheet.h"
#include "ViewControllers/Controls/NSNumbericTextField.h"
#include "ui_SiteSetupDialog.h"

namespace zelvo {

namespace {

const QString DuplicateNameMessage =
    QStringLiteral("Please enter different site name. \nSame site name already exists.");

}  // namespace

SiteSetupDialog::SiteSetupDialog(HasSameSiteName hasSameSiteName, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::SiteSetupDialog>()), hasSameSiteName_(std::move(hasSameSiteName)) {
  ZELVO_PRECONDITION(hasSameSiteName_ != nullptr);
  ui_->setupUi(this);
  setWindowModality(Qt::WindowModal);
  ui_->name->setMaxStringCount(NameLimit);
  ui_->port->setMaxStringCount(PortLimit);
  ui_->dvrInfo->setMaxStringCount(DvrInfoLimit);
  ui_->password->setMaxStringCount(PasswordLimit);
  ui_->user->setMaxStringCount(UserLimit);

  for (QLineEdit* field : {static_cast<QLineEdit*>(ui_->name), ui_->address, static_cast<QLineEdit*>(ui_->port),
                           static_cast<QLineEdit*>(ui_->dvrInfo), static_cast<QLineEdit*>(ui_->password)})
    connect(field, &QLineEdit::textChanged, this, &SiteSetupDialog::validateButton);
  connect(ui_->user, &QComboBox::editTextChanged, this, &SiteSetupDialog::validateButton);
  connect(ui_->user, &QComboBox::activated, this, &SiteSetupDialog::textComboChanged);
  connect(ui_->autoLogin, &QCheckBox::clicked, this, &SiteSetupDialog::changeAutoLoginState);
  connect(ui_->button, &QPushButton::clicked, this, &SiteSetupDialog::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &SiteSetupDialog::reject);
}

SiteSetupDialog::~SiteSetupDialog() = default;

void SiteSetupDialog::add(std::shared_ptr<SiteRow> site, QWidget* from) {
  attachSheet(*this, from);
  prepareAdd(std::move(site));
  exec();
}

void SiteSetupDialog::edit(std::shared_ptr<SiteRow> site, QWidget* from) {
  attachSheet(*this, from);
  prepareEdit(std::move(site));
  exec();
}

void SiteSetupDialog::openAdd(std::shared_ptr<SiteRow> site, QWidget* from) {
  attachSheet(*this, from);
  prepareAdd(std::move(site));
  open();
}

void SiteSetupDialog::openEdit(std::shared_ptr<SiteRow> site, QWidget* from) {
  attachSheet(*this, from);
  prepareEdit(std::move(site));
  open();
}

bool SiteSetupDialog::isValidPort(const QString& text) {
  const int port = NSNumbericTextField::integerValue(text);
  return port >= 1 && port <= 65535;
}

void SiteSetupDialog::prepareAdd(std::shared_ptr<SiteRow> site) {
  ZELVO_PRECONDITION(site != nullptr);
  site_ = std::move(site);
  cancelled_ = true;
  setWindowTitle(QStringLiteral("Add Site"));
  ui_->button->setText(QStringLiteral("Add"));
  ui_->name->setStoredText(QString());
  ui_->address->setText(QString());
  ui_->port->setStoredText(QStringLiteral("10101"));
  ui_->dvrInfo->setStoredText(QString());
  ui_->user->setStoredText(QString());
  ui_->password->setStoredText(QString());
  autoLoginValue_ = false;
  ui_->autoLogin->setChecked(false);
  enableLogin(false);
  ui_->name->setFocus();
  validateButton();
}

void SiteSetupDialog::prepareEdit(std::shared_ptr<SiteRow> site) {
  ZELVO_PRECONDITION(site != nullptr);
  site_ = std::move(site);
  cancelled_ = true;
  setWindowTitle(QStringLiteral("Edit Site"));
  ui_->button->setText(QStringLiteral("Edit"));
  ui_->name->setStoredText(site_->name().value_or(QString()));
  ui_->name->selectAll();
  ui_->address->setText(site_->address().value_or(QString()));
  // A record without a port shows an empty field, which keeps OK disabled until one is typed.
  const std::optional<qint64> port = site_->port();
  ui_->port->setStoredText(port ? QString::number(*port) : QString());
  ui_->dvrInfo->setStoredText(site_->dvrInfo().value_or(QString()));
  autoLoginValue_ = site_->autoLogin().value_or(false);
  ui_->autoLogin->setChecked(autoLoginValue_);
  enableLogin(autoLoginValue_);
  ui_->user->setStoredText(site_->user().value_or(QString()));
  ui_->password->setStoredText(site_->password().value_or(QString()));
  ui_->name->setFocus();
  validateButton();
}

void SiteSetupDialog::enableLogin(bool on) {
  ui_->user->setEnabled(on);
  ui_->password->setEnabled(on);
}

void SiteSetupDialog::changeAutoLoginState(bool on) {
  autoLoginValue_ = on;
  if (!on) {
    ui_->user->setStoredText(QString());
    ui_->password->setStoredText(QString());
  }
  enableLogin(on);
  validateButton();
}

bool SiteSetupDialog::requiredFieldsFilled() const {
  return !ui_->name->text().isEmpty() && !ui_->address->text().isEmpty() && isValidPort(ui_->port->text());
}

void SiteSetupDialog::validateButton() {
  const bool loginComplete = !(ui_->autoLogin->isChecked() && ui_->user->currentText().isEmpty());
  ui_->button->setEnabled(requiredFieldsFilled() && loginComplete);
}

void SiteSetupDialog::textComboChanged() {
  // A user picked from the list: the login is complete, the rest may still be missing.
  if (requiredFieldsFilled()) ui_->button->setEnabled(true);
}

void SiteSetupDialog::accept() {
  // Return and programmatic calls come here too: nothing is written past a disabled OK.
  if (!isVisible() || !ui_->button->isEnabled() || site_ == nullptr) return;
  const QString name = ui_->name->text();
  if (hasSameSiteName_(name, site_->objectURI())) {
    showAlert();
    return;
  }
  site_->setName(name);
  site_->setAddress(ui_->address->text());
  site_->setPort(NSNumbericTextField::integerValue(ui_->port->text()));
  site_->setAutoLogin(ui_->autoLogin->isChecked());
  site_->setUser(ui_->user->currentText());
  site_->setPassword(ui_->password->text());
  site_->setDvrInfo(ui_->dvrInfo->text());
  site_->setIndex(0);
  site_->setCameraCount(16);
  cancelled_ = false;
  QDialog::accept();
}

void SiteSetupDialog::done(int result) {
  if (alert_) alert_->close();
  QDialog::done(result);
}

void SiteSetupDialog::showAlert() {
  if (alert_) {
    alert_->raise();
    return;
  }
  alert_ = new QMessageBox(QMessageBox::Warning, windowTitle(), DuplicateNameMessage, QMessageBox::Ok, this);
  alert_->setObjectName(QStringLiteral("duplicateNameAlert"));
  alert_->setTextFormat(Qt::PlainText);
  alert_->setWindowModality(Qt::WindowModal);
  alert_->setAttribute(Qt::WA_DeleteOnClose);
  alert_->open();
}

}  // namespace zelvo
