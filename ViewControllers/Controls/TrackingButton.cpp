#include "ViewControllers/Controls/TrackingButton.h"

#include <QAbstractButton>
#include <QEvent>
#include <QMouseEvent>

#include "Foundation/Assert.h"

namespace zelvo {

namespace {

// Sits in front of the button's own mouse handling. While a left press that put the
// button down is held, moves never reach the button (it would raise itself on leaving
// and press itself again on coming back); a release outside raises it and reports the
// release; a release over it goes to the button, which reports it and the click.
class ButtonTracker : public QObject {
 public:
  explicit ButtonTracker(QAbstractButton* button) : QObject(button), button_(button) {
    setObjectName(QStringLiteral("zelvoButtonTracker"));
    button->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != button_) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) held_ = button_->isEnabled();
        return false;
      case QEvent::MouseMove:
        // Down no longer: the program raised it (a disable); the button may do as it likes.
        return held_ && button_->isDown();
      case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !held_) return false;
        held_ = false;
        if (!button_->isDown() || button_->rect().contains(mouse->position().toPoint())) return false;
        // Raised here, the button takes the release as one it has nothing to say about
        // (and forgets its press); the release is reported once, now.
        button_->setDown(false);
        emit button_->released();
        return false;
      }
      default:
        return false;
    }
  }

 private:
  QAbstractButton* button_;
  bool held_ = false;  // a left press on the enabled button, not yet released
};

ButtonTracker* trackerOf(const QAbstractButton* button) {
  return button->findChild<ButtonTracker*>(QStringLiteral("zelvoButtonTracker"), Qt::FindDirectChildrenOnly);
}

}  // namespace

void keepTrackingUntilRelease(QAbstractButton* button) {
  ZELVO_PRECONDITION(button != nullptr);
  if (!trackerOf(button)) new ButtonTracker(button);
}

bool isTrackingUntilRelease(const QAbstractButton* button) { return button && trackerOf(button); }

TrackingButton::TrackingButton(QWidget* parent) : QPushButton(parent) { keepTrackingUntilRelease(this); }

TrackingButton::TrackingButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  keepTrackingUntilRelease(this);
}

}  // namespace zelvo
