// The main window's three panes: where the dividers may go, the wall taking the width the
// side panes leave, and collapsing and restoring each side pane from its toggle.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCoreApplication>
#include <QToolButton>
#include <QWidget>
#include <memory>

#include "ViewControllers/MainWindow/MainWindowPanes.h"
#include "ViewControllers/MainWindow/ThreePaneSplitView.h"
#include "tests/support/Wait.h"

namespace zelvo {
namespace {

// The panes as the main window's form has them: a 240-point tree, the wall, a 213-point panel.
class MainWindowPanesTest : public ::testing::Test {
 protected:
  void SetUp() override { build(1280, 213); }

  void build(int windowWidth, int panelWidth) {
    window_ = std::make_unique<QWidget>();
    window_->resize(windowWidth, 720);
    split_ = new ThreePaneSplitView(window_.get());
    split_->setGeometry(0, 0, windowWidth, 700);
    tree_ = new QWidget(split_);
    tree_->setGeometry(0, 0, 240, 560);
    wall_ = new QWidget(split_);
    wall_->setGeometry(240, 0, windowWidth - 240 - panelWidth, 560);
    panel_ = new QWidget(split_);
    panel_->setGeometry(windowWidth - panelWidth, 0, panelWidth, 560);
    selector_ = new QWidget(panel_);
    selector_->setGeometry(70, 4, 105, 24);
    ptz_ = new QWidget(panel_);
    ptz_->setGeometry(40, 126, 165, 262);
    matrix_ = new QButtonGroup(window_.get());
    for (int tag = 0; tag < 3; ++tag) {
      auto* tab = new QToolButton(selector_);
      tab->setCheckable(true);
      tab->setProperty("tag", tag);
      matrix_->addButton(tab, tag);
    }
    matrix_->button(0)->setChecked(true);
    treeSegment_ = segment(0);
    panelSegment_ = segment(1);
    split_->setPanes(tree_, wall_, panel_);

    MainWindowPanes::Outlets outlets;
    outlets.splitView = split_;
    outlets.leftSideView = tree_;
    outlets.videoView = wall_;
    outlets.rightSideView = panel_;
    outlets.treeSegment = treeSegment_;
    outlets.panelSegment = panelSegment_;
    outlets.rightPanelSelector = selector_;
    outlets.panelMatrix = matrix_;
    outlets.ptzCustomView = [this] { return ptz_; };
    outlets.window = window_.get();
    panes_ = std::make_unique<MainWindowPanes>(outlets, QRectF(tree_->geometry()), QRectF(panel_->geometry()));
    split_->setDelegate(panes_.get());
    window_->show();
    QCoreApplication::processEvents();
    split_->adjustSubviews();
  }

  QToolButton* segment(int number) {
    auto* button = new QToolButton(window_.get());
    button->setCheckable(true);
    button->setChecked(true);
    button->setProperty("segment", number);
    return button;
  }

  // A click on a toggle segment, as the toolbar sends it.
  void toggle(QToolButton* segment) {
    segment->setChecked(!segment->isChecked());
    panes_->resizeSplitView(segment);
  }

  void finish() {
    panes_->finishAnimations();
    QCoreApplication::processEvents();
  }

  void TearDown() override {
    panes_.reset();
    window_.reset();
  }

