#pragma once
// Adds or edits one stored site: name, address, port, description, and automatic login
// with user and password. OK writes the record, unless another live site has the name
// (then an alert over the dialog, which stays open); Cancel, Escape and closing the
// window end the run cancelled, every time.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

#include "ViewControllers/Store/SiteRow.h"

namespace Ui {
class SiteSetupDialog;
}

class QMessageBox;

namespace zelvo {

class SiteSetupDialog : public QDialog {
  Q_OBJECT
 public:
  // Whether another live site than the record of objectID already has this name.
  using HasSameSiteName = std::function<bool(const QString& name, const QUrl& objectID)>;

  static constexpr int NameLimit = 50;
  static constexpr int PortLimit = 8;
  static constexpr int DvrInfoLimit = 84;
  static constexpr int UserLimit = 32;
  static constexpr int PasswordLimit = 16;

  explicit SiteSetupDialog(HasSameSiteName hasSameSiteName, QWidget* parent = nullptr);
  ~SiteSetupDialog() override;

  // Run over the window of `from` until the dialog ends; then read wasCancelled().
  void add(std::shared_ptr<SiteRow> site, QWidget* from);
  void edit(std::shared_ptr<SiteRow> site, QWidget* from);
  // The same runs, returning at once; finished() tells when they end.
  void openAdd(std::shared_ptr<SiteRow> site, QWidget* from);
  void openEdit(std::shared_ptr<SiteRow> site, QWidget* from);

  // A run starts cancelled; only an OK that wrote the record clears it.
  bool wasCancelled() const { return cancelled_; }
  // The record of the last run.
  const std::shared_ptr<SiteRow>& site() const { return site_; }

  // Whether a port field's text is a TCP port, 1 to 65535.
  static bool isValidPort(const QString& text);

  // The OK button.
  void accept() override;
  void done(int result) override;

 private:
  void prepareAdd(std::shared_ptr<SiteRow> site);
  void prepareEdit(std::shared_ptr<SiteRow> site);
  void changeAutoLoginState(bool on);
  void enableLogin(bool on);
  bool requiredFieldsFilled() const;
  void validateButton();
  void textComboChanged();
  void showAlert();

  std::unique_ptr<Ui::SiteSetupDialog> ui_;
  HasSameSiteName hasSameSiteName_;
  std::shared_ptr<SiteRow> site_;
  bool cancelled_ = true;
  bool autoLoginValue_ = false;
  QPointer<QMessageBox> alert_;  // the duplicate-name alert while it is open
};

}  // namespace zelvo
