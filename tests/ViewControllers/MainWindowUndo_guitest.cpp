// Edit > Undo and Redo under real key presses: a removed site comes back and goes again,
// the menu names the change, and the saved store holds what the tree shows.
#include <gtest/gtest.h>

#include <QAction>
#include <QProcess>
#include <QTest>

#include "support/SharedDeviceLock.h"
#include "tests/ViewControllers/MainWindowFixture.h"
#include "tests/support/Wait.h"
#include "ui_MainWindowController.h"

namespace zelvo::test {
namespace {

class MainWindowUndoTest : public MainWindowFixture {
 protected:
  // A key press through the X server's test extension, to the focused window.
  static void key(const char* keys) {
    QProcess xdotool;
    xdotool.start("xdotool", {"key", "--clearmodifiers", QString::fromLatin1(keys)});
    ASSERT_TRUE(xdotool.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return xdotool.state() == QProcess::NotRunning; }));
  }
  bool savedAsDeleted(const QString& name) {
    for (const auto& site : all<Site>())
      if (site->name() == std::optional<QString>(name)) return site->deleted().value_or(false);
    return false;
  }
};

TEST_F(MainWindowUndoTest, CtrlZBringsARemovedSiteBackAndCtrlShiftZRemovesItAgain) {
  storeSite("Lobby", 2);
  SharedDeviceLock input("input");
  open();
  window_->move(PointerArea);
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  QAction* undo = window_->ui()->actionUndo;
  QAction* redo = window_->ui()->actionRedo;
  EXPECT_FALSE(undo->isEnabled()) << "nothing to take back yet";

  select(siteNode("Lobby"));
  window_->removeSite();
  ASSERT_EQ(siteNode("Lobby"), nullptr);
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(undo->text(), "Undo Remove Site");

  window_->siteTreeViewController()->outlineView()->setFocus();
  key("ctrl+z");
  ASSERT_TRUE(waitUntil([&] { return siteNode("Lobby") != nullptr; }));
  EXPECT_FALSE(context_->hasChanges());
  EXPECT_FALSE(savedAsDeleted("Lobby"));
  EXPECT_EQ(redo->text(), "Redo Remove Site");
  EXPECT_EQ(undo->text(), "Undo");

  key("ctrl+shift+z");
  ASSERT_TRUE(waitUntil([&] { return siteNode("Lobby") == nullptr; }));
  EXPECT_TRUE(savedAsDeleted("Lobby"));
  key("ctrl+z");
  ASSERT_TRUE(waitUntil([&] { return siteNode("Lobby") != nullptr; }));
  reopen();
  EXPECT_NE(siteNode("Lobby"), nullptr) << "the saved store holds what was shown";
}

TEST_F(MainWindowUndoTest, AStoredFavouriteAndItsRenameAreTakenBackInTurn) {
  auto row = storeSite("Lobby", 2);
  open();
  bindSite(row);
  window_->ui()->actionAddFavorite->trigger();
  ASSERT_NE(favoriteNode("Untitled Favorite"), nullptr);
  auto node = favoriteNode("Untitled Favorite");
  node->setNodeTitle("Night");
  window_->editFavorite();
  ASSERT_NE(favoriteNode("Night"), nullptr);
  EXPECT_EQ(window_->ui()->actionUndo->text(), "Undo Rename Favorite");
  window_->undo();
  EXPECT_NE(favoriteNode("Untitled Favorite"), nullptr);
  EXPECT_EQ(favoriteNames(), std::vector<QString>{"Untitled Favorite"});
  EXPECT_EQ(window_->ui()->actionUndo->text(), "Undo Add Favorite");
  window_->undo();
  EXPECT_TRUE(tree().favoriteNode().children().empty());
  EXPECT_TRUE(all<Favorite>().empty());
  window_->redo();
  window_->redo();
  EXPECT_NE(favoriteNode("Night"), nullptr);
  EXPECT_EQ(favoriteNames(), std::vector<QString>{"Night"});
  EXPECT_FALSE(context_->hasChanges());
}

}  // namespace
}  // namespace zelvo::test
