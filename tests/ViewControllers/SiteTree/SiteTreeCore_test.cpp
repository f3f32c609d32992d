// The site tree's logic with a fake outline: sites, favourites, live titles, how rows
// look, drags, selection, and the model as a view sees it.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QTextDocument>

#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/SiteTree/SiteTreeFakes.h"

namespace zelvo {
namespace {

using test::TreeFixture;

std::shared_ptr<SiteInfo> makeSite(const QString& name, qint64 cameras, const QString& id) {
  auto site = SiteInfo::create();
  site->setSiteID(QUrl("x-zelvo-store://Site/" + id));
  site->setName(name);
  site->setAddress("10.1.1.1");
  site->setPort(9000);
  site->setIndex(0);
  site->setCameraCount(cameras);
  site->setUser("admin");
  for (qint64 n = 17; n <= cameras; ++n) (*site->camTitles())[QString::number(n)] = QString("CAM%1").arg(n);
  return site;
}

CameraInfo camera(int number, int status, const std::string& title, int covert = 0) {
  CameraInfo info;
  info.setNumber(number);
  info.setStatus(status);
  info.setTitle(title);
  info.setCovertLevel(covert);
  return info;
}

class SiteTreeCoreTest : public ::testing::Test, public TreeFixture {
 protected:
  // Every change below is checked as a view would see it.
  QAbstractItemModelTester tester{&core.model(), QAbstractItemModelTester::FailureReportingMode::Fatal};

