#include "ViewControllers/Dialogs/LoginWindowController.h"

#include <QFontMetrics>

#include "ViewControllers/Dialogs/DialogSheet.h"
#include "ui_LoginWindowController.h"

namespace zelvo {

namespace {

// Names of discovered recorders come from the network: a long one is elided in the
// middle rather than stretching the sheet across the screen.
constexpr int SiteTitleWidth = 320;

}  // namespace

LoginWindowController::LoginWindowController(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::LoginWindowController>()) {
  ui_->setupUi(this);
  setWindowModality(Qt::WindowModal);
  ui_->userComboBox->setMaxStringCount(UserLimit);
  ui_->passwordField->setMaxStringCount(PasswordLimit);
  // The name may come from the network: never read as markup.
  ui_->siteTitle->setTextFormat(Qt::PlainText);

  connect(ui_->userComboBox, &QComboBox::editTextChanged, this, &LoginWindowController::validateButton);
  // A user picked from the list.
  connect(ui_->userComboBox, &QComboBox::activated, this, [this] { ui_->doneButton->setEnabled(true); });
  connect(ui_->doneButton, &QPushButton::clicked, this, &LoginWindowController::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &LoginWindowController::reject);
}

LoginWindowController::~LoginWindowController() = default;

void LoginWindowController::showLoginWindowWithTitle(const QString& title, QWidget* from) {
  attachSheet(*this, from);
  prepare(title);
  exec();
}

void LoginWindowController::openLoginWindowWithTitle(const QString& title, QWidget* from) {
  attachSheet(*this, from);
  prepare(title);
  open();
}

void LoginWindowController::prepare(const QString& title) {
  cancelled_ = true;
  user_.clear();
  password_.clear();
  setWindowTitle(QStringLiteral("Login : %1").arg(title));
  ui_->siteTitle->setText(ui_->siteTitle->fontMetrics().elidedText(title, Qt::ElideMiddle, SiteTitleWidth));
  ui_->userComboBox->setStoredText(QString());
  ui_->passwordField->setStoredText(QString());
  ui_->userComboBox->setFocus();
  ui_->doneButton->setEnabled(false);
}

void LoginWindowController::validateButton() {
  ui_->doneButton->setEnabled(!ui_->userComboBox->currentText().isEmpty());
}

void LoginWindowController::accept() {
  // Return and programmatic calls come here too: no login past a disabled OK.
  if (!isVisible() || !ui_->doneButton->isEnabled()) return;
  user_ = ui_->userComboBox->currentText();
  password_ = ui_->passwordField->text();
  cancelled_ = false;
  QDialog::accept();
}

}  // namespace zelvo
