#include "ViewControllers/Controls/TimerFactory.h"

#include <QTimer>
#include <climits>
#include <cmath>

#include "Foundation/Assert.h"

namespace zelvo {

namespace {

// QTimer takes whole milliseconds in an int: at least 1 (0 would fire on every turn
// of the event loop), at most INT_MAX (about 24 days).
int timerMilliseconds(double seconds) {
  const double ms = std::round(seconds * 1000.0);
  if (ms < 1.0) return 1;
  if (ms > static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(ms);
}

class QtRepeatingTimer : public RepeatingTimer {
 public:
  QtRepeatingTimer(double seconds, std::function<void()> action) : seconds_(seconds), timer_(new QTimer) {
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(timerMilliseconds(seconds));
    auto firing = firing_;
    QObject::connect(timer_, &QTimer::timeout, timer_, [firing, action = std::move(action)] {
      ++*firing;
      action();
      --*firing;
    });
    timer_->start();
  }

  // The action may destroy its own timer (a restart from inside the timer's call):
  // the QTimer is then still emitting, so it goes once its emission is over.
  ~QtRepeatingTimer() override {
    timer_->stop();
    if (*firing_ > 0) {
      QObject::disconnect(timer_, nullptr, nullptr, nullptr);
      timer_->deleteLater();
    } else {
      delete timer_;
    }
  }

  double interval() const override { return seconds_; }

 private:
  double seconds_;
  QTimer* timer_;
  std::shared_ptr<int> firing_ = std::make_shared<int>(0);
};

class QtTimerFactory : public TimerFactory {
 public:
  std::unique_ptr<RepeatingTimer> scheduleRepeating(double seconds, std::function<void()> action) override {
    ZELVO_PRECONDITION(std::isfinite(seconds) && seconds > 0);
    return std::make_unique<QtRepeatingTimer>(seconds, std::move(action));
  }
};

}  // namespace

TimerFactory& mainThreadTimerFactory() {
  static QtTimerFactory factory;
  return factory;
}

}  // namespace zelvo