  std::unique_ptr<QWidget> window_;
  ThreePaneSplitView* split_ = nullptr;
  QWidget* tree_ = nullptr;
  QWidget* wall_ = nullptr;
  QWidget* panel_ = nullptr;
  QWidget* selector_ = nullptr;
  QWidget* ptz_ = nullptr;
  QButtonGroup* matrix_ = nullptr;
  QToolButton* treeSegment_ = nullptr;
  QToolButton* panelSegment_ = nullptr;
  std::unique_ptr<MainWindowPanes> panes_;
};

struct LimitCase {
  const char* name;
  int windowWidth;
  int divider;
  double minimum;
  double maximum;
};

class MainWindowPanesLimitTest : public MainWindowPanesTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(MainWindowPanesLimitTest, BoundsEachDivider) {
  const LimitCase& c = GetParam();
  window_->resize(c.windowWidth, 720);
  EXPECT_EQ(panes_->constrainMinCoordinate(*split_, 500, c.divider), c.minimum);
  EXPECT_EQ(panes_->constrainMaxCoordinate(*split_, 500, c.divider), c.maximum);
}

INSTANTIATE_TEST_SUITE_P(Table, MainWindowPanesLimitTest,
                         ::testing::Values(LimitCase{"TreeAt1200", 1200, 0, 40, 333},
                                           LimitCase{"WallAt1200", 1200, 1, 634, 987},
                                           LimitCase{"WallAt900", 900, 1, 334, 687},
                                           LimitCase{"TreeAt900", 900, 0, 40, 333},
                                           LimitCase{"AnyOther", 1200, 2, 620, 380}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowPanesTest, NoWindowMeansWidthZero) {
  MainWindowPanes::Outlets outlets;
  outlets.splitView = split_;
  outlets.leftSideView = tree_;
  outlets.videoView = wall_;
  outlets.rightSideView = panel_;
  MainWindowPanes lone(outlets, QRectF(), QRectF());
  EXPECT_EQ(lone.constrainMinCoordinate(*split_, 0, 1), -566);
  EXPECT_EQ(lone.constrainMaxCoordinate(*split_, 0, 1), -213);
}

TEST_F(MainWindowPanesTest, DraggedDividersStayInTheirRanges) {
  split_->dragDivider(0, 10);
  EXPECT_EQ(tree_->width(), 40);
  EXPECT_EQ(wall_->x(), 40);
  split_->dragDivider(0, 600);
  EXPECT_EQ(tree_->width(), 333);
  split_->dragDivider(1, 100);
  EXPECT_EQ(panel_->x(), 1280 - 566) << "566 from the right edge at most";
  EXPECT_EQ(panel_->x() + panel_->width(), 1280);
  split_->dragDivider(1, 1270);
  EXPECT_EQ(panel_->x(), 1280 - 213);
  EXPECT_EQ(wall_->x() + wall_->width(), panel_->x());
}

TEST_F(MainWindowPanesTest, TheWallTakesTheWidthTheSidePanesLeave) {
  split_->resize(1500, 700);
  EXPECT_EQ(tree_->geometry(), QRect(0, 0, 240, 700));
  EXPECT_EQ(wall_->geometry(), QRect(240, 0, 1500 - 240 - 213, 700));
  EXPECT_EQ(panel_->geometry(), QRect(1500 - 213, 0, 213, 700));
}

TEST_F(MainWindowPanesTest, CollapsingTheTreeLeavesAStripThenHidesIt) {
  toggle(treeSegment_);
  ASSERT_TRUE(panes_->isAnimating());
  EXPECT_FALSE(tree_->isHidden());
  finish();
  EXPECT_TRUE(tree_->isHidden());
  EXPECT_EQ(tree_->width(), 20);
  EXPECT_EQ(wall_->x(), 0);
  EXPECT_EQ(wall_->width(), 1280 - 213);
  EXPECT_EQ(panel_->x(), 1280 - 213);
}

TEST_F(MainWindowPanesTest, TheAnimationRunsOnItsOwnAndLaysOutOnEveryStep) {
  toggle(treeSegment_);
  ASSERT_TRUE(test::waitUntil([&] { return tree_->width() < 240 && tree_->width() > 20; }));
  EXPECT_EQ(wall_->x(), tree_->width()) << "the wall follows the shrinking pane";
  ASSERT_TRUE(test::waitUntil([&] { return tree_->isHidden(); }));
  EXPECT_EQ(wall_->x(), 0);
}

TEST_F(MainWindowPanesTest, CollapsingThePanelHidesItAndTheWallTakesItsWidth) {
  toggle(panelSegment_);
  finish();
  EXPECT_TRUE(panel_->isHidden());
  EXPECT_EQ(panel_->width(), 80);
  EXPECT_EQ(wall_->x(), 240);
  EXPECT_EQ(wall_->width(), 1280 - 240);
}

TEST_F(MainWindowPanesTest, RestoringBringsBackTheLoadedFrameNotTheDraggedWidth) {
  split_->dragDivider(0, 300);
  ASSERT_EQ(tree_->width(), 300);
  toggle(treeSegment_);
  finish();
  toggle(treeSegment_);
  EXPECT_FALSE(tree_->isHidden());
  finish();
  EXPECT_EQ(tree_->width(), 240);
  EXPECT_EQ(wall_->x(), 240);

  toggle(panelSegment_);
  finish();
  toggle(panelSegment_);
  finish();
  EXPECT_FALSE(panel_->isHidden());
  EXPECT_EQ(panel_->geometry(), QRect(1280 - 213, 0, 213, 700));
  EXPECT_EQ(wall_->width(), 1280 - 240 - 213);
}

TEST_F(MainWindowPanesTest, BothPanesCollapsedLeaveTheWallTheWholeWidth) {
  toggle(treeSegment_);
  toggle(panelSegment_);
  finish();
  EXPECT_TRUE(tree_->isHidden());
  EXPECT_TRUE(panel_->isHidden());
  EXPECT_EQ(wall_->geometry(), QRect(0, 0, 1280, 700));
}

TEST_F(MainWindowPanesTest, ANarrowPanelMovesItsTabsAndWithTabOneThePTZView) {
  matrix_->button(1)->setChecked(true);
  split_->adjustSubviews();
  EXPECT_EQ(selector_->x(), 54);
  EXPECT_EQ(ptz_->x(), 24);
}

TEST_F(MainWindowPanesTest, ANarrowPanelOnTabZeroLeavesThePTZView) {
  split_->adjustSubviews();
  EXPECT_EQ(selector_->x(), 54);
  EXPECT_EQ(ptz_->x(), 40);
}

TEST_F(MainWindowPanesTest, AWidePanelKeepsDividerOneAtTheWallsRightEdge) {
  build(1280, 300);
  matrix_->button(1)->setChecked(true);
  split_->resize(1400, 700);
  EXPECT_EQ(selector_->x(), 70) << "only a panel of 213 or less moves its tabs";
  EXPECT_EQ(ptz_->x(), 40);
  EXPECT_EQ(split_->positionOfDivider(1), wall_->x() + wall_->width());
  EXPECT_EQ(panel_->x(), 1400 - 300);
}

TEST_F(MainWindowPanesTest, AnUnknownSegmentIsLogged) {
  test::LogCapture log;
  QToolButton other;
  other.setProperty("segment", 2);
  panes_->resizeSplitView(&other);
  EXPECT_TRUE(log.contains("Invalid Toggle Button"));
  EXPECT_FALSE(panes_->isAnimating());
}

TEST_F(MainWindowPanesTest, ASegmentShowsItsStateInItsPicture) {
  const qint64 onKey = treeSegment_->icon().cacheKey();
  toggle(treeSegment_);
  EXPECT_NE(treeSegment_->icon().cacheKey(), onKey);
  EXPECT_FALSE(treeSegment_->icon().isNull());
  EXPECT_FALSE(treeSegment_->isChecked());
}

}  // namespace
}  // namespace zelvo
