#pragma once
// The main window's three panes: the site tree, the video wall and the site panel. Bounds
// where the two dividers may go, gives the wall all the width the side panes leave, and
// collapses and restores each side pane from its segment of the pane toggle: a collapse
// animates the pane down to a strip (20 points for the tree, 80 for the panel), and the
// next layout pass that finds it at exactly that width with its segment off hides it.
// A restore animates it back to the frame it had in the window's form. Main thread only.

#include <QPointer>
#include <QRect>
#include <QRectF>
#include <functional>

#include "ViewControllers/MainWindow/ThreePaneSplitView.h"

class QAbstractButton;
class QButtonGroup;
class QPropertyAnimation;
class QWidget;

namespace zelvo {

class MainWindowPanes : public QObject, public SplitViewDelegate {
  Q_OBJECT

 public:
  static constexpr double TreeStripWidth = 20.0;
  static constexpr double PanelStripWidth = 80.0;
  static constexpr double PanelReferenceWidth = 213.0;
  static constexpr double Divider0Minimum = 40.0;
  static constexpr double Divider0Maximum = 333.0;
  static constexpr double Divider1Margin = 233.0;
  static constexpr double DefaultDividerMargin = 120.0;
  static constexpr double SelectorX = 54.0;
  static constexpr double PTZViewX = 24.0;
  static constexpr int AnimationMilliseconds = 250;

  struct Outlets {
    ThreePaneSplitView* splitView = nullptr;
    QWidget* leftSideView = nullptr;
    QWidget* videoView = nullptr;
    QWidget* rightSideView = nullptr;
    QAbstractButton* treeSegment = nullptr;   // segment 0 of selectViewSegmentedControl
    QAbstractButton* panelSegment = nullptr;  // segment 1
    QWidget* rightPanelSelector = nullptr;
    // The panel's tab group; its checked button's "tag" is the selected tab.
    QButtonGroup* panelMatrix = nullptr;
    // Looked up when needed: the PTZ view belongs to the site panel, which may build it later.
    std::function<QWidget*()> ptzCustomView;
    // The window whose frame width bounds divider 1 (none: width 0).
    QWidget* window = nullptr;
  };

  // leftViewFrame and rightViewFrame are the panes' frames as the window's form has them.
  MainWindowPanes(Outlets outlets, QRectF leftViewFrame, QRectF rightViewFrame, QObject* parent = nullptr);
  ~MainWindowPanes() override;

  const QRectF& leftViewFrame() const { return leftViewFrame_; }
  const QRectF& rightViewFrame() const { return rightViewFrame_; }

  // SplitViewDelegate.
  double constrainMinCoordinate(ThreePaneSplitView& view, double proposed, int divider) override;
  double constrainMaxCoordinate(ThreePaneSplitView& view, double proposed, int divider) override;
  void resizeSubviewsWithOldSize(ThreePaneSplitView& view, QSize oldSize) override;
  bool canCollapseSubview(int) const { return false; }
  bool shouldHideDividerAtIndex(int) const { return false; }
  bool shouldAdjustSizeOfSubview(int) const { return false; }

  // The pane toggle's action: the segment that was clicked (its new state is its check).
  void resizeSplitView(QAbstractButton* segment);
  void collapseSplitSiteTree();
  void expandSplitSiteTree();
  void collapseSplitSitePanel();
  void expandSplitSitePanel();
  void adjustView(QWidget* view, int controlTag);
  void adjustDividerPosition();

  // The running animations end at once (tests, and a window that closes).
  void finishAnimations();
  bool isAnimating() const;

 private:
  void animate(QWidget* pane, QRect to, QPointer<QPropertyAnimation>& slot);
  static bool isSelected(const QAbstractButton* segment);
  void setSegment(QAbstractButton* segment, bool on, const char* image);
  double windowWidth() const;

  Outlets outlets_;
  QRectF leftViewFrame_;
  QRectF rightViewFrame_;
  QPointer<QPropertyAnimation> treeAnimation_;
  QPointer<QPropertyAnimation> panelAnimation_;
};

}  // namespace zelvo