  BaseNode* siteAt(size_t i) { return core.siteNode().children().at(i).get(); }
  std::vector<qint64> cameraIndexes(BaseNode* node) {
    std::vector<qint64> indexes;
    for (const NodePtr& c : node->children()) indexes.push_back(c->index());
    return indexes;
  }
};

TEST_F(SiteTreeCoreTest, TheSectionsComeInTheirOrderAndRememberTheirExpansion) {
  ASSERT_EQ(core.model().rowCount(), 3);
  EXPECT_EQ(core.model().index(0, 0).data().toString(), "FAVORITE");
  EXPECT_EQ(core.model().index(1, 0).data().toString(), "SITES");
  EXPECT_EQ(core.model().index(2, 0).data().toString(), "AUTO DETECT");
  EXPECT_TRUE(core.favoriteNode().isExpanded());
  EXPECT_TRUE(core.siteNode().isExpanded());
  EXPECT_FALSE(core.autoDetectNode().isExpanded());
  EXPECT_EQ(core.model().headerData(0, Qt::Horizontal).toString(), "Column Name");
  EXPECT_EQ(core.model().flags(core.model().index(1, 0)), Qt::ItemIsEnabled);
}

TEST_F(SiteTreeCoreTest, ASiteGetsItsCamerasWithTheirTitles) {
  auto site = makeSite("Shop", 16, "1");
  (*site->camTitles())["3"] = "Door";
  site->camTitles()->remove("5");
  core.addSite(*site);
  ASSERT_EQ(core.siteNode().children().size(), 1u);
  auto* node = asChild(siteAt(0));
  EXPECT_EQ(node->nodeTitle(), "Shop");
  EXPECT_EQ(node->nodeID(), site->siteID());
  EXPECT_EQ(node->address(), "10.1.1.1");
  EXPECT_EQ(node->port(), 9000);
  EXPECT_EQ(node->cameraCount(), 16);
  EXPECT_EQ(node->parent().get(), &core.siteNode());
  ASSERT_EQ(node->children().size(), 16u);
  auto* third = asChild(node->children()[2].get());
  EXPECT_EQ(third->nodeTitle(), "Door");
  EXPECT_EQ(third->index(), 3);
  EXPECT_EQ(third->address(), "10.1.1.1");
  EXPECT_EQ(third->port(), 9000);
  EXPECT_TRUE(third->data().isEmpty());
  EXPECT_EQ(node->children()[4]->nodeTitle(), "");  // no title in the record
  auto archived = unarchiveSiteInfo(node->data());
  ASSERT_TRUE(archived);
  EXPECT_EQ(archived->name(), "Shop");
  EXPECT_EQ(core.model().rowCount(core.model().indexForNode(node)), 16);
  EXPECT_FALSE(core.selectedNode());
}

TEST_F(SiteTreeCoreTest, ASiteWithoutCamerasIsStillASiteAndDragsWhole) {
  core.addSite(*makeSite("Empty", 0, "1"));
  BaseNode* node = siteAt(0);
  EXPECT_TRUE(node->children().empty());
  RowLook look = core.rowLook(*node);
  EXPECT_EQ(look.icon, test::testIcons().site);
  auto payload = core.writeItem(node);
  ASSERT_TRUE(payload);
  auto dragged = unarchiveSiteInfo(*payload);
  ASSERT_TRUE(dragged);
  EXPECT_EQ(dragged->index(), 0);
}

TEST_F(SiteTreeCoreTest, AddingASiteOpensACollapsedSitesSection) {
  core.expandNodeParents();
  view.collapse(&core.siteNode());
  EXPECT_FALSE(core.siteNode().isExpanded());
  core.addSite(*makeSite("Shop", 2, "1"));
  EXPECT_TRUE(view.isExpanded(&core.siteNode()));
  EXPECT_TRUE(core.siteNode().isExpanded());
  EXPECT_EQ(view.selected, nullptr);
}

TEST_F(SiteTreeCoreTest, DragsCarryTheSiteOrOneCamera) {
  core.addSite(*makeSite("Shop", 16, "1"));
  BaseNode* site = siteAt(0);
  BaseNode* third = site->children()[2].get();

  auto cameraPayload = core.writeItem(third);
  ASSERT_TRUE(cameraPayload);
  auto dragged = unarchiveSiteInfo(*cameraPayload);
  ASSERT_TRUE(dragged);
  EXPECT_EQ(dragged->index(), 3);
  EXPECT_EQ(dragged->name(), "Shop");
  EXPECT_EQ(dragged->user(), "admin");
  EXPECT_EQ(third->data(), *cameraPayload);
  EXPECT_EQ(core.selectedNode().get(), third);
  EXPECT_EQ(view.selected, third);

  auto sitePayload = core.writeItem(site);
  ASSERT_TRUE(sitePayload);
  EXPECT_EQ(unarchiveSiteInfo(*sitePayload)->index(), 0);

  EXPECT_FALSE(core.writeItem(&core.siteNode()));
  EXPECT_FALSE(core.writeItem(nullptr));
}

TEST_F(SiteTreeCoreTest, AFavouriteDragsItsArchiveAndIsRenamedWhenNew) {
  FavoriteTarget favorite;
  favorite.setName("Lobby");
  QUrl id("x-zelvo-store://Favorite/1");
  favorite.setFavoriteID(id);
  core.addFavorite(favorite, id, true);
  BaseNode* node = core.favoriteNode().children().at(0).get();
  EXPECT_EQ(node->nodeTitle(), "Lobby");
  EXPECT_TRUE(view.isExpanded(&core.favoriteNode()));
  EXPECT_EQ(view.selected, node);
  EXPECT_EQ(core.selectedNode().get(), node);
  ASSERT_EQ(view.edited.size(), 1u);
  EXPECT_EQ(view.edited[0], node);
  auto payload = core.writeItem(node);
  ASSERT_TRUE(payload);
  auto decoded = unarchiveFavoriteTarget(*payload);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->name(), "Lobby");

