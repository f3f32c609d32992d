#include "ViewControllers/MainWindow/ThreePaneSplitView.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include "Foundation/Assert.h"

namespace zelvo {

class ThreePaneSplitView::Handle : public QWidget {
 public:
  Handle(ThreePaneSplitView* view, int divider) : QWidget(view), view_(view), divider_(divider) {
    setCursor(Qt::SplitHCursor);
    setAttribute(Qt::WA_NoSystemBackground);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(QRect(width() / 2, 0, 1, height()), palette().color(QPalette::Mid));
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    grab_ = event->position().x() - width() / 2.0;
    dragging_ = true;
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (!dragging_) return;
    const double proposed = mapTo(view_, event->position().toPoint()).x() - grab_;
    view_->dragDivider(divider_, proposed);
  }
  void mouseReleaseEvent(QMouseEvent*) override { dragging_ = false; }

 private:
  ThreePaneSplitView* view_;
  int divider_;
  double grab_ = 0;
  bool dragging_ = false;
};

ThreePaneSplitView::ThreePaneSplitView(QWidget* parent) : QWidget(parent) {
  for (int i = 0; i < DividerCount; ++i) handles_[i] = new Handle(this, i);
}

ThreePaneSplitView::~ThreePaneSplitView() = default;

void ThreePaneSplitView::setPanes(QWidget* left, QWidget* middle, QWidget* right) {
  ZELVO_PRECONDITION(left && middle && right);
  QWidget* panes[] = {left, middle, right};
  for (int i = 0; i < PaneCount; ++i) {
    if (panes_[i]) panes_[i]->removeEventFilter(this);
    const QRect frame = panes[i]->geometry();
    if (panes[i]->parentWidget() != this) {
      const bool hidden = panes[i]->isHidden();
      panes[i]->setParent(this);
      panes[i]->setGeometry(frame);
      panes[i]->setVisible(!hidden);
    }
    panes_[i] = panes[i];
    panes[i]->installEventFilter(this);
  }
  for (Handle* handle : handles_) handle->raise();
  placeHandles();
}

double ThreePaneSplitView::positionOfDivider(int divider) const {
  ZELVO_PRECONDITION(divider >= 0 && divider < DividerCount);
  QWidget* left = panes_[divider];
  return left ? left->geometry().x() + left->geometry().width() : 0;
}

void ThreePaneSplitView::setPosition(double position, int divider) {
  ZELVO_PRECONDITION(divider >= 0 && divider < DividerCount);
  QWidget* left = panes_[divider];
  QWidget* right = panes_[divider + 1];
  if (!left || !right) return;
  const int at = qRound(position);
  const bool wasLayingOut = layingOut_;
  layingOut_ = true;
  if (!left->isHidden()) {
    const QRect frame = left->geometry();
    left->setGeometry(frame.x(), frame.y(), std::max(0, at - frame.x()), frame.height());
  }
  if (!right->isHidden()) {
    const QRect frame = right->geometry();
    const int rightEdge = frame.x() + frame.width();
    right->setGeometry(at, frame.y(), std::max(0, rightEdge - at), frame.height());
  }
  layingOut_ = wasLayingOut;
  placeHandles();
}

void ThreePaneSplitView::dragDivider(int divider, double proposed) {
  ZELVO_PRECONDITION(divider >= 0 && divider < DividerCount);
  double position = proposed;
  if (delegate_) {
    const double minimum = delegate_->constrainMinCoordinate(*this, proposed, divider);
    const double maximum = delegate_->constrainMaxCoordinate(*this, proposed, divider);
    position = std::max(position, minimum);
    position = std::min(position, maximum);
  }
  if (delegate_) delegate_->splitViewWillResizeSubviews(*this);
  setPosition(position, divider);
  if (delegate_) delegate_->splitViewDidResizeSubviews(*this);
}

void ThreePaneSplitView::adjustSubviews() {
  if (layingOut_ || !delegate_) return;
  layingOut_ = true;
  delegate_->splitViewWillResizeSubviews(*this);
  delegate_->resizeSubviewsWithOldSize(*this, size());
  delegate_->splitViewDidResizeSubviews(*this);
  layingOut_ = false;
  placeHandles();
}

void ThreePaneSplitView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (layingOut_ || !delegate_) {
    placeHandles();
    return;
  }
  layingOut_ = true;
  delegate_->splitViewWillResizeSubviews(*this);
  delegate_->resizeSubviewsWithOldSize(*this, event->oldSize());
  delegate_->splitViewDidResizeSubviews(*this);
  layingOut_ = false;
  placeHandles();
}

bool ThreePaneSplitView::eventFilter(QObject* watched, QEvent* event) {
  // A pane moved or resized from outside (an animation): lay the panes out again.
  if (!layingOut_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
    for (const auto& pane : panes_)
      if (pane == watched) {
        adjustSubviews();
        break;
      }
  }
  return QWidget::eventFilter(watched, event);
}

void ThreePaneSplitView::placeHandles() {
  for (int i = 0; i < DividerCount; ++i) {
    Handle* handle = handles_[i];
    QWidget* left = panes_[i];
    QWidget* right = panes_[i + 1];
    // A divider beside a hidden pane is not dragged: the pane comes back through its toggle.
    const bool usable = left && right && !left->isHidden() && !right->isHidden();
    handle->setVisible(usable);
    if (!usable) continue;
    const int at = qRound(positionOfDivider(i));
    handle->setGeometry(at - HandleWidth / 2, 0, HandleWidth, height());
    handle->raise();
  }
}

}  // namespace zelvo
