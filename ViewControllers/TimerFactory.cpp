#include "ViewControllers/TimerFactory.h"

#include <QTimer>
#include <cmath>

namespace zelvo {

namespace {

class QtRepeatingTimer : public RepeatingTimer {
 public:
  QtRepeatingTimer(double seconds, std::function<void()> action) : seconds_(seconds) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(static_cast<int>(std::lround(seconds * 1000.0)));
    QObject::connect(&timer_, &QTimer::timeout, std::move(action));
    timer_.start();
  }
  double interval() const override { return seconds_; }

 private:
  double seconds_;
  QTimer timer_;
};

class QtTimerFactory : public TimerFactory {
 public:
  std::unique_ptr<RepeatingTimer> scheduleRepeating(double seconds, std::function<void()> action) override {
    return std::make_unique<QtRepeatingTimer>(seconds, std::move(action));
  }
};

}  // namespace

TimerFactory& mainThreadTimerFactory() {
  static QtTimerFactory factory;
  return factory;
}

}  // namespace zelvo
