#include "ViewControllers/RemoteSetup/RemoteSetupView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace zelvo {

RemoteSetupView::RemoteSetupView(QWidget* parent) : QWidget(parent), canvas_(size()) {
  // The keyed-out parts show the window behind the view.
  setAutoFillBackground(false);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  setFocusPolicy(Qt::NoFocus);
}

void RemoteSetupView::clearView() {
  canvas_.clear();
  update();
}

void RemoteSetupView::drawImage(const QImage& image, QPoint offset) {
  const QRect changed = canvas_.drawImage(image, offset);
  if (!changed.isEmpty()) update(changed);
}

void RemoteSetupView::paintEvent(QPaintEvent* event) {
  // Only the part asked for: a large canvas is not keyed out whole for every picture.
  const QRect dirty = event->rect().intersected(QRect(QPoint(0, 0), canvas_.size()));
  const QImage masked = canvas_.masked(dirty);
  if (masked.isNull()) return;
  QPainter painter(this);
  painter.drawImage(dirty.topLeft(), masked);
}

void RemoteSetupView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  canvas_.resize(size());
}

}  // namespace zelvo
