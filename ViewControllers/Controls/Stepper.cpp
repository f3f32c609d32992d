#include "ViewControllers/Controls/Stepper.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace zelvo {

namespace {

QToolButton* makeArrow(QWidget* parent, Qt::ArrowType arrow, const char* name) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setArrowType(arrow);
  button->setAutoRepeat(true);
  // The focus stays in the field beside the stepper, as it does on a click into a spin box.
  button->setFocusPolicy(Qt::NoFocus);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  return button;
}

}  // namespace

Stepper::Stepper(QWidget* parent)
    : QWidget(parent),
      up_(makeArrow(this, Qt::UpArrow, "stepUpButton")),
      down_(makeArrow(this, Qt::DownArrow, "stepDownButton")) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(up_);
  layout->addWidget(down_);
  setFocusPolicy(Qt::TabFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  connect(up_, &QToolButton::clicked, this, &Stepper::stepUp);
  connect(down_, &QToolButton::clicked, this, &Stepper::stepDown);
}

void Stepper::setMinimum(int minimum) {
  minimum_ = minimum;
  maximum_ = std::max(maximum_, minimum_);
  setValue(value_);
}

void Stepper::setMaximum(int maximum) {
  maximum_ = maximum;
  minimum_ = std::min(minimum_, maximum_);
  setValue(value_);
}

void Stepper::setSingleStep(int step) { singleStep_ = std::max(step, 1); }

void Stepper::setValue(int value) {
  const int clamped = std::clamp(value, minimum_, maximum_);
  if (clamped == value_) return;
  value_ = clamped;
  emit valueChanged(value_);
}

void Stepper::step(int direction) {
  // In 64 bits, so that a step near the ends of int cannot overflow before the clamp.
  const long long next = static_cast<long long>(value_) + static_cast<long long>(direction) * singleStep_;
  setValue(static_cast<int>(
      std::clamp<long long>(next, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
  emit activated();
}

void Stepper::stepUp() { step(+1); }
void Stepper::stepDown() { step(-1); }

QSize Stepper::sizeHint() const { return QSize(18, 26); }

void Stepper::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      stepUp();
      return;
    case Qt::Key_Down:
      stepDown();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

}  // namespace zelvo
