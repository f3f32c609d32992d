// The site tree as widgets under a real X server: its form, its icons, expansion and
// selection across a re-sort, drag payloads (captured, and a real drag onto another
// widget), the painted spinner, in-place rename, and the screenshots in docs/
// (docs/tree-*.png are made by running this with ZELVO_SCREENSHOT_DIR=docs).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QVBoxLayout>
#include <optional>

#include "Resources/Resources.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/SiteTree/SiteTreeFakes.h"
#include "ViewControllers/SiteTree/SiteTreeViewController.h"
#include "support/SharedDeviceLock.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::waitUntil;

std::shared_ptr<SiteInfo> makeSite(const QString& name, qint64 cameras, const QString& id) {
  auto site = SiteInfo::create();
  site->setSiteID(QUrl("x-zelvo-store://Site/" + id));
  site->setName(name);
  site->setAddress("192.168.1.10");
  site->setPort(9000);
  site->setIndex(0);
  site->setCameraCount(cameras);
  return site;
}

// A widget that takes dropped connection targets, as the video wall does.
class DropTarget : public QWidget {
 public:
  QByteArray dropped;
  Qt::DropAction action = Qt::IgnoreAction;
  DropTarget() { setAcceptDrops(true); }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (event->mimeData()->hasFormat(PasteBoardTypeConnectionTarget) && (event->possibleActions() & Qt::CopyAction)) {
      event->setDropAction(Qt::CopyAction);
      event->accept();
    }
  }
  void dragMoveEvent(QDragMoveEvent* event) override {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  }
  void dropEvent(QDropEvent* event) override {
    dropped = event->mimeData()->data(PasteBoardTypeConnectionTarget);
    action = event->dropAction();
    event->setDropAction(Qt::CopyAction);
    event->accept();
  }
};

class SiteTreeWidgetTest : public ::testing::Test {
 protected:
  QWidget window;
  QLineEdit* search = nullptr;
  SiteTreeViewController* tree = nullptr;
  test::FakeDiscoveryBackend* backend = nullptr;

  void SetUp() override {
    auto fake = std::make_unique<test::FakeDiscoveryBackend>();
    backend = fake.get();
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    search = new QLineEdit(&window);
    search->setPlaceholderText("Search");
    search->setClearButtonEnabled(true);
    layout->addWidget(search);
    tree = new SiteTreeViewController(&window);
    tree->startDiscovery(std::move(fake));
    layout->addWidget(tree);
    QObject::connect(search, &QLineEdit::textChanged, tree, &SiteTreeViewController::updateFilter);
    window.resize(260, 620);
    backend->to().netServiceBrowserWillSearch();
  }
  void show() {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  SiteTreeCore& core() { return tree->core(); }
  SiteOutlineView* outline() { return tree->outlineView(); }
  QModelIndex indexOf(const BaseNode* node) { return core().model().indexForNode(node); }
  QRect rowRect(const BaseNode* node) { return outline()->visualRect(indexOf(node)); }
  BaseNode* site(size_t i) { return core().siteNode().children().at(i).get(); }

  // The address book and network of the screenshots.
  void fill() {
    core().addSite(*makeSite("Head office", 16, "1"));
    core().addSite(*makeSite("Warehouse", 4, "2"));
    FavoriteTarget lobby;
    lobby.setName("Lobby wall");
    core().addFavorite(lobby, QUrl("x-zelvo-store://Favorite/1"), false);
    FavoriteTarget night;
    night.setName("Night watch");
    core().addFavorite(night, QUrl("x-zelvo-store://Favorite/2"), false);
    for (const char* name : {"Front office DVR", "Annex DVR", "Gate recorder"})
      backend->to().didFindService(test::service(name), std::string(name) != "Gate recorder");
    tree->expandNodeParents();
    outline()->expand(indexOf(&core().autoDetectNode()));
    outline()->expand(indexOf(site(0)));
    // One failed, one resolved, one still resolving.
    core().shouldSelectItem(core().findDiscoveredNode("Annex DVR", "local"));
    backend->to().netServiceDidNotResolve(test::service("Annex DVR"));
    core().shouldSelectItem(core().findDiscoveredNode("Gate recorder", "local"));
    backend->to().netServiceDidResolveAddress(test::service("Gate recorder"),
                                              test::resolution({{"v", "4"}}, 9000, "192.168.1.30"));
    core().shouldSelectItem(core().findDiscoveredNode("Front office DVR", "local"));
    core().setSelectedNode(nullptr);
    outline()->selectionModel()->clearSelection();
  }
  QImage grab() { return outline()->viewport()->grab().toImage(); }
  void saveScreenshot(const char* file) {
    QImage shot = window.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    QByteArray dir = qgetenv("ZELVO_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
      ASSERT_TRUE(shot.save(QDir(QString::fromLocal8Bit(dir)).filePath(file)));
    }
  }
};

TEST(SiteTreeResources, TheFormHasItsOutletsAndTheIconsLoad) {
  SiteTreeViewController tree;
  EXPECT_NE(tree.findChild<SiteOutlineView*>("outlineView"), nullptr);
  EXPECT_NE(tree.findChild<QMenu*>("editMenu"), nullptr);
  EXPECT_NE(tree.findChild<SiteTreeModel*>("treeController"), nullptr);
  EXPECT_EQ(tree.outlineView()->model(), &tree.treeController());
  EXPECT_EQ(tree.outlineView()->dragDropMode(), QAbstractItemView::DragOnly);
  EXPECT_FALSE(tree.outlineView()->acceptDrops());
  EXPECT_EQ(tree.outlineView()->itemDelegate(), tree.cell());
  for (const char* name : {"site_site icon", "site_cam icon", "favorite icon"}) {
    SCOPED_TRACE(name);
    QImage icon = imageResource(name, "png");
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.size(), QSize(16, 16));
  }
}

