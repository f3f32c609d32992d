#pragma once
// A push button that keeps tracking the mouse until it is released: pressed, it stays
// down while the pointer wanders outside, and it reports the release when and where the
// button is let go (released(), and clicked() too when that is over the button).
// QAbstractButton instead emits released() as soon as the pressed pointer leaves, pressed()
// again when it comes back, and nothing when the button is then let go outside.
//
// keepTrackingUntilRelease gives the same behaviour to a button made elsewhere (a form's
// tool buttons): the PTZ pad's buttons must not stop and restart a camera each time the
// held pointer slips over their edge.

#include <QPushButton>

class QAbstractButton;

namespace zelvo {

// Installs the tracking on the button for its lifetime. Calling it twice does nothing more.
void keepTrackingUntilRelease(QAbstractButton* button);
bool isTrackingUntilRelease(const QAbstractButton* button);

class TrackingButton : public QPushButton {
  Q_OBJECT
 public:
  explicit TrackingButton(QWidget* parent = nullptr);
  explicit TrackingButton(const QString& text, QWidget* parent = nullptr);
};

}  // namespace zelvo
