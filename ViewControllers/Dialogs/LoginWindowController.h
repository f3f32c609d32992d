#pragma once
// Asks for a user name and password before connecting to a site that does not log in by
// itself. A run starts cancelled with no user and no password: only OK gives them, so a
// window closed or escaped never reads as an earlier run's login.

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class LoginWindowController;
}

namespace zelvo {

class LoginWindowController : public QDialog {
  Q_OBJECT
 public:
  static constexpr int UserLimit = 32;
  static constexpr int PasswordLimit = 16;

  explicit LoginWindowController(QWidget* parent = nullptr);
  ~LoginWindowController() override;

  // Run over the window of `from`, headed with the site's name, until the dialog ends;
  // then read wasCancelled(), user() and password().
  void showLoginWindowWithTitle(const QString& title, QWidget* from);
  // The same run, returning at once; finished() tells when it ends.
  void openLoginWindowWithTitle(const QString& title, QWidget* from);

  bool wasCancelled() const { return cancelled_; }
  const QString& user() const { return user_; }
  const QString& password() const { return password_; }

  // The OK button: takes the user and password.
  void accept() override;

 private:
  void prepare(const QString& title);
  void validateButton();

  std::unique_ptr<Ui::LoginWindowController> ui_;
  bool cancelled_ = true;
  QString user_;
  QString password_;
};

}  // namespace zelvo