// A form makes the tree before its window can hand in a backend: nothing is browsed until
// the window starts discovery, and then through the backend it gave, once.
TEST(SiteTreeDiscovery, BrowsingStartsOnlyWithTheBackendHandedIn) {
  SiteTreeViewController tree;
  EXPECT_DEATH(tree.discovery(), "Invalid parameter not satisfying");
  auto fake = std::make_unique<test::FakeDiscoveryBackend>();
  test::FakeDiscoveryBackend* backend = fake.get();
  tree.startDiscovery(std::move(fake));
  EXPECT_EQ(backend->searches, (std::vector<std::pair<QString, QString>>{{RecorderServiceType, QString()}}));
  // Found recorders reach this tree.
  backend->to().netServiceBrowserWillSearch();
  backend->to().didFindService(test::service("Gate recorder"), false);
  EXPECT_NE(tree.core().findDiscoveredNode("Gate recorder", "local"), nullptr);
  EXPECT_DEATH(tree.startDiscovery(std::make_unique<test::FakeDiscoveryBackend>()), "Invalid parameter not satisfying");
}

TEST_F(SiteTreeWidgetTest, ExpansionAndSelectionSurviveAReSort) {
  show();
  core().addSite(*makeSite("Shop", 4, "1"));
  core().addSite(*makeSite("Bank", 2, "2"));
  tree->expandNodeParents();
  outline()->expand(indexOf(site(1)));
  BaseNode* bankCamera = site(1)->children()[1].get();
  outline()->selectionModel()->setCurrentIndex(indexOf(bankCamera), QItemSelectionModel::ClearAndSelect);
  EXPECT_EQ(core().selectedNode().get(), bankCamera);
  // Out of order on purpose: the re-sort moves rows under the view.
  for (qint64 index : {9, 0}) {
    auto extra = ChildNode::create();
    extra->setNodeTitle(QString("extra %1").arg(index));
    extra->setIndex(index);
    core().model().appendChild(&core().siteNode(), extra);
  }
  core().resort();
  EXPECT_EQ(site(0)->nodeTitle(), "Shop");
  EXPECT_EQ(site(2)->nodeTitle(), "extra 0");
  EXPECT_TRUE(outline()->isExpanded(indexOf(site(1))));
  EXPECT_TRUE(outline()->isExpanded(indexOf(&core().siteNode())));
  EXPECT_FALSE(outline()->isExpanded(indexOf(site(0))));
  const QModelIndexList selected = outline()->selectionModel()->selectedIndexes();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(SiteTreeModel::nodeForIndex(selected[0]), bankCamera);
}

