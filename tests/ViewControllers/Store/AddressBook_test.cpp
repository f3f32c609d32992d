// The address book on a real store file: sites added, edited and removed, the wall stored
// as a favourite, unique names, what recorders report, undo and redo of each change, and
// favourites that leave nothing behind.
#include "ViewControllers/Store/AddressBook.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "ViewControllers/Store/Favorite.h"
#include "ViewControllers/Store/FavoriteCamera.h"
#include "ViewControllers/Store/FavoriteCameraTarget.h"
#include "ViewControllers/Store/ManagedObjectContext.h"
#include "ViewControllers/Store/Site.h"
#include "ViewControllers/Store/SiteCamera.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "tests/ViewControllers/Store/StoreFixture.h"

namespace zelvo::test {
namespace {

// What the book told: one line per change.
class RecordingListener : public AddressBook::Listener {
 public:
  void siteAdded(const std::shared_ptr<SiteInfo>& site) override { told.push_back("+site " + name(site)); }
  void siteEdited(const std::shared_ptr<SiteInfo>& site) override { told.push_back("~site " + name(site)); }
  void siteRemoved(const QUrl&) override { told.push_back("-site"); }
  void favoriteAdded(const std::shared_ptr<FavoriteTarget>& favorite, bool isNew) override {
    told.push_back((isNew ? "+new favorite " : "+favorite ") + favorite->name().value_or("").toStdString());
  }
  void favoriteRenamed(const QUrl&, const QString& name) override { told.push_back("~favorite " + name.toStdString()); }
  void favoriteRemoved(const QUrl&) override { told.push_back("-favorite"); }

  static std::string name(const std::shared_ptr<SiteInfo>& site) { return site->name().value_or("").toStdString(); }
  std::vector<std::string> told;
};

class AddressBookTest : public StoreFixture {
 protected:
  void SetUp() override { start(); }

  // One start of the application on the folder.
  void start() {
    book_.reset();
    context_.reset();
    close();
    context_ = open();
    ASSERT_NE(context_, nullptr);
    book_ = std::make_unique<AddressBook>(context_, [this](const StoreError& e) { presented_.push_back(e); });
    book_->setListener(&listener_);
    book_->setUndoRegistrar([this](AddressBook::UndoStep step) { steps_.push_back(std::move(step)); });
  }

  std::shared_ptr<Site> addSite(const QString& name, int cameraCount = 16) {
    std::shared_ptr<Site> site = book_->newSite();
    site->setName(name);
    site->setAddress(QStringLiteral("10.0.0.5"));
    site->setPort(9000);
    site->setIndex(0);
    site->setCameraCount(cameraCount);
    book_->addSite(site);
    return site;
  }

  // A site row as the store holds it (a deleted or hidden one, too).
  std::shared_ptr<Site> storeSite(const QString& name, bool deleted = false, bool autoDetect = false) {
    auto site = context_->insertNewObject<Site>();
    site->setName(name);
    site->setDeleted(deleted);
    site->setAutoDetect(autoDetect);
    EXPECT_TRUE(context_->save());
    return site;
  }

  // A recorder's record as the wall has it.
  static std::shared_ptr<SiteInfo> wallRecord(const QString& name, qint64 cameras, const QString& address) {
    auto site = std::make_shared<SiteInfo>();
    site->setName(name);
    site->setAddress(address);
    site->setPort(9000);
    site->setUser(QStringLiteral("admin"));
    site->setPassword(QStringLiteral("secret"));
    site->setAutoLogin(false);
    site->setCameraCount(cameras);
    return site;
  }