  FavoriteTarget other;
  other.setName("Yard");
  core.addFavorite(other, QUrl("x-zelvo-store://Favorite/2"), false);
  EXPECT_EQ(view.edited.size(), 1u);
}

TEST_F(SiteTreeCoreTest, EditingRewritesTheSelectedSite) {
  auto site = makeSite("Shop", 2, "1");
  core.addSite(*site);
  core.shouldSelectItem(siteAt(0));
  site->setName("Shop 2");
  site->setAddress("10.9.9.9");
  core.editSite(*site);
  auto* node = asChild(siteAt(0));
  EXPECT_EQ(node->nodeTitle(), "Shop 2");
  EXPECT_EQ(node->address(), "10.9.9.9");
  EXPECT_EQ(unarchiveSiteInfo(node->data())->address(), "10.9.9.9");
  EXPECT_EQ(node->children().size(), 2u);
}

TEST_F(SiteTreeCoreTest, RemovingTakesOnlySitesAndFavouritesAndAlwaysClearsTheSelection) {
  core.addSite(*makeSite("Shop", 2, "1"));
  core.addSite(*makeSite("Bank", 2, "2"));
  BaseNode* camera = siteAt(0)->children()[1].get();
  core.shouldSelectItem(camera);
  EXPECT_FALSE(core.canRemove());
  core.removeSite();
  EXPECT_EQ(core.siteNode().children().size(), 2u);
  EXPECT_FALSE(core.selectedNode());

  core.shouldSelectItem(siteAt(0));
  EXPECT_TRUE(core.canRemove());
  core.removeSite();
  ASSERT_EQ(core.siteNode().children().size(), 1u);
  EXPECT_EQ(siteAt(0)->nodeTitle(), "Bank");
  EXPECT_FALSE(core.selectedNode());
  EXPECT_FALSE(core.canRemove());
}

TEST_F(SiteTreeCoreTest, SelectingASectionSelectsNothing) {
  core.addSite(*makeSite("Shop", 2, "1"));
  EXPECT_TRUE(core.shouldSelectItem(siteAt(0)));
  EXPECT_TRUE(core.selectedNode());
  int clears = view.selectionClears;
  EXPECT_FALSE(core.shouldSelectItem(&core.siteNode()));
  EXPECT_FALSE(core.selectedNode());
  EXPECT_EQ(view.selectionClears, clears + 1);
}

// The commands act on what the outline shows selected: once the user takes the
// selection away, nothing is their target.
TEST_F(SiteTreeCoreTest, TheCommandTargetFollowsTheOutlinesSelection) {
  core.addSite(*makeSite("Shop", 2, "1"));
  core.addSite(*makeSite("Bank", 2, "2"));
  core.outlineSelectionChanged({siteAt(1)});
  EXPECT_EQ(core.selectedNode().get(), siteAt(1));
  EXPECT_TRUE(core.canRemove());
  core.outlineSelectionChanged({});
  EXPECT_FALSE(core.selectedNode());
  EXPECT_FALSE(core.canRemove());
  core.removeSite();
  EXPECT_EQ(core.siteNode().children().size(), 2u);
  auto edited = makeSite("Renamed", 2, "1");
  core.editSite(*edited);
  EXPECT_EQ(siteAt(0)->nodeTitle(), "Shop");
  EXPECT_EQ(siteAt(1)->nodeTitle(), "Bank");
}

TEST_F(SiteTreeCoreTest, LiveTitlesNeedANormalInactiveOrLostCamera) {
  struct Case {
    const char* name;
    std::optional<CameraInfo> info;
    QString expect;
  };
  const Case cases[] = {
      {"no information", std::nullopt, ""},
      {"status 0", camera(0, 0, "Gate"), ""},
      {"normal", camera(0, 1, "Gate"), "Gate"},
      {"inactive", camera(0, 2, "Gate"), "Gate"},
      {"video loss", camera(0, 3, "Gate"), "Gate"},
      {"status 4", camera(0, 4, "Gate"), ""},
      {"hidden camera", camera(4, 1, "Gate", 3), "CAM5"},
      {"blank title", camera(1, 1, "  "), "CAM2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SiteTreeCore::stringByCameraInfo(c.info ? &*c.info : nullptr, 99), c.expect);
  }
}

TEST_F(SiteTreeCoreTest, LiveCameraCountsTrimTheSiteAndNeverAddCameras) {
  struct Step {
    qint64 count;
    std::vector<qint64> expect;
  };
  struct Case {
    const char* name;
    qint64 initial;
    std::vector<Step> steps;
  };
  auto range = [](qint64 n) {
    std::vector<qint64> v;
    for (qint64 i = 1; i <= n; ++i) v.push_back(i);
    return v;
  };
  const Case cases[] = {
      {"16 to 4, then 8", 16, {{4, range(4)}, {8, range(4)}}},
      // Past the sixteenth too: no camera above the count stays.
      {"20 to 4", 20, {{4, range(4)}}},
      {"20 to 18", 20, {{18, range(18)}}},
      {"16 to 16", 16, {{16, range(16)}}},
      {"16 to 0", 16, {{0, {}}}},
  };
  int id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto site = makeSite(c.name, c.initial, QString::number(++id));
    core.addSite(*site);
    BaseNode* node = core.siteNode().children().back().get();
    for (const Step& step : c.steps) {
      site->setCameraCount(step.count);
      core.updateSite(*site, {}, false);
      EXPECT_EQ(cameraIndexes(node), step.expect);
      EXPECT_EQ(unarchiveSiteInfo(node->data())->cameraCount(), step.count);
      EXPECT_EQ(core.model().rowCount(core.model().indexForNode(node)), static_cast<int>(step.expect.size()));
    }
  }
}

TEST_F(SiteTreeCoreTest, LiveCameraInformationRetitlesTheRows) {
  auto site = makeSite("Shop", 4, "1");
  core.addSite(*site);
  core.updateSite(*site, {camera(0, 1, "Gate"), camera(1, 0, "Hidden"), camera(2, 3, "Yard")}, false);
  BaseNode* node = siteAt(0);
  EXPECT_EQ(node->children()[0]->nodeTitle(), "Gate");
  // Status 0 shows an empty title.
  EXPECT_EQ(node->children()[1]->nodeTitle(), "");
  EXPECT_EQ(node->children()[2]->nodeTitle(), "Yard");
  EXPECT_EQ(node->children()[3]->nodeTitle(), "CAM4");
  EXPECT_EQ(site->cameraTitleAtIndex(1), "Gate");
  // The archived title map is left as it was.
  EXPECT_EQ(unarchiveSiteInfo(node->data())->cameraTitleAtIndex(1), "CAM1");
}

TEST_F(SiteTreeCoreTest, AnotherSiteWithNoIdentityIsNotUpdated) {
  auto site = makeSite("Shop", 16, "1");
  core.addSite(*site);
  auto stranger = makeSite("Shop", 2, "1");
  stranger->setSiteID(std::nullopt);
  core.updateSite(*stranger, {}, false);
  EXPECT_EQ(siteAt(0)->children().size(), 16u);
}

TEST_F(SiteTreeCoreTest, ASiteNamedLikeASectionIsStillASite) {
  core.addSite(*makeSite("FAVORITE", 2, "1"));
  core.addSite(*makeSite("AUTO DETECT", 2, "2"));
  for (size_t i = 0; i < 2; ++i) {
    BaseNode* site = siteAt(i);
    SCOPED_TRACE(site->nodeTitle().toStdString());
    EXPECT_FALSE(core.isSpecialSection(site));
    EXPECT_EQ(core.nodeType(site), SectionSite);
    BaseNode* cam = site->children()[1].get();
    RowLook look = core.rowLook(*cam);
    EXPECT_FALSE(look.editable);
    EXPECT_EQ(look.icon, test::testIcons().camera);
    EXPECT_TRUE(look.hasMenu);
    EXPECT_FALSE(core.model().flags(core.model().indexForNode(cam)) & Qt::ItemIsEditable);
    auto payload = core.writeItem(cam);
    ASSERT_TRUE(payload);
    EXPECT_EQ(unarchiveSiteInfo(*payload)->index(), 2);
  }
}

TEST_F(SiteTreeCoreTest, EachKindOfRowLooksAndOffersWhatItShould) {
  core.addSite(*makeSite("Shop", 1, "1"));
  FavoriteTarget favorite;
  favorite.setName("Lobby");
  core.addFavorite(favorite, QUrl("x-zelvo-store://Favorite/1"), false);
  auto recorder = [&](const char* name, bool resolving, bool resolved, bool failed, int cameras) {
    auto node = ChildNode::create();
    node->setNodeTitle(name);
    node->setIsResolving(resolving);
    node->setIsResolved(resolved);
    node->setFailToResolve(failed);
    for (int n = 1; n <= cameras; ++n) {
      auto cam = ChildNode::create();
      cam->setIndex(n);
      cam->setParent(node);
      node->children().push_back(cam);
    }
    core.addDiscoveredNode(node);
    return node.get();
  };
  const auto icons = test::testIcons();
  struct Case {
    const char* name;
    BaseNode* node;
    QImage icon;
    bool editable, inProgress, menu;
  };
  ChildNode* resolvedRecorder = recorder("resolved", true, true, false, 2);
  const Case cases[] = {
      {"favourite", core.favoriteNode().children()[0].get(), icons.favorite, true, false, true},
      {"site", siteAt(0), icons.site, false, false, true},
      {"site camera", siteAt(0)->children()[0].get(), icons.camera, false, false, true},
      {"unresolved recorder", recorder("idle", false, false, false, 0), icons.site, false, false, false},
      {"resolving recorder", recorder("busy", true, false, false, 0), icons.site, false, true, false},
      {"resolved and selected", resolvedRecorder, icons.site, false, false, false},
      {"failed, retried", recorder("retry", true, false, true, 0), icons.site, false, false, false},
      {"discovered camera", resolvedRecorder->children()[0].get(), icons.camera, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RowLook look = core.rowLook(*c.node);
    EXPECT_FALSE(look.section);
    EXPECT_EQ(look.icon, c.icon);
    EXPECT_EQ(look.editable, c.editable);
    EXPECT_EQ(look.inProgress, c.inProgress);
    EXPECT_EQ(look.hasMenu, c.menu);
    EXPECT_EQ(look.failed, std::string(c.name) == "failed, retried");
    QModelIndex index = core.model().indexForNode(c.node);
    EXPECT_EQ(index.data(SiteTreeModel::InProgressRole).toBool(), c.inProgress);
    EXPECT_TRUE(core.model().flags(index) & Qt::ItemIsDragEnabled);
  }
  RowLook section = core.rowLook(core.autoDetectNode());
  EXPECT_TRUE(section.section);
  EXPECT_TRUE(section.icon.isNull());
  EXPECT_FALSE(core.menuNeedsUpdate(&core.autoDetectNode()));
  EXPECT_FALSE(core.menuNeedsUpdate(resolvedRecorder));
  EXPECT_TRUE(core.menuNeedsUpdate(siteAt(0)->children()[0].get()));
  EXPECT_EQ(core.selectedNode().get(), siteAt(0)->children()[0].get());
}

TEST_F(SiteTreeCoreTest, ACameraWhoseSiteIsGoneIsNoFavouriteAndDoesNotDrag) {
  auto camera = ChildNode::create();
  camera->setIndex(2);
  {
    auto site = ChildNode::create();
    camera->setParent(site);
  }
  EXPECT_EQ(core.nodeType(camera.get()), SectionAutoDetect);
  EXPECT_FALSE(core.writeItem(camera.get()));
}

TEST_F(SiteTreeCoreTest, TitlesAndTipsAreShownAsTheyAreWritten) {
  auto site = makeSite("<b>Shop</b> & co", 0, "1");
  core.addSite(*site);
  QModelIndex index = core.model().indexForNode(siteAt(0));
  EXPECT_EQ(index.data(Qt::DisplayRole).toString(), "<b>Shop</b> & co");
  QString tip = index.data(Qt::ToolTipRole).toString();
  EXPECT_TRUE(Qt::mightBeRichText(tip));
  EXPECT_FALSE(tip.contains("<b>"));
  EXPECT_TRUE(tip.contains("&lt;b&gt;Shop&lt;/b&gt; &amp; co"));
}

TEST_F(SiteTreeCoreTest, TheRenameEditorWritesTheTitleOfAFavouriteOnly) {
  FavoriteTarget favorite;
  favorite.setName("Lobby");
  core.addFavorite(favorite, QUrl("x-zelvo-store://Favorite/1"), false);
  core.addSite(*makeSite("Shop", 0, "1"));
  QModelIndex fav = core.model().indexForNode(core.favoriteNode().children()[0].get());
  QModelIndex site = core.model().indexForNode(siteAt(0));
  int renamed = 0;
  QObject::connect(&core.model(), &SiteTreeModel::nodeRenamed, [&] { ++renamed; });
  EXPECT_TRUE(core.model().setData(fav, "Hall"));
  EXPECT_FALSE(core.model().setData(site, "Other"));
  EXPECT_EQ(core.favoriteNode().children()[0]->nodeTitle(), "Hall");
  EXPECT_EQ(siteAt(0)->nodeTitle(), "Shop");
  EXPECT_EQ(renamed, 1);
}

TEST_F(SiteTreeCoreTest, ReSortingIsStableByIndexAndIndexesFollowTheirNodes) {
  core.addSite(*makeSite("Shop", 0, "1"));
  BaseNode* site = siteAt(0);
  std::vector<BaseNode*> made;
  for (qint64 index : {3, 1, 2, 1}) {
    auto cam = ChildNode::create();
    cam->setIndex(index);
    cam->setNodeTitle(QString("cam %1 #%2").arg(index).arg(made.size()));
    made.push_back(cam.get());
    core.model().appendChild(site, cam);
  }
  QPersistentModelIndex held(core.model().indexForNode(made[0]));
  ASSERT_EQ(held.row(), 0);
  core.resort();
  std::vector<BaseNode*> order;
  for (const NodePtr& c : site->children()) order.push_back(c.get());
  EXPECT_EQ(order, (std::vector<BaseNode*>{made[1], made[3], made[2], made[0]}));
  EXPECT_EQ(held.row(), 3);
  EXPECT_EQ(SiteTreeModel::nodeForIndex(held), made[0]);
}

TEST_F(SiteTreeCoreTest, FindingANodeByItsIdentity) {
  core.addSite(*makeSite("Shop", 2, "1"));
  view.collapse(&core.siteNode());
  BaseNode* site = siteAt(0);
  EXPECT_FALSE(core.isParentExpanded(site));
  EXPECT_FALSE(core.isParentExpanded(site->children()[0].get()));
  // An empty identity matches nothing.
  core.selectNode(std::nullopt, false);
  EXPECT_EQ(view.selected, nullptr);
  core.selectNodeExpandingSelection(std::nullopt, true);
  EXPECT_FALSE(view.isExpanded(&core.siteNode()));
  core.selectNodeExpandingSelection(site->nodeID(), false);
  EXPECT_FALSE(view.isExpanded(&core.siteNode()));
  core.selectNodeExpandingSelection(site->nodeID(), true);
  EXPECT_TRUE(view.isExpanded(&core.siteNode()));
  EXPECT_TRUE(core.isParentExpanded(site->children()[0].get()));
  EXPECT_EQ(view.selected, nullptr);
  core.selectNode(site->nodeID(), false);
  EXPECT_EQ(view.selected, site);
  EXPECT_TRUE(view.edited.empty());
  // A discovered recorder is found by its title.
  auto recorder = ChildNode::create();
  recorder->setNodeTitle("Rec");
  core.addDiscoveredNode(recorder);
  auto stranger = ChildNode::create();
  stranger->setNodeTitle("Rec");
  EXPECT_FALSE(core.isParentExpanded(stranger.get()));
  view.expand(&core.autoDetectNode());
  EXPECT_TRUE(core.isParentExpanded(stranger.get()));
}

}  // namespace
}  // namespace zelvo