TEST_F(SiteTreeWidgetTest, ClickingASectionSelectsNothing) {
  show();
  core().addSite(*makeSite("Shop", 2, "1"));
  tree->expandNodeParents();
  QTest::mouseClick(outline()->viewport(), Qt::LeftButton, {}, rowRect(site(0)).center());
  EXPECT_EQ(core().selectedNode().get(), site(0));
  QTest::mouseClick(outline()->viewport(), Qt::LeftButton, {}, rowRect(&core().favoriteNode()).center());
  EXPECT_FALSE(core().selectedNode());
  EXPECT_TRUE(outline()->selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(SiteTreeWidgetTest, DraggingACameraCarriesItsSitesArchiveWithItsNumber) {
  show();
  core().addSite(*makeSite("Shop", 4, "1"));
  tree->expandNodeParents();
  outline()->expand(indexOf(site(0)));
  std::vector<QByteArray> payloads;
  tree->setDragExecutor([&](QMimeData* mime) {
    EXPECT_EQ(mime->formats(), QStringList({PasteBoardTypeConnectionTarget}));
    payloads.push_back(mime->data(PasteBoardTypeConnectionTarget));
    delete mime;
  });
  auto drag = [&](const BaseNode* node) {
    QPoint from = rowRect(node).center();
    QTest::mousePress(outline()->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(outline()->viewport(), from + QPoint(QApplication::startDragDistance() + 8, 4));
    QTest::mouseMove(outline()->viewport(), from + QPoint(QApplication::startDragDistance() + 16, 8));
    QTest::mouseRelease(outline()->viewport(), Qt::LeftButton, {}, from + QPoint(QApplication::startDragDistance() + 16, 8));
  };
  drag(site(0)->children()[2].get());
  ASSERT_EQ(payloads.size(), 1u);
  auto camera = unarchiveSiteInfo(payloads[0]);
  ASSERT_TRUE(camera);
  EXPECT_EQ(camera->index(), 3);
  EXPECT_EQ(camera->name(), "Shop");
  EXPECT_EQ(payloads[0], cameraTargetArchive(site(0)->data(), 3));
  EXPECT_EQ(core().selectedNode().get(), site(0)->children()[2].get());
  drag(site(0));
  ASSERT_EQ(payloads.size(), 2u);
  EXPECT_EQ(payloads[1], site(0)->data());
  EXPECT_EQ(unarchiveSiteInfo(payloads[1])->index(), 0);
}

TEST_F(SiteTreeWidgetTest, ARealDragDropsTheTargetOnAnotherWidget) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "a real drag needs the X server";
  core().addSite(*makeSite("Shop", 4, "1"));
  tree->expandNodeParents();
  outline()->expand(indexOf(site(0)));
  test::SharedDeviceLock input("input");
  DropTarget wall;
  wall.setWindowTitle("wall");
  wall.resize(200, 200);
  window.move(test::PointerArea);
  show();
  wall.move(window.frameGeometry().right() + 40, window.y());
  wall.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&wall));
  const QPoint from = outline()->viewport()->mapToGlobal(rowRect(site(0)->children()[1].get()).center());
  const QPoint to = wall.mapToGlobal(QPoint(100, 100));
  // The pointer is moved by the X server's test extension, as a person's hand would.
  QStringList steps{"mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.2",
                    "mousedown", "1", "sleep", "0.2"};
  for (int i = 1; i <= 6; ++i) {
    QPoint p = from + (to - from) * i / 6;
    steps << "mousemove" << QString::number(p.x()) << QString::number(p.y()) << "sleep" << "0.15";
  }
  steps << "mouseup" << "1";
  QProcess pointer;
  pointer.start("xdotool", steps);
  ASSERT_TRUE(pointer.waitForStarted());
  ASSERT_TRUE(waitUntil([&] { return !wall.dropped.isEmpty(); }));
  pointer.waitForFinished(10000);
  EXPECT_EQ(wall.action, Qt::CopyAction);
  auto dropped = unarchiveSiteInfo(wall.dropped);
  ASSERT_TRUE(dropped);
  EXPECT_EQ(dropped->index(), 2);
  EXPECT_EQ(dropped->name(), "Shop");
}

