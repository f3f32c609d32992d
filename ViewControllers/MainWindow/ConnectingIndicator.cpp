#include "ViewControllers/MainWindow/ConnectingIndicator.h"

#include <QPainter>

namespace zelvo {

ConnectingIndicator::ConnectingIndicator(QWidget* parent) : QProgressBar(parent) {
  setRange(0, 0);
  setTextVisible(false);
  timer_.setInterval(TurnIntervalMs);
  connect(&timer_, &QTimer::timeout, this, [this] {
    phase_ = (phase_ + 1) % 12;
    update();
  });
}

void ConnectingIndicator::showEvent(QShowEvent* event) {
  QProgressBar::showEvent(event);
  timer_.start();
}

void ConnectingIndicator::hideEvent(QHideEvent* event) {
  timer_.stop();
  QProgressBar::hideEvent(event);
}

void ConnectingIndicator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const double radius = std::min(width(), height()) / 2.0;
  painter.translate(QRectF(rect()).center());
  const QColor color = palette().color(QPalette::WindowText);
  QPen pen(color, radius / 5.0, Qt::SolidLine, Qt::RoundCap);
  for (int i = 0; i < 12; ++i) {
    QColor tick = color;
    tick.setAlphaF(0.15 + 0.85 * ((i + 12 - phase_) % 12) / 11.0);
    pen.setColor(tick);
    painter.setPen(pen);
    painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.9));
    painter.rotate(30);
  }
}

}  // namespace zelvo
