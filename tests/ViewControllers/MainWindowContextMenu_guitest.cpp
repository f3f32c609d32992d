// The site tree's context menu under a real pointer: a right click on a row opens it, and
// its Edit, Remove and Remote Setup are the main window's commands on that row.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "ViewControllers/Dialogs/SiteSetupDialog.h"
#include "support/SharedDeviceLock.h"
#include "tests/ViewControllers/MainWindowFixture.h"
#include "tests/support/Wait.h"

namespace zelvo::test {
namespace {

class MainWindowContextMenuTest : public MainWindowFixture {
 protected:
  // Moves the pointer with the X server's test extension and clicks, as a hand would.
  static void pointer(const QPoint& at, int button) {
    QProcess xdotool;
    xdotool.start("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "sleep", "0.2", "click",
                              QString::number(button)});
    ASSERT_TRUE(xdotool.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return xdotool.state() == QProcess::NotRunning; }));
  }

  // Right-clicks the row and picks the entry of the menu that opens.
  void pick(const std::shared_ptr<ChildNode>& row, QAction* entry) {
    ASSERT_NE(row, nullptr);
    SiteOutlineView* outline = window_->siteTreeViewController()->outlineView();
    const QModelIndex index = tree().model().indexForNode(row.get());
    ASSERT_TRUE(index.isValid());
    outline->scrollTo(index);
    pointer(outline->viewport()->mapToGlobal(outline->visualRect(index).center()), 3);
    QMenu* menu = window_->siteTreeViewController()->editMenu();
    ASSERT_TRUE(waitUntil([&] { return menu->isVisible(); }));
    ASSERT_TRUE(entry->isEnabled()) << entry->text().toStdString();
    pointer(menu->mapToGlobal(menu->actionGeometry(entry).center()), 1);
    ASSERT_TRUE(waitUntil([&] { return !menu->isVisible(); }));
  }
};

TEST_F(MainWindowContextMenuTest, EditRemoveAndRemoteSetupActOnTheClickedRow) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs the X server";
  storeSite("Lobby", 2);
  storeSite("Gate", 2);
  SharedDeviceLock input("input");
  open();
  window_->move(PointerArea);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  SiteTreeViewController* siteTree = window_->siteTreeViewController();
  // The other row is selected: the menu's commands go to the row clicked.
  select(siteNode("Gate"));

  // Edit opens the site dialog on the row's site; the test answers Cancel.
  QString edited;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    SiteSetupDialog* dialog = window_->siteSetupDialog();
    if (!dialog->isVisible()) return;
    edited = dialog->findChild<QLineEdit*>("name")->text();
    dialog->reject();
  });
  answer.start(20);
  pick(siteNode("Lobby"), siteTree->editAction());
  ASSERT_TRUE(waitUntil([&] { return !edited.isEmpty(); }));
  answer.stop();
  EXPECT_EQ(edited, "Lobby");

  pick(siteNode("Lobby"), siteTree->remoteSetupAction());
  ASSERT_TRUE(waitUntil([&] { return !remoteSetups_.empty(); }));
  EXPECT_EQ(remoteSetups_.back()->name(), std::optional<QString>("Lobby"));

  pick(siteNode("Lobby"), siteTree->removeAction());
  ASSERT_TRUE(waitUntil([&] { return siteNode("Lobby") == nullptr; }));
  EXPECT_EQ(removeQuestions_, 1);
  EXPECT_NE(siteNode("Gate"), nullptr);
  for (const auto& site : all<Site>())
    EXPECT_EQ(site->deleted().value_or(false), site->name() == std::optional<QString>("Lobby"));
  EXPECT_FALSE(context_->hasChanges());
}

}  // namespace
}  // namespace zelvo::test