TEST_F(SiteTreeWidgetTest, TheSpinnerIsGoneOnTheNextPaintOnceResolved) {
  show();
  backend->to().didFindService(test::service("Above"), true);
  backend->to().didFindService(test::service("Rec"), false);
  tree->expandNodeParents();
  outline()->expand(indexOf(&core().autoDetectNode()));
  ChildNode* rec = core().findDiscoveredNode("Rec", "local");
  core().shouldSelectItem(rec);
  outline()->selectionModel()->clearSelection();
  const QRect spinner = cell::spinnerRect(rowRect(rec));
  auto spinnerInk = [&] {
    QImage shot = grab();
    const QRgb background = shot.pixel(spinner.left() - 30, spinner.center().y());
    int ink = 0;
    for (int y = spinner.top(); y <= spinner.bottom(); ++y)
      for (int x = spinner.left(); x <= spinner.right(); ++x)
        if (shot.pixel(x, y) != background) ++ink;
    return ink;
  };
  EXPECT_GT(spinnerInk(), 10);
  EXPECT_TRUE(tree->cell()->spinning());
  // A row inserted above moves the recorder: the spinner moves with it.
  core().removeDiscoveredNode("local", "Above");
  const QRect moved = cell::spinnerRect(rowRect(rec));
  EXPECT_NE(moved, spinner);
  backend->to().netServiceDidResolveAddress(test::service("Rec"), test::resolution({{"v", "2"}}));
  QImage shot = grab();
  const QRgb background = shot.pixel(moved.left() - 30, moved.center().y());
  int ink = 0;
  for (int y = moved.top(); y <= moved.bottom(); ++y)
    for (int x = moved.left(); x <= moved.right(); ++x)
      if (shot.pixel(x, y) != background) ++ink;
  EXPECT_EQ(ink, 0);
  EXPECT_TRUE(waitUntil([&] { return !tree->cell()->spinning(); }));

  // A failure ends the spinner the same way.
  backend->to().didFindService(test::service("Lost"), false);
  ChildNode* lost = core().findDiscoveredNode("Lost", "local");
  core().shouldSelectItem(lost);
  const QRect lostSpinner = cell::spinnerRect(rowRect(lost));
  auto inkIn = [&](const QRect& r) {
    QImage image = grab();
    const QRgb paper = image.pixel(r.left() - 30, r.center().y());
    int count = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (image.pixel(x, y) != paper) ++count;
    return count;
  };
  outline()->selectionModel()->clearSelection();
  EXPECT_GT(inkIn(lostSpinner), 10);
  backend->to().netServiceDidNotResolve(test::service("Lost"));
  EXPECT_EQ(inkIn(lostSpinner), 0);
}

