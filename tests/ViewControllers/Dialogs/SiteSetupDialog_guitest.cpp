// The site dialog as the operator uses it: real key presses, clicks and pastes on the
// dialog shown window-modal over a main window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DialogHarness.h"
#include "GuiInput.h"
#include "QtPrinters.h"
#include "RecordingSiteRow.h"
#include "support/Wait.h"
#include "ViewControllers/Controls/NSCustomComboBox.h"
#include "ViewControllers/Controls/NSCustomSecureTextField.h"
#include "ViewControllers/Controls/NSCustomTextField.h"
#include "ViewControllers/Controls/NSNumbericTextField.h"
#include "ViewControllers/Dialogs/SiteSetupDialog.h"

namespace zelvo {
namespace {

using test::Ending;
using test::outlet;

const QString DuplicateText = "Please enter different site name. \nSame site name already exists.";

class SiteSetupDialogTest : public ::testing::Test {
 protected:
  SiteSetupDialogTest()
      : dialog_([this](const QString& name, const QUrl& objectID) {
          asked_.emplace_back(name, objectID);
          return takenNames_.contains(name);
        }) {}

  void SetUp() override {
    main_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
    name_ = outlet<NSCustomTextField>(dialog_, "name");
    address_ = outlet<QLineEdit>(dialog_, "address");
    port_ = outlet<NSNumbericTextField>(dialog_, "port");
    dvrInfo_ = outlet<NSCustomTextField>(dialog_, "dvrInfo");
    user_ = outlet<NSCustomComboBox>(dialog_, "user");
    password_ = outlet<NSCustomSecureTextField>(dialog_, "password");
    button_ = outlet<QPushButton>(dialog_, "button");
    autoLogin_ = outlet<QCheckBox>(dialog_, "autoLogin");
    ASSERT_TRUE(name_ && address_ && port_ && dvrInfo_ && user_ && password_ && button_ && autoLogin_);
  }

  void openAdd() {
    dialog_.openAdd(site_, main_.button);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
  }
  void openEdit() {
    dialog_.openEdit(site_, main_.button);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
  }
  void fillRequired() {
    QTest::keyClicks(name_, "Shop");
    QTest::keyClicks(address_, "192.168.1.20");
  }
  void retypePort(const char* port) {
    test::selectAll(port_);
    QTest::keyClicks(port_, port);
  }
  QMessageBox* alert() { return dialog_.findChild<QMessageBox*>("duplicateNameAlert"); }