  // The saved file, read with plain SQL: the sites the operator sees, and the favourites
  // with their planes.
  QStringList savedState() {
    RawDatabase raw(storePath());
    EXPECT_TRUE(raw.isOpen());
    QStringList state = raw.column(QStringLiteral(
        "SELECT 'site ' || ifnull(name,'') || ' ' || ifnull(address,'') || ' ' || ifnull(port,'') || ' ' || "
        "ifnull(autoLogin,'') FROM Site WHERE ifnull(deleted,0) = 0 ORDER BY _pk"));
    state << raw.column(QStringLiteral(
        "SELECT 'favorite ' || ifnull(f.name,'') || ' planes=' || (SELECT count(*) FROM FavoriteCamera c WHERE "
        "c._favorite = f._pk) FROM Favorite f ORDER BY f.name"));
    return state;
  }
  int rows(const char* table) {
    RawDatabase raw(storePath());
    return raw.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toInt();
  }

  std::vector<QString> favoriteNames() {
    std::vector<QString> names;
    for (const auto& favorite : book_->loadFavoriteInfo()) names.push_back(favorite->name().value_or(""));
    return names;
  }

  std::shared_ptr<ManagedObjectContext> context_;
  std::unique_ptr<AddressBook> book_;
  RecordingListener listener_;
  std::vector<AddressBook::UndoStep> steps_;
  std::shared_ptr<FavoriteTarget> favorite_;
};

TEST_F(AddressBookTest, ANewSiteJoinsWithSixteenCamerasOnlyOnceItIsAdded) {
  std::shared_ptr<Site> site = book_->newSite();
  site->setName(QStringLiteral("Gate"));
  ASSERT_TRUE(context_->save()) << "a save while the dialog is open";
  EXPECT_EQ(rows("Site"), 0) << "stores nothing of the unfinished site";
  book_->addSite(site);
  EXPECT_FALSE(context_->hasChanges());
  EXPECT_EQ(rows("Site"), 1);
  EXPECT_EQ(rows("SiteCamera"), 16);
  ASSERT_EQ(site->cameras().size(), 16u);
  EXPECT_EQ(site->cameras()[15]->title(), std::optional<QString>("CAM16"));
  EXPECT_EQ(listener_.told, (std::vector<std::string>{"+site Gate"}));

  std::shared_ptr<Site> dropped = book_->newSite();
  dropped.reset();
  ASSERT_TRUE(context_->save());
  EXPECT_EQ(rows("Site"), 1) << "a cancelled new site leaves no row";
}

struct NameCase {
  const char* name;
  const char* stored;
  bool deleted;
  bool autoDetect;
  const char* asked;
  bool clash;
};

class AddressBookNameTest : public AddressBookTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(AddressBookNameTest, OnlyLiveSitesHoldTheirNames) {
  const NameCase& c = GetParam();
  auto row = storeSite(c.stored, c.deleted, c.autoDetect);
  const QUrl newRow = book_->newSite()->objectURI();
  EXPECT_EQ(book_->hasSameSiteName(c.asked, newRow), c.clash);
  EXPECT_FALSE(book_->hasSameSiteName(c.asked, row->objectURI())) << "the row itself never clashes";
}

INSTANTIATE_TEST_SUITE_P(
    Table, AddressBookNameTest,
    ::testing::Values(NameCase{"LiveSite", "Lobby", false, false, "Lobby", true},
                      NameCase{"OtherCase", "Lobby", false, false, "lobby", false},
                      NameCase{"SoftDeleted", "Lobby", true, false, "Lobby", false},
                      NameCase{"AutoSite", "Lobby", true, true, "Lobby", false},
                      NameCase{"AutoDetectedOnly", "Lobby", false, true, "Lobby", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddressBookTest, FavouritesTakeTheFirstFreeUntitledNameAndRenamesStayUnique) {
  const auto first = book_->addFavorite({});
  book_->addFavorite({});
  EXPECT_EQ(favoriteNames(), (std::vector<QString>{"Untitled Favorite", "Untitled Favorite(2)"}));
  ASSERT_TRUE(book_->removeFavorite(*first->favoriteID()));
  book_->addFavorite({});
  EXPECT_EQ(favoriteNames(), (std::vector<QString>{"Untitled Favorite(2)", "Untitled Favorite"}));

  const auto third = book_->addFavorite({});
  EXPECT_EQ(book_->renameFavorite(*third->favoriteID(), "Untitled Favorite"),
            std::optional<QString>("Untitled Favorite(3)"))
      << "a rename to a taken name gets the next free one";
  EXPECT_EQ(book_->renameFavorite(*third->favoriteID(), ""), std::optional<QString>("Untitled Favorite(3)"))
      << "an emptied title keeps the stored name";
  EXPECT_EQ(book_->renameFavorite(QUrl("zelvo-store://x/Favorite/p99"), "x"), std::nullopt);
  EXPECT_FALSE(context_->hasChanges());
}

TEST_F(AddressBookTest, AnEditedSiteGivesItsValuesToTheRecordAndIsSaved) {
  std::shared_ptr<Site> row = addSite("Lobby");
  const AddressBook::SiteValues before = AddressBook::siteValues(*row);
  std::shared_ptr<SiteInfo> record = SiteInfo::makeSiteInfo(*row);
  // What the dialog writes.
  row->setName(QStringLiteral("Hall"));
  row->setAddress(QStringLiteral("10.0.0.6"));
  row->setAutoLogin(true);
  row->setUser(QStringLiteral("op"));
  book_->siteEdited(*record, row, before);
  EXPECT_EQ(record->name(), std::optional<QString>("Hall"));
  EXPECT_EQ(record->address(), std::optional<QString>("10.0.0.6"));
  EXPECT_EQ(record->user(), std::optional<QString>("op"));
  EXPECT_FALSE(context_->hasChanges());
  EXPECT_TRUE(savedState().contains("site Hall 10.0.0.6 9000 1"));
}

TEST_F(AddressBookTest, ARemovedSiteIsFlaggedSavedAndStaysOutAfterARestart) {
  std::shared_ptr<Site> row = addSite("Lobby");
  EXPECT_TRUE(book_->removeSite(row->objectURI()));
  EXPECT_FALSE(context_->hasChanges());
  EXPECT_FALSE(book_->removeSite(row->objectURI())) << "a removed site is not removed twice";
  start();
  EXPECT_TRUE(book_->loadSiteInfo().empty());
  EXPECT_EQ(rows("Site"), 1) << "kept in the store, flagged";
}

TEST_F(AddressBookTest, ARecorderRetitlesItsSiteButNoEmptyTitleOverwrites) {
  std::shared_ptr<Site> row = addSite("Lobby", 4);
  std::shared_ptr<SiteInfo> record = SiteInfo::makeSiteInfo(*row);
  record->setCameraCount(6);
  (*record->camTitles())["1"] = "Door";
  (*record->camTitles())["2"] = "";
  book_->updateSite(*record);
  EXPECT_EQ(row->cameraCount(), std::optional<qint64>(6));
  EXPECT_EQ(row->cameras()[0]->title(), std::optional<QString>("Door"));
  EXPECT_EQ(row->cameras()[1]->title(), std::optional<QString>("CAM2"));
  EXPECT_FALSE(context_->hasChanges());
}

// Four planes of one recorder: four hidden sites and four favourite cameras, the wall's own
// record untouched.
TEST_F(AddressBookTest, AFavouriteOfFourPlanesOfOneRecorderCopiesTheWallsRecord) {
  std::shared_ptr<SiteInfo> wall = wallRecord("Lobby", 4, "10.0.0.5");
  wall->setSiteID(QUrl("zelvo-store://x/Site/p1"));
  std::vector<AddressBook::WallCamera> planes;
  for (qint64 i = 0; i < 4; ++i) planes.push_back({i, i + 1, wall});
  const auto target = book_->addFavorite(planes);
  EXPECT_EQ(wall->autoLogin(), std::optional<bool>(false)) << "the wall's record keeps its login choice";
  EXPECT_EQ(wall->siteID(), std::optional<QUrl>(QUrl("zelvo-store://x/Site/p1"))) << "and its identity";
  EXPECT_FALSE(context_->hasChanges());
  EXPECT_EQ(target->favoriteCameras().size(), 4u);
  int hidden = 0;
  const auto sites = context_->fetch<Site>().value_or(std::vector<std::shared_ptr<Site>>{});
  for (const auto& site : sites) {
    EXPECT_TRUE(site->deleted().value_or(false));
    EXPECT_EQ(site->autoLogin(), std::optional<bool>(true));
    EXPECT_EQ(site->dvrInfo(), std::optional<QString>(""));
    EXPECT_EQ(site->cameras().front()->title(), std::optional<QString>("Cam1"));
    ++hidden;
  }
  EXPECT_EQ(hidden, 4);
  EXPECT_TRUE(book_->loadSiteInfo().empty()) << "hidden sites are not the operator's";
}

TEST_F(AddressBookTest, WithoutAStoreNothingHappens) {
  AddressBook book(nullptr, [this](const StoreError& e) { presented_.push_back(e); });
  EXPECT_EQ(book.newSite(), nullptr);
  EXPECT_EQ(book.addFavorite({}), nullptr);
  EXPECT_FALSE(book.removeSite(QUrl("zelvo-store://x/Site/p1")));
  EXPECT_FALSE(book.hasSameSiteName("x", QUrl()));
  EXPECT_FALSE(book.save());
  EXPECT_TRUE(book.loadSiteInfo().empty());
  EXPECT_TRUE(presented_.empty());
}

// Each change is one step: undo brings the saved file back to what it was before, redo to
// what it was after, and the step is named for the menu.
TEST_F(AddressBookTest, UndoAndRedoTakeBackAndRedoEachChangeInTheSavedStore) {
  std::shared_ptr<Site> lobby;
  const struct {
    const char* actionName;
    std::function<void()> act;
  } cases[] = {
      {"Add Site", [&] { lobby = addSite("Lobby", 2); }},
      {"Edit Site",
       [&] {
         const auto before = AddressBook::siteValues(*lobby);
         auto record = SiteInfo::makeSiteInfo(*lobby);
         lobby->setName(QStringLiteral("Hall"));
         lobby->setAddress(QStringLiteral("10.0.0.7"));
         book_->siteEdited(*record, lobby, before);
       }},
      {"Add Favorite",
       [&] {
         auto wall = wallRecord("Yard", 2, "10.0.0.8");
         book_->addFavorite({{0, 1, wall}, {3, 2, wall}});
       }},
      // Redo stored the favourite again, under a new identity, as the tree was told.
      {"Rename Favorite", [&] { book_->renameFavorite(*book_->loadFavoriteInfo().front()->favoriteID(), "Night"); }},
      {"Remove Favorite", [&] { book_->removeFavorite(*book_->loadFavoriteInfo().front()->favoriteID()); }},
      {"Remove Site", [&] { book_->removeSite(lobby->objectURI()); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.actionName);
    const QStringList before = savedState();
    const size_t stepsBefore = steps_.size();
    c.act();
    ASSERT_EQ(steps_.size(), stepsBefore + 1) << "one step";
    EXPECT_EQ(steps_.back().actionName, c.actionName);
    const QStringList after = savedState();
    ASSERT_NE(after, before);
    steps_.back().undo();
    EXPECT_FALSE(context_->hasChanges());
    EXPECT_EQ(savedState(), before);
    steps_.back().redo();
    EXPECT_FALSE(context_->hasChanges());
    EXPECT_EQ(savedState(), after);
  }
}

// A favourite stored again by undo or redo gets a new row: the steps still find it.
TEST_F(AddressBookTest, StepsFollowAFavouriteThatUndoStoredAgain) {
  auto wall = wallRecord("Yard", 2, "10.0.0.8");
  favorite_ = book_->addFavorite({{1, 2, wall}});
  book_->renameFavorite(*favorite_->favoriteID(), "Night");
  ASSERT_EQ(steps_.size(), 2u);
  steps_[1].undo();
  steps_[0].undo();
  EXPECT_TRUE(favoriteNames().empty());
  steps_[0].redo();
  steps_[1].redo();
  EXPECT_EQ(favoriteNames(), std::vector<QString>{"Night"});
  steps_[1].undo();
  EXPECT_EQ(favoriteNames(), std::vector<QString>{"Untitled Favorite"});
  const auto favorites = book_->loadFavoriteInfo();
  ASSERT_EQ(favorites.size(), 1u);
  ASSERT_EQ(favorites.front()->favoriteCameras().count(1), 1u);
  EXPECT_EQ(favorites.front()->favoriteCameras().at(1)->camera(), 2);
  EXPECT_EQ(listener_.told.back(), "~favorite Untitled Favorite");
}

TEST_F(AddressBookTest, AHundredFavouritesStoredAndRemovedLeaveTheSiteTableAsItWas) {
  addSite("Lobby", 4);
  const int sites = rows("Site");
  const int cameras = rows("SiteCamera");
  for (int i = 0; i < 100; ++i) {
    auto wall = wallRecord("Yard", 4, "10.0.0.8");
    const auto target = book_->addFavorite({{0, 1, wall}, {1, 2, wall}, {2, 3, wall}});
    ASSERT_TRUE(book_->removeFavorite(*target->favoriteID()));
  }
  EXPECT_EQ(rows("Site"), sites);
  EXPECT_EQ(rows("SiteCamera"), cameras);
  EXPECT_EQ(rows("Favorite"), 0);
  EXPECT_EQ(rows("FavoriteCamera"), 0);
}

// A hidden site another favourite names too (a store written otherwise) stays for it.
TEST_F(AddressBookTest, AHiddenSiteAnotherFavouriteNamesStays) {
  auto hidden = storeSite("Yard", /*deleted=*/true);
  QUrl ids[2];
  for (int f = 0; f < 2; ++f) {
    auto favorite = context_->insertNewObject<Favorite>();
    favorite->setName(QStringLiteral("F%1").arg(f));
    auto camera = context_->insertNewObject<FavoriteCamera>();
    camera->setPlaneNumber(0);
    camera->setCameraNumber(1);
    camera->setSiteID(hidden->objectURI().toString());
    camera->setFavorite(favorite);
    ids[f] = favorite->objectURI();
  }
  ASSERT_TRUE(context_->save());
  ASSERT_TRUE(book_->removeFavorite(ids[0]));
  EXPECT_EQ(rows("Site"), 1);
  ASSERT_TRUE(book_->removeFavorite(ids[1]));
  EXPECT_EQ(rows("Site"), 0) << "the last favourite takes it along";
}

TEST_F(AddressBookTest, AStoredFavouriteShowsEachCameraOnItsPlaneAfterARestart) {
  auto front = wallRecord("Front", 4, "10.0.0.8");
  auto back = wallRecord("Back", 2, "10.0.0.9");
  book_->addFavorite({{0, 2, front}, {3, 1, back}, {5, 4, front}, {63, 2, back}});
  start();
  const auto favorites = book_->loadFavoriteInfo();
  ASSERT_EQ(favorites.size(), 1u);
  const FavoriteCameraMap& planes = favorites.front()->favoriteCameras();
  const struct {
    qint64 plane, camera;
    const char* site;
  } expected[] = {{0, 2, "10.0.0.8"}, {3, 1, "10.0.0.9"}, {5, 4, "10.0.0.8"}, {63, 2, "10.0.0.9"}};
  ASSERT_EQ(planes.size(), std::size(expected));
  for (const auto& e : expected) {
    SCOPED_TRACE(e.plane);
    ASSERT_EQ(planes.count(e.plane), 1u);
    EXPECT_EQ(planes.at(e.plane)->camera(), e.camera);
    EXPECT_EQ(planes.at(e.plane)->siteInfo()->address(), std::optional<QString>(e.site));
    EXPECT_EQ(planes.at(e.plane)->siteInfo()->autoLogin(), std::optional<bool>(true));
  }
}

}  // namespace
}  // namespace zelvo::test