// The X server's own pointer and keyboard (its test extension, through xdotool), on a
// window placed where no other test's windows lie.
class SiteTreeInputTest : public SiteTreeWidgetTest {
 protected:
  std::optional<test::SharedDeviceLock> input;

  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "real input needs the X server";
    SiteTreeWidgetTest::SetUp();
    input.emplace("input");
    window.move(test::PointerArea);
    show();
  }
  void xdotool(const QStringList& steps) {
    QProcess tool;
    tool.start("xdotool", steps);
    ASSERT_TRUE(tool.waitForStarted());
    // The tree takes the events while the tool runs.
    ASSERT_TRUE(waitUntil([&] { return tool.state() == QProcess::NotRunning; }));
    ASSERT_EQ(tool.exitCode(), 0);
  }
  QStringList at(QWidget* widget, QPoint point) {
    const QPoint global = widget->mapToGlobal(point);
    return {"mousemove", QString::number(global.x()), QString::number(global.y()), "sleep", "0.1"};
  }
  void click(const BaseNode* node, const QStringList& modifiers = {}) {
    QStringList steps = at(outline()->viewport(), rowRect(node).center());
    for (const QString& key : modifiers) steps << "keydown" << key;
    steps << "click" << "1";
    for (const QString& key : modifiers) steps << "keyup" << key;
    xdotool(steps);
  }
  // Types into the search field as a person does; an empty text clears it.
  void typeFilter(const QString& text) {
    xdotool(at(SiteTreeWidgetTest::search, SiteTreeWidgetTest::search->rect().center()) << "click" << "1");
    ASSERT_TRUE(waitUntil([&] { return SiteTreeWidgetTest::search->hasFocus(); }));
    xdotool({"key", "ctrl+a", "BackSpace"});
    if (!text.isEmpty()) xdotool({"type", "--delay", "20", text});
    ASSERT_TRUE(waitUntil([&] { return SiteTreeWidgetTest::search->text() == text && core().searching() == !text.isEmpty(); }));
  }
  ChildNode* recorder(const QString& name) { return core().findDiscoveredNode(name, "local"); }
};

TEST_F(SiteTreeInputTest, ASpinnerStopsForARecorderThatResolvedWhileTheFilterHidIt) {
  backend->to().didFindService(test::service("Alpha"), true);
  backend->to().didFindService(test::service("Beta"), false);
  outline()->expand(indexOf(&core().autoDetectNode()));
  click(recorder("Beta"));
  ASSERT_TRUE(waitUntil([&] { return tree->cell()->spinning(); }));
  typeFilter("alp");
  ASSERT_EQ(recorder("Beta"), nullptr);
  backend->to().netServiceDidResolveAddress(test::service("Beta"), test::resolution({{"v", "3"}}));
  typeFilter("");
  outline()->expand(indexOf(&core().autoDetectNode()));
  ChildNode* beta = recorder("Beta");
  ASSERT_NE(beta, nullptr);
  EXPECT_TRUE(beta->isResolved());
  EXPECT_EQ(core().model().rowCount(indexOf(beta)), 3);
  EXPECT_TRUE(waitUntil([&] {
    grab();  // a paint of every row, which is when the cell lets spinners go
    return !tree->cell()->spinning();
  }));
  const QRect spinner = cell::spinnerRect(rowRect(beta));
  QImage shot = grab();
  const QRgb paper = shot.pixel(spinner.left() - 30, spinner.center().y());
  int ink = 0;
  for (int y = spinner.top(); y <= spinner.bottom(); ++y)
    for (int x = spinner.left(); x <= spinner.right(); ++x)
      if (shot.pixel(x, y) != paper) ++ink;
  EXPECT_EQ(ink, 0);
}

TEST_F(SiteTreeInputTest, ACameraCountFromDuringASearchIsWhatTheSiteShowsAfterIt) {
  auto shop = makeSite("Shop", 3, "1");
  core().addSite(*shop);
  tree->expandNodeParents();
  typeFilter("cam2");
  shop->setCameraCount(1);
  core().updateSite(*shop, {}, false);
  typeFilter("");
  ASSERT_EQ(core().siteNode().children().size(), 1u);
  EXPECT_EQ(core().model().rowCount(indexOf(site(0))), 1);
  EXPECT_EQ(asChild(site(0))->cameraCount(), 1);
  EXPECT_EQ(unarchiveSiteInfo(site(0)->data())->cameraCount(), 1);
}

