#include "ViewControllers/MainWindow/MainWindowPanes.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QIcon>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QWidget>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Resources/Resources.h"

namespace zelvo {

MainWindowPanes::MainWindowPanes(Outlets outlets, QRectF leftViewFrame, QRectF rightViewFrame, QObject* parent)
    : QObject(parent), outlets_(std::move(outlets)), leftViewFrame_(leftViewFrame), rightViewFrame_(rightViewFrame) {
  ZELVO_PRECONDITION(outlets_.splitView && outlets_.leftSideView && outlets_.videoView && outlets_.rightSideView);
}

MainWindowPanes::~MainWindowPanes() {
  // The animations belong to their panes; none may call back into a controller that is gone.
  for (QPropertyAnimation* animation : {treeAnimation_.data(), panelAnimation_.data()})
    if (animation) {
      animation->disconnect(this);
      animation->stop();
    }
}

double MainWindowPanes::windowWidth() const { return outlets_.window ? outlets_.window->width() : 0.0; }

double MainWindowPanes::constrainMinCoordinate(ThreePaneSplitView&, double proposed, int divider) {
  if (divider == 0) return Divider0Minimum;
  if (divider == 1) return windowWidth() - PanelReferenceWidth - Divider1Margin - DefaultDividerMargin;
  return proposed + DefaultDividerMargin;
}

double MainWindowPanes::constrainMaxCoordinate(ThreePaneSplitView&, double proposed, int divider) {
  if (divider == 0) return Divider0Maximum;
  if (divider == 1) return windowWidth() - PanelReferenceWidth;
  return proposed - DefaultDividerMargin;
}

void MainWindowPanes::resizeSubviewsWithOldSize(ThreePaneSplitView& view, QSize) {
  QWidget* tree = outlets_.leftSideView;
  QWidget* wall = outlets_.videoView;
  QWidget* panel = outlets_.rightSideView;
  const QRect split = view.rect();
  const QRect treeFrame = tree->geometry();
  const QRect wallFrame = wall->geometry();
  const QRect panelFrame = panel->geometry();
  const int height = split.height();

  adjustView(tree, 0);
  adjustView(panel, 1);

  const int left = tree->isHidden() ? 0 : treeFrame.width();
  const int right = panel->isHidden() ? 0 : panelFrame.width();
  const int wallWidth = split.width() - left - right;
  const int panelX = left + wallWidth;

  tree->setGeometry(treeFrame.x(), treeFrame.y(), treeFrame.width(), height);
  wall->setGeometry(left, wallFrame.y(), wallWidth, height);
  panel->setGeometry(panelX, panelFrame.y(), panelFrame.width(), height);

  adjustDividerPosition();
}

void MainWindowPanes::adjustView(QWidget* view, int controlTag) {
  if (view == outlets_.leftSideView) {
    if (view->width() == TreeStripWidth && !isSelected(outlets_.treeSegment) && !view->isHidden()) {
      view->hide();
      return;
    }
    if (!view->isHidden()) outlets_.splitView->setPosition(view->width(), 0);
  } else if (view == outlets_.rightSideView) {
    if (view->width() == PanelStripWidth && !isSelected(outlets_.panelSegment) && !view->isHidden()) {
      view->hide();
      return;
    }
    if (view->width() <= PanelReferenceWidth && !view->isHidden()) {
      if (QWidget* selector = outlets_.rightPanelSelector) selector->move(static_cast<int>(SelectorX), selector->y());
      const QAbstractButton* tab = outlets_.panelMatrix ? outlets_.panelMatrix->checkedButton() : nullptr;
      if (tab && tab->property("tag").toInt() == 1) {
        if (QWidget* ptz = outlets_.ptzCustomView ? outlets_.ptzCustomView() : nullptr)
          ptz->move(static_cast<int>(PTZViewX), ptz->y());
      }
    }
  }
  (void)controlTag;
}

void MainWindowPanes::adjustDividerPosition() {
  QWidget* tree = outlets_.leftSideView;
  QWidget* panel = outlets_.rightSideView;
  if (!tree->isHidden()) outlets_.splitView->setPosition(tree->width(), 0);
  if (!panel->isHidden() && panel->width() >= PanelReferenceWidth)
    outlets_.splitView->setPosition((tree->isHidden() ? 0 : tree->width()) + outlets_.videoView->width(), 1);
}

void MainWindowPanes::resizeSplitView(QAbstractButton* segment) {
  const QVariant number = segment ? segment->property("segment") : QVariant();
  const int selected = number.isValid() ? number.toInt() : -1;
  if (selected == 0) {
    if (isSelected(segment)) expandSplitSiteTree();
    else collapseSplitSiteTree();
  } else if (selected == 1) {
    if (isSelected(segment)) expandSplitSitePanel();
    else collapseSplitSitePanel();
  } else {
    zelvoLog("Invalid Toggle Button");
  }
}

void MainWindowPanes::collapseSplitSiteTree() {
  setSegment(outlets_.treeSegment, false, "toolbar_view_left_normal");
  animate(outlets_.leftSideView, QRect(0, 0, static_cast<int>(TreeStripWidth), qRound(leftViewFrame_.height())),
          treeAnimation_);
}

void MainWindowPanes::expandSplitSiteTree() {
  // The segment is on before the pane shows, so that no layout pass hides the strip again.
  setSegment(outlets_.treeSegment, true, "toolbar_view_left_clicked");
  if (outlets_.leftSideView->isHidden()) outlets_.leftSideView->show();
  animate(outlets_.leftSideView, leftViewFrame_.toRect(), treeAnimation_);
}

void MainWindowPanes::collapseSplitSitePanel() {
  setSegment(outlets_.panelSegment, false, "toolbar_view_right_normal");
  animate(outlets_.rightSideView,
          QRect(qRound(windowWidth()), 0, static_cast<int>(PanelStripWidth), qRound(rightViewFrame_.height())),
          panelAnimation_);
}

void MainWindowPanes::expandSplitSitePanel() {
  setSegment(outlets_.panelSegment, true, "toolbar_view_right_clicked");
  if (outlets_.rightSideView->isHidden()) outlets_.rightSideView->show();
  animate(outlets_.rightSideView, rightViewFrame_.toRect(), panelAnimation_);
}

void MainWindowPanes::animate(QWidget* pane, QRect to, QPointer<QPropertyAnimation>& slot) {
  if (slot) {
    slot->disconnect(this);
    slot->stop();
    slot->deleteLater();
  }
  auto* animation = new QPropertyAnimation(pane, "geometry", pane);
  animation->setDuration(AnimationMilliseconds);
  animation->setStartValue(pane->geometry());
  animation->setEndValue(to);
  // Each step moves the pane; the split view lays out again on every move. The last pass
  // runs when the pane has its final frame, which is where a strip gets hidden.
  connect(animation, &QPropertyAnimation::finished, this, [this] { outlets_.splitView->adjustSubviews(); });
  slot = animation;
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void MainWindowPanes::finishAnimations() {
  for (QPropertyAnimation* animation : {treeAnimation_.data(), panelAnimation_.data()})
    if (animation && animation->state() == QAbstractAnimation::Running)
      animation->setCurrentTime(animation->totalDuration());
}

bool MainWindowPanes::isAnimating() const {
  for (QPropertyAnimation* animation : {treeAnimation_.data(), panelAnimation_.data()})
    if (animation && animation->state() == QAbstractAnimation::Running) return true;
  return false;
}

bool MainWindowPanes::isSelected(const QAbstractButton* segment) { return segment && segment->isChecked(); }

void MainWindowPanes::setSegment(QAbstractButton* segment, bool on, const char* image) {
  if (!segment) return;
  if (segment->isChecked() != on) {
    const bool blocked = segment->blockSignals(true);
    segment->setChecked(on);
    segment->blockSignals(blocked);
  }
  const QImage picture = imageResource(QString::fromLatin1(image), QStringLiteral("png"));
  if (!picture.isNull()) {
    QIcon icon(QPixmap::fromImage(picture));
    const QImage doubled = imageResource(QString::fromLatin1(image) + QStringLiteral("@2x"), QStringLiteral("png"));
    if (!doubled.isNull()) {
      QPixmap pixmap = QPixmap::fromImage(doubled);
      pixmap.setDevicePixelRatio(2.0);
      icon.addPixmap(pixmap);
    }
    segment->setIcon(icon);
  }
}

}  // namespace zelvo
