// The login sheet as the operator uses it: real key presses and clicks on the sheet
// shown window-modal over a main window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <string>

#include "DialogHarness.h"
#include "GuiInput.h"
#include "QtPrinters.h"
#include "ViewControllers/Dialogs/LoginWindowController.h"
#include "ViewControllers/Controls/NSCustomComboBox.h"
#include "ViewControllers/Controls/NSCustomSecureTextField.h"

namespace zelvo {
namespace {

using test::Ending;
using test::outlet;

class LoginWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
    user_ = outlet<NSCustomComboBox>(login_, "userComboBox");
    password_ = outlet<NSCustomSecureTextField>(login_, "passwordField");
    done_ = outlet<QPushButton>(login_, "doneButton");
    siteTitle_ = outlet<QLabel>(login_, "siteTitle");
    ASSERT_TRUE(user_ && password_ && done_ && siteTitle_);
  }

  void open(const QString& site = "Shop") {
    login_.openLoginWindowWithTitle(site, &main_);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&login_));
  }
  void logIn(const char* user, const char* password) {
    QTest::keyClicks(user_->lineEdit(), user);
    QTest::keyClicks(password_, password);
    QTest::mouseClick(done_, Qt::LeftButton);
  }

  test::MainWindowStandIn main_;
  LoginWindowController login_;
  NSCustomComboBox* user_ = nullptr;
  NSCustomSecureTextField* password_ = nullptr;
  QPushButton* done_ = nullptr;
  QLabel* siteTitle_ = nullptr;
};

TEST_F(LoginWindowTest, FieldsCarryTheirLimits) {
  EXPECT_EQ(user_->maxStringCount(), 32);
  EXPECT_EQ(password_->maxStringCount(), 16);
  EXPECT_EQ(password_->echoMode(), QLineEdit::Password);
}

TEST_F(LoginWindowTest, OpensOverTheMainWindowTitledWithTheSite) {
  open("Shop");
  EXPECT_EQ(login_.windowTitle(), "Login : Shop");
  EXPECT_EQ(siteTitle_->text(), "Shop");
  EXPECT_EQ(login_.windowModality(), Qt::WindowModal);
  EXPECT_EQ(login_.parentWidget(), &main_);
  EXPECT_FALSE(done_->isEnabled());
  EXPECT_TRUE(done_->isDefault());
  QTest::mouseClick(main_.button, Qt::LeftButton);
  EXPECT_EQ(main_.clicks, 0);
}

TEST_F(LoginWindowTest, ShowsTheSiteNameAsPlainText) {
  const QString name = "<b>Shop</b> &amp; <img src=x>";
  open(name);
  EXPECT_EQ(siteTitle_->textFormat(), Qt::PlainText);
  EXPECT_EQ(siteTitle_->text(), name);
  EXPECT_EQ(login_.windowTitle(), "Login : " + name);
}

TEST_F(LoginWindowTest, ALongSiteNameIsElidedInTheMiddle) {
  const QString name = "Recorder-" + QString(300, u'x') + "-end";
  open(name);
  const QString shown = siteTitle_->text();
  EXPECT_TRUE(shown.startsWith("Recorder-"));
  EXPECT_TRUE(shown.endsWith("-end"));
  EXPECT_TRUE(shown.contains(QChar(0x2026)));
  EXPECT_LT(login_.width(), 600);
  EXPECT_EQ(login_.windowTitle(), "Login : " + name);
}

// OK needs at least one character of user; the password may be empty.
struct LoginOkCase {
  const char* name;
  const char* user;
  const char* password;
  bool eraseUser;
  bool enabled;
};

class LoginOk : public LoginWindowTest, public ::testing::WithParamInterface<LoginOkCase> {};

TEST_P(LoginOk, NeedsAUser) {
  const LoginOkCase& c = GetParam();
  open();
  QTest::keyClicks(user_->lineEdit(), c.user);
  QTest::keyClicks(password_, c.password);
  if (c.eraseUser) test::eraseAll(user_->lineEdit());
  EXPECT_EQ(done_->isEnabled(), c.enabled);
}