TEST_F(SiteTreeInputTest, AfterACtrlClickTakesTheSelectionAwayNoRowIsTheTarget) {
  core().addSite(*makeSite("Shop", 2, "1"));
  core().addSite(*makeSite("Bank", 2, "2"));
  tree->expandNodeParents();
  // Two clicks on one row are no double click here: each is a click of its own.
  const int doubleClick = QApplication::doubleClickInterval();
  QApplication::setDoubleClickInterval(50);
  click(site(1));
  ASSERT_TRUE(waitUntil([&] { return core().selectedNode().get() == site(1); }));
  click(site(1), {"ctrl"});
  QApplication::setDoubleClickInterval(doubleClick);
  ASSERT_TRUE(waitUntil([&] { return outline()->selectionModel()->selectedIndexes().isEmpty(); }));
  EXPECT_FALSE(core().selectedNode());
  EXPECT_FALSE(core().canRemove());
  // A key that acts on the selection finds none either.
  core().removeSite();
  EXPECT_EQ(core().siteNode().children().size(), 2u);
}

TEST_F(SiteTreeWidgetTest, WithoutAnAddressBookTheTreeKeepsSayingWhy) {
  show();
  EXPECT_TRUE(tree->storeRefusalText().isEmpty());
  const StoreError refusal = StoreError::store(StoreError::NotAStore, "The file <b>Zelvo.storedata</b> is damaged.",
                                               "It ends after 16 bytes.");
  tree->showStoreRefusal(refusal);
  auto* label = tree->findChild<QLabel*>("storeRefusal");
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(waitUntil([&] { return label->isVisible(); }));
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_TRUE(label->text().contains(refusal.description));
  EXPECT_TRUE(label->text().contains(refusal.failureReason));
  EXPECT_EQ(tree->storeRefusalText(), label->text());
  // Above the sections, which stay (discovery still lists recorders).
  EXPECT_LT(label->geometry().bottom(), outline()->geometry().top() + 1);
  EXPECT_TRUE(outline()->isVisible());
  // A search and its end leave it saying so.
  QTest::keyClicks(search, "x");
  search->clear();
  EXPECT_TRUE(label->isVisible());
}

TEST_F(SiteTreeWidgetTest, ANewFavouriteIsRenamedInPlace) {
  show();
  fill();
  int ended = 0;
  QObject::connect(tree, &SiteTreeViewController::editingEnded, [&] { ++ended; });
  FavoriteTarget favorite;
  favorite.setName("Untitled Favorite");
  core().addFavorite(favorite, QUrl("x-zelvo-store://Favorite/3"), true);
  BaseNode* node = core().favoriteNode().children().back().get();
  QLineEdit* editor = nullptr;
  ASSERT_TRUE(waitUntil([&] {
    editor = outline()->viewport()->findChild<QLineEdit*>();
    return editor && editor->isVisible();
  }));
  EXPECT_EQ(editor->text(), "Untitled Favorite");
  EXPECT_EQ(editor->selectedText(), "Untitled Favorite");
  EXPECT_EQ(editor->geometry(), cell::titleRect(rowRect(node), QSize(16, 16), false));
  EXPECT_EQ(core().selectedNode().get(), node);
  saveScreenshot("tree-rename.png");
  QTest::keyClicks(editor, "Entrance");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_TRUE(waitUntil([&] { return ended == 1; }));
  EXPECT_EQ(node->nodeTitle(), "Entrance");
}

TEST_F(SiteTreeWidgetTest, Screenshots) {
  show();
  fill();
  ChildNode* resolving = core().findDiscoveredNode("Front office DVR", "local");
  EXPECT_TRUE(core().rowLook(*resolving).inProgress);
  EXPECT_TRUE(core().findDiscoveredNode("Annex DVR", "local")->failToResolve());
  EXPECT_EQ(site(0)->children().size(), 16u);
  saveScreenshot("tree-sites.png");
  search->setText("cam2");
  ASSERT_EQ(core().siteNode().children().size(), 2u);
  EXPECT_EQ(site(0)->children().size(), 1u);
  EXPECT_TRUE(outline()->isExpanded(indexOf(site(0))));
  saveScreenshot("tree-filter.png");
}

}  // namespace
}  // namespace zelvo
