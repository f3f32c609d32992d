#pragma once
// A push button that keeps tracking the mouse until it is released: pressed, it stays
// down while the pointer wanders outside, and it reports the release when and where the
// button is let go (released(), and clicked() too when that is over the button).
// QAbstractButton instead emits released() as soon as the pressed pointer leaves, and
// nothing when the button is then let go outside.

#include <QPushButton>

namespace zelvo {

class TrackingButton : public QPushButton {
  Q_OBJECT
 public:
  explicit TrackingButton(QWidget* parent = nullptr);
  explicit TrackingButton(const QString& text, QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool tracking_ = false;  // a left press on the button, not yet released
};

}  // namespace zelvo
