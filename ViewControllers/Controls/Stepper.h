#pragma once
// A pair of arrow buttons over an integer, beside a field that shows the number: one
// click steps the value by singleStep within minimum..maximum, holding a button
// repeats. With the focus, the Up and Down keys step it too. Its text is the value in
// decimal. The limits are set by the form that holds it.

#include <QString>
#include <QWidget>

class QToolButton;

namespace zelvo {

class Stepper : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
  Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
  Q_PROPERTY(int singleStep READ singleStep WRITE setSingleStep)
  Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)

 public:
  explicit Stepper(QWidget* parent = nullptr);

  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  int singleStep() const { return singleStep_; }
  int value() const { return value_; }
  // A bound past the other one moves the other one along; the value is kept within both.
  void setMinimum(int minimum);
  void setMaximum(int maximum);
  void setSingleStep(int step);  // at least 1
  void setValue(int value);      // clamped to minimum..maximum; no activated()
  QString text() const { return QString::number(value_); }

  // The operator's steps: change the value, then activated(). At a bound the value
  // stays and activated() still comes, as the action rewrites the field beside it.
  void stepUp();
  void stepDown();

  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  void valueChanged(int value);
  // The operator stepped the stepper: the action of the control.
  void activated();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void step(int direction);

  QToolButton* up_;
  QToolButton* down_;
  int minimum_ = 0;
  int maximum_ = 99;
  int singleStep_ = 1;
  int value_ = 0;
};

}  // namespace zelvo
