// The main window's address book on a real store file: sites added, edited and removed,
// the wall saved as a favourite, unique names, and what recorders report written back.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include "ViewControllers/SitePanel/DVRInfoView.h"
#include "ViewControllers/Dialogs/SiteSetupDialog.h"
#include "tests/ViewControllers/MainWindowFixture.h"
#include "tests/support/Wait.h"

namespace zelvo::test {
namespace {

using MainWindowStoreTest = MainWindowFixture;

TEST_F(MainWindowStoreTest, TheFormLoadsWithTheStatusPageAndTheStoredSites) {
  storeSite("Lobby");
  storeSite("Old", 4, /*deleted=*/true);
  storeSite("Hidden", 4, false, /*autoDetect=*/true);
  open();
  EXPECT_NE(siteNode("Lobby"), nullptr);
  EXPECT_EQ(siteNode("Old"), nullptr) << "a removed site stays out";
  EXPECT_EQ(siteNode("Hidden"), nullptr) << "a favourite's hidden site stays out";
  auto* status = window_->findChild<DVRInfoView*>();
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->isVisible());
  EXPECT_GE(status->width(), 200);
}

TEST_F(MainWindowStoreTest, TwoFavouritesInARowGetUniqueNamesAndARemovedNameIsFreeAgain) {
  open();
  window_->addFavorite();
  window_->addFavorite();
  EXPECT_EQ(favoriteNames(), (std::vector<QString>{"Untitled Favorite", "Untitled Favorite(2)"}));
  select(favoriteNode("Untitled Favorite"));
  window_->removeSite();
  EXPECT_FALSE(context_->hasChanges()) << "the removal is saved";
  window_->addFavorite();
  EXPECT_EQ(favoriteNames(), (std::vector<QString>{"Untitled Favorite(2)", "Untitled Favorite"}));
}

TEST_F(MainWindowStoreTest, AnEmptyWallStoresAFavouriteWithoutCameras) {
  open();
  window_->addFavorite();
  ASSERT_EQ(all<Favorite>().size(), 1u);
  EXPECT_TRUE(all<Favorite>().front()->cameras().empty());
  EXPECT_NE(favoriteNode("Untitled Favorite"), nullptr);
  EXPECT_FALSE(context_->hasChanges());
}

struct NameCase {
  const char* name;
  const char* stored;
  bool deleted;
  bool autoDetect;
  const char* asked;
  bool clash;
};

class MainWindowNameTest : public MainWindowFixture, public ::testing::WithParamInterface<NameCase> {};

TEST_P(MainWindowNameTest, OnlyLiveSitesHoldTheirNames) {
  const NameCase& c = GetParam();
  auto row = storeSite(c.stored, 4, c.deleted, c.autoDetect);
  open();
  const QUrl newRow = context_->createObject<Site>()->objectURI();
  EXPECT_EQ(window_->hasSameSiteName(c.asked, newRow), c.clash);
  EXPECT_FALSE(window_->hasSameSiteName(c.asked, row->objectURI())) << "the row itself never clashes";
}

INSTANTIATE_TEST_SUITE_P(
    Table, MainWindowNameTest,
    ::testing::Values(NameCase{"LiveSite", "Lobby", false, false, "Lobby", true},
                      NameCase{"OtherCase", "Lobby", false, false, "lobby", false},
                      NameCase{"SoftDeleted", "Lobby", true, false, "Lobby", false},
                      NameCase{"AutoSite", "Lobby", true, true, "Lobby", false},
                      NameCase{"AutoDetectedOnly", "Lobby", false, true, "Lobby", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowStoreTest, AnUnsavedSoftDeleteFreesTheNameAtOnce) {
  auto row = storeSite("Lobby");
  open();
  row->setDeleted(true);
  EXPECT_FALSE(window_->hasSameSiteName("Lobby", QUrl("zelvo-store://x/Site/p999")));
}

// Four planes of one recorder: four hidden sites and four favourite cameras, the wall's own
// record untouched, and after a new start one connection for the whole favourite.
TEST_F(MainWindowStoreTest, AFavouriteOfFourPlanesOfOneRecorder) {
  auto row = storeSite("Lobby", 4);
  open();
  std::shared_ptr<SiteInfo> wallSite = bindSite(row);
  ASSERT_EQ(clients_.madeCount(), 1u);
  clients_.client(0)->logIn(4, 4);
  const std::optional<QUrl> wallID = wallSite->siteID();
  ASSERT_EQ(window_->videoViewController()->boundNetworkClientCount(), 1);

  wallSite->setAutoLogin(false);
  window_->addFavorite();
  EXPECT_EQ(wallSite->autoLogin(), std::optional<bool>(false)) << "the wall's record keeps its login choice";
  EXPECT_EQ(wallSite->siteID(), wallID) << "and its stored identity";
  EXPECT_FALSE(context_->hasChanges());

  const auto favorites = all<Favorite>();
  ASSERT_EQ(favorites.size(), 1u);
  const auto cameras = favorites.front()->cameras();
  ASSERT_EQ(cameras.size(), 4u);
  int hidden = 0;
  for (const auto& site : all<Site>())
    if (site->deleted().value_or(false)) {
      ++hidden;
      EXPECT_EQ(site->autoLogin(), std::optional<bool>(true));
      EXPECT_EQ(site->dvrInfo(), std::optional<QString>(""));
      EXPECT_EQ(site->cameras().front()->title(), std::optional<QString>("Cam1"));
    }
  EXPECT_EQ(hidden, 4);
  for (size_t i = 0; i < cameras.size(); ++i) {
    EXPECT_EQ(cameras[i]->planeNumber(), std::optional<qint64>(static_cast<qint64>(i)));
    auto site = context_->objectWithURI<Site>(QUrl(cameras[i]->siteID().value_or("")));
    ASSERT_NE(site, nullptr);
    EXPECT_TRUE(site->deleted().value_or(false));
  }

  reopen();
  auto node = favoriteNode("Untitled Favorite");
  ASSERT_NE(node, nullptr);
  auto favorite = unarchiveFavoriteTarget(node->data());
  ASSERT_NE(favorite, nullptr);
  EXPECT_EQ(favorite->favoriteCameras().size(), 4u);
  select(node);
  const size_t before = clients_.madeCount();
  window_->connectSelected();
  EXPECT_EQ(clients_.madeCount(), before + 1) << "one connection for the recorder";
  EXPECT_EQ(window_->videoViewController()->boundNetworkClientCount(), 1);
}

TEST_F(MainWindowStoreTest, AFavouriteCameraWhoseSiteIsGoneIsSkipped) {
  auto favorite = context_->insertNewObject<Favorite>();
  favorite->setName(QStringLiteral("Broken"));
  const char* ids[] = {"not a uri", "zelvo-store://00000000-0000-0000-0000-000000000000/Site/p1", ""};
  for (int i = 0; i < 3; ++i) {
    auto camera = context_->insertNewObject<FavoriteCamera>();
    camera->setPlaneNumber(i);
    camera->setCameraNumber(1);
    camera->setSiteID(QString(ids[i]));
    camera->setFavorite(favorite);
  }
  ASSERT_TRUE(context_->save());
  LogCapture log;
  open();
  auto node = favoriteNode("Broken");
  ASSERT_NE(node, nullptr);
  EXPECT_TRUE(unarchiveFavoriteTarget(node->data())->favoriteCameras().empty());
  EXPECT_TRUE(log.contains("its site is not in the store"));
}

TEST_F(MainWindowStoreTest, CancellingTheRemoveQuestionChangesNothing) {
  storeSite("Lobby");
  open();
  select(siteNode("Lobby"));
  removeAnswer_ = false;
  window_->removeSite();
  EXPECT_EQ(removeQuestions_, 1);
  EXPECT_NE(siteNode("Lobby"), nullptr);
  EXPECT_FALSE(context_->hasChanges());
  EXPECT_FALSE(all<Site>().front()->deleted().value_or(false));
}

TEST_F(MainWindowStoreTest, ARemovedSiteLeavesTheTreeAtOnceIsSavedAndStaysOut) {
  storeSite("Lobby");
  open();
  select(siteNode("Lobby"));
  window_->removeSite();
  EXPECT_EQ(siteNode("Lobby"), nullptr);
  EXPECT_FALSE(context_->hasChanges()) << "a removal a crash could undo is no removal";
  reopen();
  EXPECT_EQ(siteNode("Lobby"), nullptr);
  EXPECT_TRUE(all<Site>().front()->deleted().value_or(false)) << "kept in the store, flagged";
}

TEST_F(MainWindowStoreTest, ACancelledNewSiteLeavesNoRow) {
  open();
  QTimer::singleShot(0, window_.get(), [this] { window_->siteSetupDialog()->reject(); });
  window_->addSite();
  EXPECT_TRUE(all<Site>().empty());
  EXPECT_FALSE(context_->hasChanges());
}

TEST_F(MainWindowStoreTest, ANewSiteGetsSixteenCamerasAndIsSaved) {
  open();
  bool savedWhileOpen = false;
  QTimer::singleShot(0, window_.get(), [this, &savedWhileOpen] {
    SiteSetupDialog* dialog = window_->siteSetupDialog();
    // A save while the dialog is open stores nothing of the unfinished site.
    window_->saveAction();
    savedWhileOpen = all<Site>().empty();
    dialog->findChild<QLineEdit*>("name")->setText("Gate");
    dialog->findChild<QLineEdit*>("address")->setText("10.0.0.9");
    dialog->findChild<QLineEdit*>("port")->setText("9000");
    dialog->accept();
  });
  window_->addSite();
  EXPECT_TRUE(savedWhileOpen);
  const auto sites = all<Site>();
  ASSERT_EQ(sites.size(), 1u);
  EXPECT_EQ(sites.front()->name(), std::optional<QString>("Gate"));
  ASSERT_EQ(sites.front()->cameras().size(), 16u);
  EXPECT_EQ(sites.front()->cameras()[15]->title(), std::optional<QString>("CAM16"));
  EXPECT_FALSE(context_->hasChanges());
  EXPECT_NE(siteNode("Gate"), nullptr);
}

TEST_F(MainWindowStoreTest, ACameraTableRetitlesTheOperatorsSiteButNoEmptyTitleOverwrites) {
  auto row = storeSite("Lobby", 4);
  open();
  std::shared_ptr<SiteInfo> wallSite = bindSite(row);
  std::vector<CameraInfo> cameras = *cameraTable(3);
  cameras[0].setTitle("Door");
  cameras[1].setStatus(0);  // no picture, so no title to learn
  wallSite->setCameraCount(6);
  window_->updateSiteFromSiteInfo(wallSite, std::make_shared<const std::vector<CameraInfo>>(cameras));
  EXPECT_EQ(row->cameraCount(), std::optional<qint64>(6));
  EXPECT_EQ(row->cameras()[0]->title(), std::optional<QString>("Door"));
  EXPECT_EQ(row->cameras()[1]->title(), std::optional<QString>("CAM2")) << wallSite->cameraTitleAtIndex(2).toStdString();
  EXPECT_FALSE(context_->hasChanges());
}

TEST_F(MainWindowStoreTest, LiveCameraInformationUpdatesTheCountFromTheRecorder) {
  auto row = storeSite("Lobby", 4);
  open();
  bindSite(row);
  clients_.client(0)->logIn(8, 8);
  EXPECT_EQ(row->cameraCount(), std::optional<qint64>(8));
}

// SQLite itself refuses the favourite's row: the save fails, is shown, and everything stays
// pending until a later save succeeds.
TEST_F(MainWindowStoreTest, AFailedSaveIsShownAndStaysPending) {
  storeSite("Lobby");
  open();
  auto sql = [this](const QString& statement) {
    const QString name = QStringLiteral("raw");
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
      db.setDatabaseName(folder_.filePath("Zelvo.storedata"));
      ASSERT_TRUE(db.open());
      QSqlQuery query(db);
      ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase(name);
  };
  sql("CREATE TRIGGER refuse BEFORE INSERT ON Favorite BEGIN SELECT RAISE(ABORT, 'refused'); END");
  window_->addFavorite();
  ASSERT_EQ(presentedErrors_.size(), 1u);
  EXPECT_TRUE(presentedErrors_.front().isStoreError(StoreError::SaveFailed));
  EXPECT_TRUE(context_->hasChanges());
  EXPECT_EQ(all<Favorite>().size(), 1u) << "the favourite is kept, pending";
  sql("DROP TRIGGER refuse");
  window_->saveAction();
  EXPECT_FALSE(context_->hasChanges());
  reopen();
  EXPECT_NE(favoriteNode("Untitled Favorite"), nullptr);
}

TEST_F(MainWindowStoreTest, WithoutAStoreTheStoreActionsAreOffAndDoNothing) {
  open(/*withStore=*/false);
  window_->validateActions();
  for (const char* name : {"actionAddSite", "actionEditSite", "actionRemoveSite", "actionAddFavorite", "actionSave"}) {
    auto* action = window_->findChild<QAction*>(name);
    ASSERT_NE(action, nullptr) << name;
    EXPECT_FALSE(action->isEnabled()) << name;
  }
  window_->addFavorite();
  window_->addSite();
  window_->removeSite();
  window_->saveAction();
  EXPECT_FALSE(window_->hasSameSiteName("x", QUrl()));
  EXPECT_TRUE(presentedErrors_.empty());
}

}  // namespace
}  // namespace zelvo::test