INSTANTIATE_TEST_SUITE_P(Table, LoginOk,
                         ::testing::Values(LoginOkCase{"Nothing", "", "", false, false},
                                           LoginOkCase{"PasswordAlone", "", "secret", false, false},
                                           LoginOkCase{"OneCharacterOfUser", "a", "", false, true},
                                           LoginOkCase{"UserAndPassword", "admin", "secret", false, true},
                                           LoginOkCase{"UserErasedAgain", "admin", "secret", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoginWindowTest, PickingAUserFromTheListEnablesOk) {
  user_->addItems({"guest", "operator"});
  open();
  user_->setStoredText("");
  ASSERT_TRUE(test::pickFromList(user_, 1));
  EXPECT_TRUE(done_->isEnabled());
}

TEST_F(LoginWindowTest, OkGivesTheUserAndAnEmptyPassword) {
  open();
  QSignalSpy finished(&login_, &QDialog::finished);
  logIn("admin", "");
  EXPECT_EQ(finished.count(), 1);
  EXPECT_FALSE(login_.isVisible());
  EXPECT_FALSE(login_.wasCancelled());
  EXPECT_EQ(login_.user(), "admin");
  EXPECT_EQ(login_.password(), "");
}

TEST_F(LoginWindowTest, ReturnLogsInOnlyWithAUser) {
  open();
  QTest::keyClick(user_->lineEdit(), Qt::Key_Return);
  EXPECT_TRUE(login_.isVisible());
  QTest::keyClicks(user_->lineEdit(), "admin");
  QTest::keyClick(user_->lineEdit(), Qt::Key_Tab);
  QTest::keyClicks(password_, "secret");
  QTest::keyClick(password_, Qt::Key_Return);
  EXPECT_FALSE(login_.isVisible());
  EXPECT_FALSE(login_.wasCancelled());
  EXPECT_EQ(login_.user(), "admin");
  EXPECT_EQ(login_.password(), "secret");
  EXPECT_EQ(user_->count(), 0);  // the typed user is not added to the list
}

TEST_F(LoginWindowTest, ARunStartsCancelledWithNoUserOrPassword) {
  open();
  logIn("admin", "secret");
  ASSERT_FALSE(login_.wasCancelled());
  open("Gate");
  EXPECT_TRUE(login_.wasCancelled());
  EXPECT_EQ(login_.user(), "");
  EXPECT_EQ(login_.password(), "");
  EXPECT_EQ(user_->currentText(), "");
  EXPECT_EQ(password_->text(), "");
  EXPECT_FALSE(done_->isEnabled());
}

class LoginEnding : public LoginWindowTest, public ::testing::WithParamInterface<Ending> {};

// Every way of closing cancels, every time, and leaves no login behind: twice in a row
// from a fresh sheet, and twice after a run ended by OK.
TEST_P(LoginEnding, CancelsEveryTimeWithNoLogin) {
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(run);
    open();
    QTest::keyClicks(user_->lineEdit(), "admin");
    QTest::keyClicks(password_, "secret");
    QSignalSpy finished(&login_, &QDialog::finished);
    if (run == 2) {
      QTest::mouseClick(done_, Qt::LeftButton);
      EXPECT_FALSE(login_.wasCancelled());
      EXPECT_EQ(login_.password(), "secret");
    } else {
      test::endRun(login_, GetParam());
      EXPECT_TRUE(login_.wasCancelled());
      EXPECT_EQ(login_.user(), "");
      EXPECT_EQ(login_.password(), "");
    }
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(login_.isVisible());
  }
}

INSTANTIATE_TEST_SUITE_P(Table, LoginEnding, test::allEndings,
                         [](const auto& info) { return test::endingName(info.param); });

TEST_F(LoginWindowTest, ShowBlocksUntilTheSheetEnds) {
  QTimer guard;  // ends a run that the operator's steps failed to end
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &login_, &QDialog::reject);
  guard.start(20000);
  QTimer::singleShot(0, &login_, [&] {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&login_));
    logIn("admin", "secret");
  });
  login_.showLoginWindowWithTitle("Shop", &main_);
  EXPECT_FALSE(login_.wasCancelled());
  EXPECT_EQ(login_.user(), "admin");
  EXPECT_EQ(login_.password(), "secret");

  QTimer::singleShot(0, &login_, [&] { test::endRun(login_, Ending::WindowSystemClose); });
  login_.showLoginWindowWithTitle("Shop", &main_);
  EXPECT_TRUE(login_.wasCancelled());
  EXPECT_EQ(login_.password(), "");
}

}  // namespace
}  // namespace zelvo
