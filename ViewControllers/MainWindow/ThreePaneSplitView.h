#pragma once
// A horizontal split view of three panes with two dividers, laid out by its delegate.
// QSplitter cannot bound each divider on its own nor leave the pane frames to someone
// else, so this one only moves the dividers where the delegate allows and asks the
// delegate to lay the panes out whenever its size, or a pane's frame, changes.
//
// The panes are children placed by frame; a divider is a thin handle over the boundary
// between two panes and takes no width of its own. Main thread only.

#include <QPointer>
#include <QWidget>
#include <array>

namespace zelvo {

class ThreePaneSplitView;

class SplitViewDelegate {
 public:
  virtual ~SplitViewDelegate() = default;
  // Where a divider may go while it is dragged.
  virtual double constrainMinCoordinate(ThreePaneSplitView& view, double proposed, int divider) = 0;
  virtual double constrainMaxCoordinate(ThreePaneSplitView& view, double proposed, int divider) = 0;
  // The layout pass: set the three panes' frames for the view's new size.
  virtual void resizeSubviewsWithOldSize(ThreePaneSplitView& view, QSize oldSize) = 0;
  virtual void splitViewWillResizeSubviews(ThreePaneSplitView&) {}
  virtual void splitViewDidResizeSubviews(ThreePaneSplitView&) {}
};

class ThreePaneSplitView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int PaneCount = 3;
  static constexpr int DividerCount = 2;
  // The handle's width; the boundary it marks is at its centre.
  static constexpr int HandleWidth = 5;

  explicit ThreePaneSplitView(QWidget* parent = nullptr);
  ~ThreePaneSplitView() override;

  // Takes the three panes (they become its children, keeping their frames).
  void setPanes(QWidget* left, QWidget* middle, QWidget* right);
  QWidget* pane(int index) const { return panes_[index]; }

  void setDelegate(SplitViewDelegate* delegate) { delegate_ = delegate; }

  // Moves a divider: the pane left of it ends there and the one right of it starts there,
  // its right edge kept. No delegate call; a hidden neighbour is left alone.
  void setPosition(double position, int divider);
  // The boundary the divider marks now.
  double positionOfDivider(int divider) const;

  // The delegate's layout pass, as for a change of size (also when a pane's frame changed
  // from outside, e.g. while it is animated).
  void adjustSubviews();

  // Dragging, as the handles do it: the proposed position is bounded by the delegate.
  void dragDivider(int divider, double proposed);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Handle;
  void placeHandles();

  SplitViewDelegate* delegate_ = nullptr;
  std::array<QPointer<QWidget>, PaneCount> panes_{};
  std::array<Handle*, DividerCount> handles_{};
  bool layingOut_ = false;
};

}  // namespace zelvo
