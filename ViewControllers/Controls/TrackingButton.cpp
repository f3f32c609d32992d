#include "ViewControllers/Controls/TrackingButton.h"

#include <QMouseEvent>

namespace zelvo {

TrackingButton::TrackingButton(QWidget* parent) : QPushButton(parent) {}

TrackingButton::TrackingButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void TrackingButton::mousePressEvent(QMouseEvent* event) {
  QPushButton::mousePressEvent(event);
  if (event->button() == Qt::LeftButton) tracking_ = isDown();
}

void TrackingButton::mouseMoveEvent(QMouseEvent* event) {
  // Leaving would let the base class raise the button and emit released().
  if (tracking_) {
    event->accept();
    return;
  }
  QPushButton::mouseMoveEvent(event);
}

void TrackingButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !tracking_) {
    QPushButton::mouseReleaseEvent(event);
    return;
  }
  tracking_ = false;
  if (!isDown()) {  // raised meanwhile by the program (setDown, a disable)
    QPushButton::mouseReleaseEvent(event);
    return;
  }
  if (hitButton(event->position().toPoint())) {
    QPushButton::mouseReleaseEvent(event);  // released() and clicked()
    return;
  }
  setDown(false);
  QPushButton::mouseReleaseEvent(event);  // clears Qt's own pressed state; raised, it emits nothing
  event->accept();
  emit released();
}

}  // namespace zelvo