  test::MainWindowStandIn main_;
  std::shared_ptr<test::RecordingSiteRow> site_ = std::make_shared<test::RecordingSiteRow>();
  QStringList takenNames_;
  std::vector<std::pair<QString, QUrl>> asked_;
  SiteSetupDialog dialog_;
  NSCustomTextField* name_ = nullptr;
  QLineEdit* address_ = nullptr;
  NSNumbericTextField* port_ = nullptr;
  NSCustomTextField* dvrInfo_ = nullptr;
  NSCustomComboBox* user_ = nullptr;
  NSCustomSecureTextField* password_ = nullptr;
  QPushButton* button_ = nullptr;
  QCheckBox* autoLogin_ = nullptr;
};

TEST_F(SiteSetupDialogTest, FieldsCarryTheirLimits) {
  EXPECT_EQ(name_->maxStringCount(), 50);
  EXPECT_EQ(port_->maxStringCount(), 8);
  EXPECT_EQ(dvrInfo_->maxStringCount(), 84);
  EXPECT_EQ(user_->maxStringCount(), 32);
  EXPECT_EQ(password_->maxStringCount(), 16);
  EXPECT_EQ(address_->validator(), nullptr);  // no limit on the address
  EXPECT_EQ(password_->echoMode(), QLineEdit::Password);
}

TEST_F(SiteSetupDialogTest, AddStartsEmptyWithPort10101AndOkDisabled) {
  site_->name_ = "Old";
  openAdd();
  EXPECT_EQ(dialog_.windowTitle(), "Add Site");
  EXPECT_EQ(button_->text(), "Add");
  EXPECT_EQ(name_->text(), "");
  EXPECT_EQ(address_->text(), "");
  EXPECT_EQ(port_->text(), "10101");
  EXPECT_EQ(dvrInfo_->text(), "");
  EXPECT_EQ(user_->currentText(), "");
  EXPECT_EQ(password_->text(), "");
  EXPECT_FALSE(autoLogin_->isChecked());
  EXPECT_FALSE(user_->isEnabled());
  EXPECT_FALSE(password_->isEnabled());
  EXPECT_FALSE(button_->isEnabled());
  EXPECT_TRUE(button_->isDefault());
  EXPECT_TRUE(dialog_.wasCancelled());
  EXPECT_EQ(dialog_.windowModality(), Qt::WindowModal);
  EXPECT_EQ(dialog_.parentWidget(), &main_);
}

TEST_F(SiteSetupDialogTest, WhileOpenTheMainWindowTakesNoInput) {
  openAdd();
  QTest::mouseClick(main_.button, Qt::LeftButton);
  EXPECT_EQ(main_.clicks, 0);
  test::endRun(dialog_, Ending::CancelButton);
  QTest::mouseClick(main_.button, Qt::LeftButton);
  EXPECT_EQ(main_.clicks, 1);
}

// How OK's enabling follows the fields, from a new site dialog.
struct OkCase;

class SiteSetupOk : public SiteSetupDialogTest, public ::testing::WithParamInterface<OkCase> {
 public:
  // The table's steps reach the fixture's fields through these.
  NSCustomTextField* name() { return name_; }
  QLineEdit* address() { return address_; }
  NSNumbericTextField* port() { return port_; }
  NSCustomComboBox* user() { return user_; }
  QCheckBox* autoLogin() { return autoLogin_; }
  void required() { fillRequired(); }
  void retype(const char* port) { retypePort(port); }
  void checkAutoLogin() { QTest::mouseClick(autoLogin_, Qt::LeftButton); }
};

struct OkCase {
  const char* name;
  std::function<void(SiteSetupOk&)> steps;
  bool enabled;
};

TEST_P(SiteSetupOk, FollowsTheFields) {
  openAdd();
  GetParam().steps(*this);
  EXPECT_EQ(button_->isEnabled(), GetParam().enabled);
}

const OkCase okCases[] = {
    {"Fresh", [](SiteSetupOk&) {}, false},
    {"NameAlone", [](SiteSetupOk& t) { QTest::keyClicks(t.name(), "Shop"); }, false},
    {"AddressAlone", [](SiteSetupOk& t) { QTest::keyClicks(t.address(), "10.0.0.5"); }, false},
    {"NameAndAddress", [](SiteSetupOk& t) { t.required(); }, true},
    {"NameAndAddressThenNameErased",
     [](SiteSetupOk& t) {
       t.required();
       test::eraseAll(t.name());
     },
     false},
    {"PortErased",  // the integer field then shows 0
     [](SiteSetupOk& t) {
       t.required();
       test::eraseAll(t.port());
     },
     false},
    {"PortOne",
     [](SiteSetupOk& t) {
       t.required();
       t.retype("1");
     },
     true},
    {"Port65535",
     [](SiteSetupOk& t) {
       t.required();
       t.retype("65535");
     },
     true},
    {"Port65536",
     [](SiteSetupOk& t) {
       t.required();
       t.retype("65536");
     },
     false},
    {"Port70000",
     [](SiteSetupOk& t) {
       t.required();
       t.retype("70000");
     },
     false},
    {"PortEightDigits",
     [](SiteSetupOk& t) {
       t.required();
       t.retype("99999999");
     },
     false},
    {"PortNegativePasted",
     [](SiteSetupOk& t) {
       t.required();
       test::selectAll(t.port());
       test::paste(t.port(), "-5");
     },
     false},
    {"PortLongPasteIntoAnEmptiedField",
     [](SiteSetupOk& t) {
       t.required();
       t.port()->setStoredText("");
       test::paste(t.port(), "1234567890");
     },
     false},
    {"AutoLoginWithAnEmptyUser",
     [](SiteSetupOk& t) {
       t.required();
       t.checkAutoLogin();
     },
     false},
    {"AutoLoginThenAUserTyped",  // the password may stay empty
     [](SiteSetupOk& t) {
       t.required();
       t.checkAutoLogin();
       QTest::keyClicks(t.user()->lineEdit(), "admin");
     },
     true},
    {"AutoLoginThenTheUserErased",
     [](SiteSetupOk& t) {
       t.required();
       t.checkAutoLogin();
       QTest::keyClicks(t.user()->lineEdit(), "admin");
       test::eraseAll(t.user()->lineEdit());
     },
     false},
    {"AutoLoginWithAnEmptyUserThenUnchecked",
     [](SiteSetupOk& t) {
       t.required();
       t.checkAutoLogin();
       t.checkAutoLogin();
     },
     true},
    {"AutoLoginByTheSpaceKey",
     [](SiteSetupOk& t) {
       t.required();
       QTest::keyClick(t.autoLogin(), Qt::Key_Space);
     },
     false},
    {"UserPickedFromTheList",
     [](SiteSetupOk& t) {
       t.user()->addItems({"guest", "operator"});
       t.required();
       t.checkAutoLogin();
       t.user()->setStoredText("");
       EXPECT_TRUE(test::pickFromList(t.user(), 1));
       EXPECT_EQ(t.user()->currentText(), "operator");
     },
     true},
    {"UserPickedFromTheListWithoutAnAddress",
     [](SiteSetupOk& t) {
       t.user()->addItems({"guest", "operator"});
       QTest::keyClicks(t.name(), "Shop");
       t.checkAutoLogin();
       EXPECT_TRUE(test::pickFromList(t.user(), 1));
     },
     false},
};

INSTANTIATE_TEST_SUITE_P(Table, SiteSetupOk, ::testing::ValuesIn(okCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SiteSetupDialogTest, UncheckingAutoLoginEmptiesAndDisablesUserAndPassword) {
  openAdd();
  QTest::mouseClick(autoLogin_, Qt::LeftButton);
  EXPECT_TRUE(user_->isEnabled());
  EXPECT_TRUE(password_->isEnabled());
  QTest::keyClicks(user_->lineEdit(), "admin");
  QTest::keyClicks(password_, "secret");
  QTest::mouseClick(autoLogin_, Qt::LeftButton);
  EXPECT_EQ(user_->currentText(), "");
  EXPECT_EQ(password_->text(), "");
  EXPECT_FALSE(user_->isEnabled());
  EXPECT_FALSE(password_->isEnabled());
}

TEST_F(SiteSetupDialogTest, AddWritesTheRecordInFieldOrder) {
  openAdd();
  fillRequired();
  retypePort("9000");
  QTest::keyClicks(dvrInfo_, "Back office");
  QTest::mouseClick(autoLogin_, Qt::LeftButton);
  QTest::keyClicks(user_->lineEdit(), "admin");
  QTest::keyClicks(password_, "secret");
  QSignalSpy finished(&dialog_, &QDialog::finished);
  QTest::mouseClick(button_, Qt::LeftButton);

  EXPECT_EQ(finished.count(), 1);
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_FALSE(dialog_.wasCancelled());
  EXPECT_EQ(site_->written_, QStringList({"name", "address", "port", "autoLogin", "user", "password", "dvrInfo",
                                          "index", "cameraCount"}));
  EXPECT_EQ(site_->name_, "Shop");
  EXPECT_EQ(site_->address_, "192.168.1.20");
  EXPECT_EQ(site_->port_, 9000);
  EXPECT_EQ(site_->autoLogin_, true);
  EXPECT_EQ(site_->user_, "admin");
  EXPECT_EQ(site_->password_, "secret");
  EXPECT_EQ(site_->dvrInfo_, "Back office");
  EXPECT_EQ(site_->index_, 0);
  EXPECT_EQ(site_->cameraCount_, 16);
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_EQ(asked_[0].first, "Shop");
  EXPECT_EQ(asked_[0].second, site_->objectURI());
}

TEST_F(SiteSetupDialogTest, ReturnSubmitsOnlyWhenOkIsEnabled) {
  openAdd();
  QTest::keyClicks(name_, "Shop");
  QTest::keyClick(name_, Qt::Key_Return);
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_TRUE(site_->written_.isEmpty());
  QTest::keyClicks(address_, "shop.example");
  QTest::keyClick(address_, Qt::Key_Return);
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_FALSE(dialog_.wasCancelled());
  EXPECT_EQ(site_->address_, "shop.example");
  EXPECT_EQ(site_->port_, 10101);
}

TEST_F(SiteSetupDialogTest, AcceptPastADisabledOkWritesNothing) {
  openAdd();
  dialog_.accept();
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_TRUE(site_->written_.isEmpty());
  EXPECT_TRUE(asked_.empty());
}

// Edit fills the fields from the record as it is stored.
struct EditCase {
  const char* name;
  std::function<void(test::RecordingSiteRow&)> stored;
  QString name_, address, port, dvrInfo, user, password;
  bool autoLogin;
  bool okEnabled;
};

const EditCase editCases[] = {
    {"AutoLoginOn",
     [](auto& s) {
       s.name_ = "Warehouse";
       s.address_ = "10.1.2.3";
       s.port_ = 10101;
       s.dvrInfo_ = "Dock";
       s.autoLogin_ = true;
       s.user_ = "admin";
       s.password_ = "pw";
     },
     "Warehouse", "10.1.2.3", "10101", "Dock", "admin", "pw", true, true},
    {"AutoLoginOffKeepsTheStoredLogin",
     [](auto& s) {
       s.name_ = "Gate";
       s.address_ = "gate.local";
       s.port_ = 8000;
       s.autoLogin_ = false;
       s.user_ = "guest";
       s.password_ = "";
     },
     "Gate", "gate.local", "8000", "", "guest", "", false, true},
    {"AutoLoginOnWithoutAUser",
     [](auto& s) {
       s.name_ = "Gate";
       s.address_ = "gate.local";
       s.port_ = 8000;
       s.autoLogin_ = true;
     },
     "Gate", "gate.local", "8000", "", "", "", true, false},
    {"NothingStored", [](auto&) {}, "", "", "", "", "", "", false, false},
    {"PortMissing",  // an empty field, not "0" written back on OK
     [](auto& s) {
       s.name_ = "Gate";
       s.address_ = "gate.local";
     },
     "Gate", "gate.local", "", "", "", "", false, false},
    {"PortOutOfRange",
     [](auto& s) {
       s.name_ = "Gate";
       s.address_ = "gate.local";
       s.port_ = 70000;
     },
     "Gate", "gate.local", "70000", "", "", "", false, false},
};

class SiteSetupEdit : public SiteSetupDialogTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(SiteSetupEdit, FillsTheFieldsFromTheRecord) {
  const EditCase& c = GetParam();
  c.stored(*site_);
  openEdit();
  EXPECT_EQ(dialog_.windowTitle(), "Edit Site");
  EXPECT_EQ(button_->text(), "Edit");
  EXPECT_EQ(name_->text(), c.name_);
  EXPECT_EQ(name_->selectedText(), c.name_);
  EXPECT_EQ(address_->text(), c.address);
  EXPECT_EQ(port_->text(), c.port);
  EXPECT_EQ(dvrInfo_->text(), c.dvrInfo);
  EXPECT_EQ(user_->currentText(), c.user);
  EXPECT_EQ(password_->text(), c.password);
  EXPECT_EQ(autoLogin_->isChecked(), c.autoLogin);
  EXPECT_EQ(user_->isEnabled(), c.autoLogin);
  EXPECT_EQ(password_->isEnabled(), c.autoLogin);
  EXPECT_EQ(button_->isEnabled(), c.okEnabled);
  EXPECT_TRUE(site_->written_.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Table, SiteSetupEdit, ::testing::ValuesIn(editCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SiteSetupDialogTest, EditSubmitResetsIndexAndCameraCount) {
  site_->name_ = "Warehouse";
  site_->address_ = "10.1.2.3";
  site_->port_ = 10101;
  site_->index_ = 3;
  site_->cameraCount_ = 8;
  openEdit();
  QTest::mouseClick(button_, Qt::LeftButton);
  EXPECT_FALSE(dialog_.wasCancelled());
  EXPECT_EQ(site_->index_, 0);
  EXPECT_EQ(site_->cameraCount_, 16);
  EXPECT_EQ(site_->autoLogin_, false);
  EXPECT_EQ(site_->name_, "Warehouse");
}

TEST_F(SiteSetupDialogTest, DuplicateNameShowsTheAlertOverTheDialogAndKeepsIt) {
  takenNames_ << "Warehouse";
  site_->name_ = "Gate";
  site_->address_ = "gate.local";
  site_->port_ = 8000;
  openEdit();
  QTest::keyClicks(name_, "Warehouse");  // replaces the selected name
  QTest::mouseClick(button_, Qt::LeftButton);

  QMessageBox* box = alert();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
  EXPECT_EQ(box->text(), DuplicateText);
  EXPECT_EQ(box->textFormat(), Qt::PlainText);
  EXPECT_EQ(box->informativeText(), "");
  EXPECT_EQ(box->icon(), QMessageBox::Warning);
  EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
  EXPECT_EQ(box->windowModality(), Qt::WindowModal);
  EXPECT_EQ(box->parentWidget(), &dialog_);
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_TRUE(site_->written_.isEmpty());
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_EQ(asked_[0], std::make_pair(QString("Warehouse"), site_->objectURI()));

  // The alert holds the dialog: its OK button takes no click meanwhile.
  QTest::mouseClick(button_, Qt::LeftButton);
  EXPECT_EQ(asked_.size(), 1u);

  QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  EXPECT_TRUE(test::waitUntil([&] { return alert() == nullptr; }));
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_TRUE(dialog_.wasCancelled());

  test::selectAll(name_);
  QTest::keyClicks(name_, "Gate 2");
  QTest::mouseClick(button_, Qt::LeftButton);
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_FALSE(dialog_.wasCancelled());
  EXPECT_EQ(site_->name_, "Gate 2");
}

TEST_F(SiteSetupDialogTest, EndingTheRunWhileTheAlertIsUpClosesTheAlert) {
  takenNames_ << "Shop";
  openAdd();
  fillRequired();
  QTest::mouseClick(button_, Qt::LeftButton);
  ASSERT_NE(alert(), nullptr);
  dialog_.reject();
  EXPECT_TRUE(test::waitUntil([&] { return alert() == nullptr; }));
  EXPECT_TRUE(dialog_.wasCancelled());
}

class SiteSetupEnding : public SiteSetupDialogTest, public ::testing::WithParamInterface<Ending> {};

// Every way of closing cancels, every time: twice in a row, and after a run ended by OK.
TEST_P(SiteSetupEnding, CancelsEveryTime) {
  for (int run = 0; run < 4; ++run) {
    SCOPED_TRACE(run);
    site_->written_.clear();
    openAdd();
    fillRequired();
    QSignalSpy finished(&dialog_, &QDialog::finished);
    if (run == 1) {
      QTest::mouseClick(button_, Qt::LeftButton);
      EXPECT_FALSE(dialog_.wasCancelled());
    } else {
      test::endRun(dialog_, GetParam());
      EXPECT_TRUE(dialog_.wasCancelled());
      EXPECT_TRUE(site_->written_.isEmpty());
    }
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(dialog_.isVisible());
  }
}

INSTANTIATE_TEST_SUITE_P(Table, SiteSetupEnding, test::allEndings,
                         [](const auto& info) { return test::endingName(info.param); });

TEST_F(SiteSetupDialogTest, AddBlocksUntilTheDialogEnds) {
  QTimer guard;  // ends a run that the operator's steps failed to end
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &dialog_, &QDialog::reject);
  guard.start(20000);
  bool operated = false;
  QTimer::singleShot(0, &dialog_, [&] {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    fillRequired();
    QTest::mouseClick(button_, Qt::LeftButton);
    operated = true;
  });
  dialog_.add(site_, &main_);
  EXPECT_TRUE(operated);
  EXPECT_FALSE(dialog_.wasCancelled());
  EXPECT_EQ(site_->name_, "Shop");
  EXPECT_EQ(site_->cameraCount_, 16);
}

TEST_F(SiteSetupDialogTest, EditBlocksUntilTheDialogEnds) {
  site_->name_ = "Gate";
  QTimer::singleShot(0, &dialog_, [&] { test::endRun(dialog_, Ending::WindowSystemClose); });
  dialog_.edit(site_, &main_);
  EXPECT_TRUE(dialog_.wasCancelled());
  EXPECT_TRUE(site_->written_.isEmpty());
}

}  // namespace
}  // namespace zelvo
