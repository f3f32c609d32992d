// The main window's controls: connecting from the tree, the login question, colour and
// volume, the buttons that follow the wall, the sequence timer, the warning in the
// toolbar, remote setup, which menu items may run, and where the keyboard starts and goes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <string>
#include <vector>

#include "ViewControllers/Dialogs/LoginWindowController.h"
#include "ViewControllers/MainWindow/MainWindowPanes.h"
#include "ViewControllers/Dialogs/PreferenceController.h"
#include "ViewControllers/VideoView.h"
#include "tests/ViewControllers/MainWindowFixture.h"
#include "tests/support/Wait.h"
#include "ui_MainWindowController.h"

namespace zelvo::test {
namespace {

using MainWindowTest = MainWindowFixture;

std::shared_ptr<ChildNode> child(const std::shared_ptr<ChildNode>& node, size_t index) {
  return node && index < node->children().size() ? std::dynamic_pointer_cast<ChildNode>(node->children()[index])
                                                 : nullptr;
}

TEST_F(MainWindowTest, ConnectOnACameraRowShowsOnlyThatCameraOnPlaneZeroAfterDisconnectingAll) {
  auto lobby = storeSite("Lobby", 4);
  auto gate = storeSite("Gate", 4);
  open();
  bindSite(gate, 10);
  ASSERT_EQ(clients_.madeCount(), 1u);
  auto camera = child(siteNode("Lobby"), 2);
  ASSERT_NE(camera, nullptr);
  ASSERT_EQ(camera->index(), 3);
  select(camera);
  window_->connectSelected();
  EXPECT_EQ(toolbarResets_, 1) << "the toolbar information is reset";
  VideoViewController& wall = *window_->videoViewController();
  EXPECT_EQ(wall.boundNetworkClientCount(), 1);
  EXPECT_FALSE(wall.hasNetworkClientForPlane(10)) << "everything else was disconnected first";
  ASSERT_TRUE(wall.hasNetworkClientForPlane(0));
  EXPECT_FALSE(wall.hasNetworkClientForPlane(1));
  EXPECT_EQ(wall.siteInfoForPlane(0)->name(), std::optional<QString>("Lobby"));
  EXPECT_EQ(unarchiveSiteInfo(camera->data())->index(), std::optional<qint64>(3));
}

TEST_F(MainWindowTest, ConnectOnASiteRowShowsTheWholeSite) {
  storeSite("Lobby", 4);
  open();
  select(siteNode("Lobby"));
  window_->connectSelected();
  VideoViewController& wall = *window_->videoViewController();
  for (int64_t plane = 0; plane < 4; ++plane) EXPECT_TRUE(wall.hasNetworkClientForPlane(plane)) << plane;
  EXPECT_FALSE(wall.hasNetworkClientForPlane(4));
}

// A section row stands for no recorder: connecting and remote setup do nothing there.
TEST_F(MainWindowTest, SectionRowsConnectNothing) {
  open();
  auto section = std::make_shared<ChildNode>();
  tree().setSelectedNode(section);
  window_->validateActions();
  EXPECT_FALSE(window_->findChild<QAction*>("actionConnect")->isEnabled());
  EXPECT_FALSE(window_->findChild<QAction*>("actionRemoteSetup")->isEnabled());
  window_->connectSelected();
  window_->connectSetupFromMenu();
  EXPECT_EQ(clients_.madeCount(), 0u);
  EXPECT_TRUE(remoteSetups_.empty());
  EXPECT_EQ(toolbarResets_, 0);
}

struct LoginCase {
  const char* name;
  std::optional<bool> autoLogin;
  std::optional<bool> autoDetect;
  FakeState clientState;  // of a client already on the wall for the site (Disconnected: none)
  bool onWall;
  bool asks;
};

class MainWindowLoginTest : public MainWindowFixture, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(MainWindowLoginTest, AsksForLoginDetailsOnlyWhenNeeded) {
  const LoginCase& c = GetParam();
  auto row = storeSite("Lobby", 4);
  open();
  auto site = SiteInfo::makeSiteInfo(*row);
  site->setAutoLogin(c.autoLogin);
  site->setAutoDetect(c.autoDetect);
  if (c.onWall) {
    // The wall's client for the same recorder, connected without a question.
    std::shared_ptr<SiteInfo> onWall = SiteInfo::makeSiteInfo(*row);
    window_->videoViewController()->connectToSite(onWall, 20);
    ASSERT_EQ(clients_.madeCount(), 1u);
    clients_.client(0)->setState(c.clientState);
  }
  EXPECT_EQ(window_->isLoginRequiredForSiteInfo(*site), c.asks);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MainWindowLoginTest,
    ::testing::Values(LoginCase{"AutoLoginWithDetails", true, false, FakeState::Disconnected, false, false},
                      LoginCase{"NoAutoLogin", false, false, FakeState::Disconnected, false, true},
                      LoginCase{"AutoLoginUnset", std::nullopt, false, FakeState::Disconnected, false, true},
                      LoginCase{"AutoDetected", true, true, FakeState::Disconnected, false, true},
                      LoginCase{"AutoDetectedConnected", true, true, FakeState::Connected, true, false},
                      LoginCase{"NoAutoLoginConnected", false, false, FakeState::Connected, true, false},
                      LoginCase{"AutoDetectedOnlyBound", true, true, FakeState::Connecting, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, TheLoginSheetFillsTheRecordOrCancels) {
  open();
  auto site = SiteInfo::create();
  site->setName(QString("Lobby"));
  site->setAutoLogin(false);
  QTimer::singleShot(0, window_.get(), [this] { window_->loginWindowController()->reject(); });
  EXPECT_FALSE(window_->requestLoginInfoForSiteInfo(site));
  EXPECT_FALSE(site->user().has_value());
}

TEST_F(MainWindowTest, ColourControlsAreOffAtZeroWithoutAClientAndResetSendsZeros) {
  open();
  for (int i = 0; i < 4; ++i) {
    QSlider* slider = window_->colorSlider(i);
    ASSERT_NE(slider, nullptr);
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_EQ(slider->value(), 0);
  }
  auto row = storeSite("Lobby", 4);
  bindSite(row);
  window_->videoView()->setSelectedPlane(1);
  window_->updateColorControls();
  EXPECT_TRUE(window_->colorSlider(0)->isEnabled());
  window_->colorSlider(2)->setValue(40);
  EXPECT_FLOAT_EQ(window_->videoView()->getCameraConfigurationFromSelectedPlane().brightness, 0.4f);
  window_->resetColorControl();
  EXPECT_EQ(window_->videoView()->getCameraConfigurationFromSelectedPlane(), CameraConfiguration{});
  EXPECT_EQ(window_->colorSlider(2)->value(), 0);
}

TEST_F(MainWindowTest, TheVolumeSliderShowsTheGainAndSetsIt) {
  gain_ = 0.5f;
  open();
  QSlider* volume = window_->ui()->volumeSlider;
  EXPECT_EQ(volume->maximum(), 100);
  EXPECT_EQ(volume->value(), 50);
  window_->muteVolume();
  EXPECT_EQ(gain_, 0.0f);
  window_->maximizeVolume();
  EXPECT_EQ(gain_, 1.0f);
  volume->setValue(25);
  EXPECT_FLOAT_EQ(gain_, 0.25f);
}

TEST_F(MainWindowTest, FavouriteAndDisconnectFollowWhetherAnyPlaneIsBound) {
  auto row = storeSite("Lobby", 2);
  open();
  QToolButton* favorite = window_->ui()->favoriteButton;
  QToolButton* disconnect = window_->ui()->disconnectButton;
  EXPECT_FALSE(favorite->isEnabled());
  EXPECT_FALSE(disconnect->isEnabled());
  bindSite(row);
  EXPECT_TRUE(favorite->isEnabled());
  EXPECT_TRUE(disconnect->isEnabled());
  window_->videoViewController()->unbindAllPlanes();
  EXPECT_FALSE(favorite->isEnabled());
  EXPECT_FALSE(disconnect->isEnabled());
}

// The menu item and the toolbar star follow one rule, so neither a shortcut nor a click
// stores an empty wall.
TEST_F(MainWindowTest, AddFavoriteFollowsTheStar) {
  auto row = storeSite("Lobby", 2);
  open();
  QAction* item = window_->ui()->actionAddFavorite;
  QToolButton* star = window_->ui()->favoriteButton;
  window_->validateActions();
  EXPECT_FALSE(item->isEnabled());
  EXPECT_FALSE(star->isEnabled());
  item->trigger();
  star->click();
  EXPECT_TRUE(all<Favorite>().empty());
  bindSite(row);
  EXPECT_TRUE(item->isEnabled());
  EXPECT_TRUE(star->isEnabled());
  item->trigger();
  ASSERT_EQ(all<Favorite>().size(), 1u);
  EXPECT_FALSE(all<Favorite>().front()->cameras().empty());
  window_->videoViewController()->unbindAllPlanes();
  EXPECT_FALSE(item->isEnabled());
  EXPECT_FALSE(star->isEnabled());
}

TEST_F(MainWindowTest, TheSequenceTimerRunsWhileTheToggleIsOnAndFiresWhileAMenuIsOpen) {
  preferences_.values_[PreferenceSequenceIntervalKey] = 0;  // broken: the shortest tour instead
  open();
  QToolButton* sequence = window_->ui()->sequenceButton;
  NotificationCenter::defaultCenter().post(PreferenceSequenceNotification, &preferences_,
                                           {{PreferenceSequenceIntervalKey.toStdString(), std::any(QVariant(7))}});
  EXPECT_EQ(window_->repeatingTimer(), nullptr) << "a new interval while off starts nothing";
  sequence->click();
  ASSERT_NE(window_->repeatingTimer(), nullptr);
  EXPECT_EQ(window_->repeatingTimer()->interval(), 5000);
  NotificationCenter::defaultCenter().post(PreferenceSequenceNotification, &preferences_,
                                           {{PreferenceSequenceIntervalKey.toStdString(), std::any(QVariant(9))}});
  EXPECT_EQ(window_->repeatingTimer()->interval(), 9000);

  // A short interval for the test: the timer must fire inside the menu's own loop.
  window_->repeatingTimer()->setInterval(20);
  QMenu* menu = window_->ui()->menuFile;
  int ticks = 0;
  QObject::connect(window_->repeatingTimer(), &QTimer::timeout, menu, [&] {
    if (++ticks == 2) menu->close();
  });
  // A limit so that a timer that never fires fails instead of hanging.
  QTimer::singleShot(10000, menu, &QMenu::close);
  menu->exec(QPoint(10, 10));
  EXPECT_GE(ticks, 2) << "the timer fired while the menu ran";

  sequence->click();
  EXPECT_EQ(window_->repeatingTimer(), nullptr);
}

TEST_F(MainWindowTest, TheToolbarWarningOpensACollapsedPanelOnTheLog) {
  open();
  QToolButton* panelSegment = window_->ui()->panelPaneSegment;
  panelSegment->click();
  window_->panes()->finishAnimations();
  QApplication::processEvents();
  ASSERT_TRUE(window_->ui()->rightSideView->isHidden());
  window_->toolbarInfoViewWarningClicked();
  EXPECT_EQ(panelPages_, std::vector<int>{2});
  EXPECT_TRUE(panelSegment->isChecked());
  window_->panes()->finishAnimations();
  QApplication::processEvents();
  EXPECT_FALSE(window_->ui()->rightSideView->isHidden());
  EXPECT_EQ(window_->ui()->rightSideView->width(), 213);
}

TEST_F(MainWindowTest, RemoteSetupWithNoSiteTurnsTheToggleBackOff) {
  open();
  QToolButton* setup = window_->ui()->remoteSetupButton;
  setup->setEnabled(true);
  setup->click();
  EXPECT_FALSE(setup->isChecked()) << "no window opened, so the toggle is off again";
  EXPECT_TRUE(remoteSetups_.empty());

  auto row = storeSite("Lobby", 2);
  bindSite(row);
  EXPECT_TRUE(setup->isEnabled());
  setup->click();
  EXPECT_TRUE(setup->isChecked());
  ASSERT_EQ(remoteSetups_.size(), 1u);
  window_->remoteSetupWindowWillClose();
  EXPECT_FALSE(setup->isChecked());
  setup->click();
  setup->click();
  EXPECT_EQ(remoteSetupCloses_, 1);
}

struct MenuCase {
  const char* name;
  int node;  // 0 none, 1 site row, 2 camera row, 3 favourite row
  bool editRemove;
  bool remoteSetup;
  bool connect;
};

class MainWindowMenuTest : public MainWindowFixture, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(MainWindowMenuTest, MenuItemsFollowTheSelectedRow) {
  const MenuCase& c = GetParam();
  storeSite("Lobby", 2);
  open();
  window_->addFavorite();
  std::shared_ptr<ChildNode> node;
  if (c.node == 1) node = siteNode("Lobby");
  if (c.node == 2) node = child(siteNode("Lobby"), 0);
  if (c.node == 3) node = favoriteNode("Untitled Favorite");
  if (node) select(node);
  else tree().setSelectedNode(nullptr);
  window_->validateActions();
  auto enabled = [&](const char* name) { return window_->findChild<QAction*>(name)->isEnabled(); };
  EXPECT_EQ(enabled("actionEditSite"), c.editRemove);
  EXPECT_EQ(enabled("actionRemoveSite"), c.editRemove);
  EXPECT_EQ(enabled("actionRemoteSetup"), c.remoteSetup);
  EXPECT_EQ(enabled("actionConnect"), c.connect);
  EXPECT_TRUE(enabled("actionLayout1x1"));
  EXPECT_TRUE(enabled("actionLayout8x8"));
  EXPECT_TRUE(enabled("actionQuit"));
  // An empty address book has no row to select: adding never waits for a selection.
  EXPECT_TRUE(enabled("actionAddSite"));
  EXPECT_FALSE(enabled("actionAddFavorite")) << "an empty wall is no favourite";
}

INSTANTIATE_TEST_SUITE_P(Table, MainWindowMenuTest,
                         ::testing::Values(MenuCase{"Nothing", 0, false, false, false},
                                           MenuCase{"SiteRow", 1, true, true, true},
                                           MenuCase{"CameraRow", 2, false, true, true},
                                           MenuCase{"FavoriteRow", 3, true, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, LayoutsFromTheMenuAndTheSegments) {
  open();
  window_->handleLayoutMenu(0);
  EXPECT_EQ(window_->videoView()->layout(), 0);
  EXPECT_FALSE(window_->ui()->previousLayoutSegment->isEnabled());
  EXPECT_TRUE(window_->findChild<QAction*>("actionLayout1x1")->isChecked());
  EXPECT_EQ(window_->ui()->layoutPopupButton->text(), "1 x 1");
  window_->changeLayout(1);
  EXPECT_EQ(window_->videoView()->firstPlaneInCurrentLayout(), 1) << "the next page";
  EXPECT_TRUE(window_->ui()->previousLayoutSegment->isEnabled());
  window_->changeLayout(0);
  EXPECT_EQ(window_->videoView()->firstPlaneInCurrentLayout(), 0);
  window_->handleLayoutMenu(9);
  EXPECT_EQ(window_->videoView()->layout(), 0) << "an unknown tag does nothing";
  window_->handleLayoutMenu(7);
  EXPECT_FALSE(window_->ui()->nextLayoutSegment->isEnabled());
}

TEST(MainWindowLayoutTagDeathTest, AnUnknownLayoutIsAProgrammingError) {
  EXPECT_EQ(MainWindowController::layoutMenuItemTag(7), 7);
  EXPECT_DEATH(MainWindowController::layoutMenuItemTag(8), "Invalid Layout");
}

TEST_F(MainWindowTest, TheWindowIsNeverNarrowerThanTheDividersNeed) {
  open();
  EXPECT_GE(window_->minimumWidth(), 900);
  window_->resize(700, 600);
  QApplication::processEvents();
  EXPECT_GE(window_->width(), 900);
}

TEST_F(MainWindowTest, TheSitePanelFillsItsPaneWhenTheDividerWidensIt) {
  open();
  QWidget* pane = window_->ui()->rightSideView;
  pane->setGeometry(pane->x() - 100, pane->y(), pane->width() + 100, pane->height());
  QApplication::processEvents();
  EXPECT_EQ(window_->ui()->sitePanel->geometry(), QRect(QPoint(0, 0), pane->size()));
}

TEST_F(MainWindowTest, ACloseThatTheApplicationRefusesKeepsTheWindow) {
  open();
  int asked = 0;
  bool answer = false;
  window_->setTerminationCheck([&] {
    ++asked;
    return answer;
  });
  EXPECT_FALSE(window_->close());
  EXPECT_TRUE(window_->isVisible());
  answer = true;
  EXPECT_TRUE(window_->close());
  EXPECT_EQ(asked, 2);
}

}  // namespace
}  // namespace zelvo::test

namespace zelvo::test {
namespace {

// Copy and Delete act on the wall while it has the focus, else Delete acts on the tree.
TEST_F(MainWindowTest, CopyAndDeleteGoToTheWallWhenItHasTheFocus) {
  storeSite("Lobby", 2);
  open();
  int wallDeletes = 0;
  Observation deletes(NotificationCenter::defaultCenter(), VideoViewDeleteRequestedNotification,
                      window_->videoView()->notificationObject(), [&](const Notification&) { ++wallDeletes; });
  select(siteNode("Lobby"));
  window_->activateWindow();
  window_->videoView()->setFocus();
  ASSERT_TRUE(waitUntil([&] { return window_->videoView()->hasFocus(); }));
  QAction* remove = window_->findChild<QAction*>("actionDelete");
  window_->validateActions();
  EXPECT_TRUE(remove->isEnabled());
  EXPECT_FALSE(window_->findChild<QAction*>("actionCopy")->isEnabled()) << "an empty plane has no picture to copy";
  remove->trigger();
  EXPECT_EQ(wallDeletes, 1);
  EXPECT_EQ(removeQuestions_, 0) << "the tree's site stays";

  window_->siteTreeViewController()->outlineView()->setFocus();
  ASSERT_TRUE(waitUntil([&] { return !window_->videoView()->hasFocus(); }));
  window_->validateActions();
  remove->trigger();
  EXPECT_EQ(wallDeletes, 1);
  EXPECT_EQ(removeQuestions_, 1) << "the selected site is asked about";
}

// What the keyboard finds when the window opens: the focus on the tree's outline, and Tab
// walking the window's controls pane by pane, left to right, back round to the outline;
// Shift+Tab walks them the other way.
using MainWindowFocusTest = MainWindowFixture;

// A widget by its name, or by its class inside its nearest named ancestor.
std::string focusName(const QWidget* widget) {
  if (!widget) return "(nothing)";
  if (!widget->objectName().isEmpty()) return widget->objectName().toStdString();
  const QWidget* named = widget->parentWidget();
  while (named && named->objectName().isEmpty()) named = named->parentWidget();
  return std::string(widget->metaObject()->className()) + " in " + (named ? named->objectName().toStdString() : "");
}

// Where the focus goes at each press of the key, until it comes back to where it started
// (or stays: a widget that keeps the key).
std::vector<std::string> walkFocus(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  std::vector<std::string> walk;
  QWidget* const start = QApplication::focusWidget();
  for (QWidget* at = start; walk.size() < 100;) {
    QTest::keyClick(at, key, modifiers);
    QWidget* next = QApplication::focusWidget();
    walk.push_back(focusName(next));
    if (next == start || next == at) break;
    at = next;
  }
  return walk;
}

TEST_F(MainWindowFocusTest, TheWindowOpensOnTheOutlineAndTabWalksThePanesInOrder) {
  storeSite("Lobby", 2);
  MainWindowController& window = open();
  ASSERT_TRUE(waitUntil([&] { return window.isActiveWindow() && QApplication::focusWidget(); }));
  EXPECT_EQ(focusName(QApplication::focusWidget()), "outlineView");

  // The tree pane, the wall, the site panel, then the toolbar's items, and round again.
  const std::vector<std::string> tabOrder = {
      "treeSearchField",
      "videoView",
      "statusTabButton",
      "nextLayoutSegment", "layoutPopupButton", "sequenceButton", "treePaneSegment", "panelPaneSegment",
      "volumeMute", "volumeSlider", "volumeMaximize",
      "outlineView",
  };
  EXPECT_EQ(walkFocus(Qt::Key_Tab), tabOrder);
  std::vector<std::string> backTabOrder(tabOrder.rbegin() + 1, tabOrder.rend());
  backTabOrder.push_back(tabOrder.back());
  EXPECT_EQ(walkFocus(Qt::Key_Backtab, Qt::ShiftModifier), backTabOrder);
}

}  // namespace
}  // namespace zelvo::test
