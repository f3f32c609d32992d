// The three small dialogs as an operator sees them, in the states worth looking at: the
// site dialog adding, editing, and refusing a duplicate name with its alert over it; the
// login sheet; the preset label sheet. Each is checked for clipped labels and buttons.
// With ZELVO_SCREENSHOT_DIR set to a folder, the pictures are saved there:
//   ZELVO_SCREENSHOT_DIR=$PWD/docs xvfb-run -a -s "-screen 0 1280x1024x24"
//     build/default/tests/viewcontrollers_gui_tests --gtest_filter='DialogScreenshot*'
// Xvfb runs no window manager, so each picture gets a plain frame with the window title
// drawn around the dialog's own rendering.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "DialogHarness.h"
#include "FramedWindow.h"
#include "GuiInput.h"
#include "RecordingSiteRow.h"
#include "ViewControllers/Dialogs/LoginWindowController.h"
#include "ViewControllers/Controls/NSCustomComboBox.h"
#include "ViewControllers/SitePanel/PTZPresetLabelWindow.h"
#include "ViewControllers/Dialogs/SiteSetupDialog.h"

namespace zelvo {
namespace {


using test::framed;

// The alert centred over the dialog, as Qt places a window-modal message box.
QImage withAlert(QWidget& dialog, QWidget& alert) {
  QImage image = framed(dialog);
  const QImage box = framed(alert);
  QPainter p(&image);
  p.fillRect(image.rect(), QColor(0, 0, 0, 40));
  const QPoint at((image.width() - box.width()) / 2, std::max(test::FramedTitleHeight, (image.height() - box.height()) / 2));
  p.fillRect(QRect(at + QPoint(3, 4), box.size()), QColor(0, 0, 0, 70));  // shadow
  p.drawImage(at, box);
  return image;
}

// No label, button or check box is narrower or lower than its text needs.
void expectNothingClipped(QWidget& window) {
  for (QWidget* child : window.findChildren<QWidget*>()) {
    if (!child->isVisible()) continue;
    if (!qobject_cast<QLabel*>(child) && !qobject_cast<QAbstractButton*>(child)) continue;
    const QSize needed = child->minimumSizeHint();
    EXPECT_GE(child->width(), needed.width()) << child->objectName().toStdString();
    EXPECT_GE(child->height(), needed.height()) << child->objectName().toStdString();
    EXPECT_TRUE(window.rect().contains(QRect(child->mapTo(&window, QPoint(0, 0)), child->size())))
        << child->objectName().toStdString();
  }
}

void save(const QImage& image, const char* name) {
  ASSERT_FALSE(image.isNull());
  if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty()) {
    const QString path = QDir(QString::fromLocal8Bit(folder)).filePath(QString::fromLatin1(name));
    EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
  }
}

class DialogScreenshot : public ::testing::Test {
 protected:
  void SetUp() override {
    main_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
  }
  test::MainWindowStandIn main_;
};

TEST_F(DialogScreenshot, SiteDialogAdding) {
  SiteSetupDialog dialog([](const QString&, const QUrl&) { return false; });
  dialog.openAdd(std::make_shared<test::RecordingSiteRow>(), &main_);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTest::keyClicks(dialog.findChild<QWidget*>("name"), "Front Shop");
  expectNothingClipped(dialog);
  save(framed(dialog), "site-dialog-add.png");
}

std::shared_ptr<test::RecordingSiteRow> storedWarehouse() {
  auto site = std::make_shared<test::RecordingSiteRow>();
  site->name_ = "Warehouse North";
  site->address_ = "192.168.10.42";
  site->port_ = 10101;
  site->dvrInfo_ = "Loading bays and yard, 16 cameras";
  site->autoLogin_ = true;
  site->user_ = "admin";
  site->password_ = "s3cret";
  return site;
}

TEST_F(DialogScreenshot, SiteDialogEditing) {
  SiteSetupDialog dialog([](const QString&, const QUrl&) { return false; });
  dialog.openEdit(storedWarehouse(), &main_);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  expectNothingClipped(dialog);
  save(framed(dialog), "site-dialog-edit.png");
}

TEST_F(DialogScreenshot, SiteDialogRefusingADuplicateName) {
  SiteSetupDialog dialog([](const QString& name, const QUrl&) { return name == "Front Shop"; });
  dialog.openEdit(storedWarehouse(), &main_);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTest::keyClicks(dialog.findChild<QWidget*>("name"), "Front Shop");
  QTest::mouseClick(dialog.findChild<QPushButton*>("button"), Qt::LeftButton);
  auto* alert = dialog.findChild<QMessageBox*>("duplicateNameAlert");
  ASSERT_NE(alert, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(alert));
  expectNothingClipped(*alert);
  save(withAlert(dialog, *alert), "site-dialog-duplicate.png");
  alert->close();
}

TEST_F(DialogScreenshot, LoginSheet) {
  LoginWindowController login;
  login.openLoginWindowWithTitle("Shop", &main_);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&login));
  QTest::keyClicks(login.findChild<NSCustomComboBox*>("userComboBox")->lineEdit(), "admin");
  QTest::keyClicks(login.findChild<QWidget*>("passwordField"), "secret");
  expectNothingClipped(login);
  save(framed(login), "login-sheet.png");
}

TEST_F(DialogScreenshot, PresetSheet) {
  PTZPresetLabelWindow window;
  window.openPresetLabelWindow(&main_, 3, QString("Loading dock"));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  expectNothingClipped(window);
  save(framed(window), "preset-sheet.png");
}

}  // namespace
}  // namespace zelvo
