// The search filter, the expansion memory and keeping the saved lists in step.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QRegularExpression>

#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/SiteTree/SiteTreeFakes.h"

namespace zelvo {
namespace {

class SiteTreeFilterTest : public ::testing::Test, public test::TreeFixture {
 protected:
  QAbstractItemModelTester tester{&core.model(), QAbstractItemModelTester::FailureReportingMode::Fatal};

  void SetUp() override {
    core.addSite(*site("Shop", {"CAM1", "CAM2"}, "1"));
    core.addSite(*site("Bank", {"Vault", "Desk"}, "2"));
    favorite("Lobby", "1");
    favorite("Yard", "2");
    core.expandNodeParents();
  }

  std::shared_ptr<SiteInfo> site(const QString& name, const QStringList& cameras, const QString& id) {
    auto record = SiteInfo::create();
    record->setSiteID(QUrl("x-zelvo-store://Site/" + id));
    record->setName(name);
    record->setCameraCount(cameras.size());
    for (int i = 0; i < cameras.size(); ++i) (*record->camTitles())[QString::number(i + 1)] = cameras[i];
    return record;
  }
  void favorite(const QString& name, const QString& id) {
    FavoriteTarget target;
    target.setName(name);
    core.addFavorite(target, QUrl("x-zelvo-store://Favorite/" + id), false);
  }
  // "Title[child,child]" for each node of a section.
  static QStringList shown(const BaseNode& section) {
    QStringList rows;
    for (const NodePtr& node : section.children()) {
      QStringList children;
      for (const NodePtr& c : node->children()) children << c->nodeTitle();
      rows << node->nodeTitle() + (children.isEmpty() ? "" : "[" + children.join(",") + "]");
    }
    return rows;
  }
  BaseNode* shop() { return core.siteNodeArray().empty() ? core.siteNode().children()[0].get() : core.siteNodeArray()[0].get(); }
};

TEST_F(SiteTreeFilterTest, TheFilterShowsMatchingEntriesAndCameras) {
  struct Case {
    const char* text;
    QStringList favorites, sites;
  };
  const Case cases[] = {
      {"cam2", {}, {"Shop[CAM2]"}},
      {"shop", {}, {"Shop[CAM1,CAM2]"}},
      {"SHOP", {}, {"Shop[CAM1,CAM2]"}},
      {"lob", {"Lobby"}, {}},
      {"a", {"Yard"}, {"Shop[CAM1,CAM2]", "Bank[Vault]"}},
      {"nothing", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    core.updateFilter(c.text);
    EXPECT_TRUE(core.searching());
    EXPECT_EQ(shown(core.favoriteNode()), c.favorites);
    EXPECT_EQ(shown(core.siteNode()), c.sites);
    // While searching every section is open.
    EXPECT_TRUE(view.isExpanded(&core.favoriteNode()));
    EXPECT_TRUE(view.isExpanded(&core.siteNode()));
    EXPECT_TRUE(view.isExpanded(&core.autoDetectNode()));
  }
  core.updateFilter("");
  EXPECT_FALSE(core.searching());
  EXPECT_EQ(shown(core.siteNode()), QStringList({"Shop[CAM1,CAM2]", "Bank[Vault,Desk]"}));
  EXPECT_EQ(shown(core.favoriteNode()), QStringList({"Lobby", "Yard"}));
}

TEST_F(SiteTreeFilterTest, AMatchingCameraShowsAnExpandedCopyOfItsSite) {
  BaseNode* original = core.siteNode().children()[0].get();
  core.updateFilter("cam2");
  ASSERT_EQ(core.siteNode().children().size(), 1u);
  BaseNode* copy = core.siteNode().children()[0].get();
  EXPECT_NE(copy, original);
  EXPECT_EQ(copy->nodeID(), original->nodeID());
  EXPECT_EQ(copy->children()[0], original->children()[1]);
  EXPECT_TRUE(view.isExpanded(copy));
  EXPECT_EQ(original->children().size(), 2u);
  // The camera drags as camera 2 of its site.
  auto payload = core.writeItem(copy->children()[0].get());
  ASSERT_TRUE(payload);
  EXPECT_EQ(unarchiveSiteInfo(*payload)->index(), 2);
  EXPECT_EQ(core.nodeType(copy), SectionSite);
  EXPECT_EQ(core.nodeType(copy->children()[0].get()), SectionAutoDetect);
}

TEST_F(SiteTreeFilterTest, ExpansionBeforeTheSearchComesBackAndDuringItIsForgotten) {
  view.collapse(&core.siteNode());
  view.expand(core.siteNode().children()[0].get());  // Shop open inside a closed section
  core.updateFilter("a");
  view.collapse(&core.favoriteNode());
  view.expand(&core.autoDetectNode());
  core.updateFilter("");
  EXPECT_FALSE(view.isExpanded(&core.siteNode()));
  EXPECT_TRUE(view.isExpanded(shop()));
  EXPECT_FALSE(view.isExpanded(core.siteNode().children()[1].get()));
  EXPECT_TRUE(view.isExpanded(&core.favoriteNode()));
  EXPECT_FALSE(view.isExpanded(&core.autoDetectNode()));
  EXPECT_FALSE(core.autoDetectNode().isExpanded());
}

TEST_F(SiteTreeFilterTest, EnteringAndLeavingTheSearchClearsTheSelection) {
  core.shouldSelectItem(core.siteNode().children()[0].get());
  core.updateFilter("shop");
  EXPECT_FALSE(core.selectedNode());
  core.shouldSelectItem(core.siteNode().children()[0].get());
  core.updateFilter("");
  EXPECT_FALSE(core.selectedNode());
  EXPECT_EQ(view.selected, nullptr);
}

TEST_F(SiteTreeFilterTest, ARenamedFavouriteKeepsItsNewNameAfterTheSearch) {
  core.updateFilter("lob");
  BaseNode* shown = core.favoriteNode().children()[0].get();
  shown->setNodeTitle("Hall");
  core.editFavoriteWhileSearching(*shown, core.searching());
  core.updateFilter("");
  EXPECT_EQ(this->shown(core.favoriteNode()), QStringList({"Hall", "Yard"}));
}

TEST_F(SiteTreeFilterTest, AnEditedSiteKeepsItsChangesAfterTheSearch) {
  core.updateFilter("cam2");
  core.shouldSelectItem(core.siteNode().children()[0].get());  // the copy
  auto record = site("Shop 2", {"CAM1", "CAM2"}, "1");
  record->setAddress("10.2.2.2");
  core.editSite(*record);
  core.updateFilter("");
  auto* restored = asChild(core.siteNode().children()[0].get());
  EXPECT_EQ(restored->nodeTitle(), "Shop 2");
  EXPECT_EQ(restored->address(), "10.2.2.2");
  EXPECT_EQ(unarchiveSiteInfo(restored->data())->name(), "Shop 2");
}

TEST_F(SiteTreeFilterTest, ASiteRemovedThroughItsCopyStaysRemoved) {
  core.updateFilter("cam2");
  core.shouldSelectItem(core.siteNode().children()[0].get());  // the copy of Shop
  core.removeSite();
  EXPECT_TRUE(core.siteNode().children().empty());
  core.updateFilter("");
  EXPECT_EQ(shown(core.siteNode()), QStringList({"Bank[Vault,Desk]"}));
}

// The outline moves its selection to the row that takes the removed one's place while
// the model takes it out, so the selection the removal started from is gone before it ends.
TEST_F(SiteTreeFilterTest, ASiteRemovedWhileTheOutlineMovesItsSelectionTakesOnlyThatSite) {
  core.updateFilter("a");
  ASSERT_EQ(shown(core.siteNode()), QStringList({"Shop[CAM1,CAM2]", "Bank[Vault]"}));
  QObject::connect(&core.model(), &QAbstractItemModel::rowsRemoved, [&](const QModelIndex& parent, int first) {
    core.shouldSelectItem(SiteTreeModel::nodeForIndex(core.model().index(first, 0, parent)));
  });
  core.shouldSelectItem(core.siteNode().children()[0].get());  // the copy of Shop
  core.removeSite();
  EXPECT_EQ(shown(core.siteNode()), QStringList({"Bank[Vault]"}));
  EXPECT_FALSE(core.selectedNode());
  core.updateFilter("");
  EXPECT_EQ(shown(core.siteNode()), QStringList({"Bank[Vault,Desk]"}));
}

TEST_F(SiteTreeFilterTest, ARemovedFavouriteStaysRemoved) {
  core.updateFilter("yar");
  core.shouldSelectItem(core.favoriteNode().children()[0].get());
  core.removeSite();
  core.updateFilter("");
  EXPECT_EQ(shown(core.favoriteNode()), QStringList({"Lobby"}));
}

// A live camera count that arrives during a search reaches the site itself, whether the
// filter shows it, shows a copy of it, or hides it.
TEST_F(SiteTreeFilterTest, ACameraCountUpdatedDuringASearchStaysAfterIt) {
  struct Case {
    const char* filter;
    const char* during;  // Shop's row while the filter is on
  };
  const Case cases[] = {
      {"shop", "Shop[CAM1,CAM2]"},
      {"cam2", "Shop[CAM2]"},
      {"bank", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    test::TreeFixture fresh;
    SiteTreeCore& tree = fresh.core;
    tree.addSite(*site("Shop", {"CAM1", "CAM2"}, "1"));
    tree.addSite(*site("Bank", {"Vault", "Desk"}, "2"));
    tree.updateFilter(c.filter);
    const QStringList during = shown(tree.siteNode()).filter(QRegularExpression("^Shop"));
    EXPECT_EQ(during.join(";"), QString(c.during));
    auto live = site("Shop", {"Front", "Back"}, "1");
    live->setCameraCount(1);
    tree.updateSite(*live, {}, false);
    tree.updateFilter("");
    EXPECT_EQ(shown(tree.siteNode()), QStringList({"Shop[Front]", "Bank[Vault,Desk]"}));
    const ChildNode* shopNode = asChild(tree.siteNode().children()[0].get());
    EXPECT_EQ(shopNode->cameraCount(), 1);
    auto record = unarchiveSiteInfo(shopNode->data());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->cameraCount(), 1);
  }
}

TEST_F(SiteTreeFilterTest, RefilteringStartsFromTheSavedLists) {
  core.updateFilter("cam");
  EXPECT_EQ(shown(core.siteNode()), QStringList({"Shop[CAM1,CAM2]"}));
  core.updateFilter("cam1");
  EXPECT_EQ(shown(core.siteNode()), QStringList({"Shop[CAM1]"}));
  core.updateFilter("desk");
  EXPECT_EQ(shown(core.siteNode()), QStringList({"Bank[Desk]"}));
  EXPECT_EQ(core.siteNodeArray().size(), 2u);
}

TEST(SiteTreeMatch, CaseIsIgnored) {
  EXPECT_TRUE(SiteTreeCore::foundString("Shop", "HO"));
  EXPECT_TRUE(SiteTreeCore::foundString("CAM2", "cam2"));
  EXPECT_FALSE(SiteTreeCore::foundString("CAM2", "cam3"));
}

}  // namespace
}  // namespace zelvo
