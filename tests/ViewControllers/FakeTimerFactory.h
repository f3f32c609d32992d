#pragma once
// Test support: repeating timers on a fake clock. The factory records every timer it
// made (interval, whether it still runs, how often it fired); a test fires them by
// hand or moves the clock on. Nothing here waits or reads the real clock.
//
//   test::FakeTimerFactory timers;
//   AutoReconnecter reconnecter(timers);
//   reconnecter.start();
//   timers.advance(5.0);   // every running timer whose period has elapsed fires

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ViewControllers/Controls/TimerFactory.h"

namespace zelvo::test {

class FakeTimerFactory : public TimerFactory {
 public:
  struct Timer {
    int id = 0;             // 0 for the first timer made, then 1, 2...
    double interval = 0;    // seconds
    double scheduledAt = 0; // fake time of its creation
    double nextFire = 0;    // fake time of its next firing while it runs
    bool running = true;    // false once its handle is destroyed
    int fired = 0;
    std::function<void()> action;
  };

  std::unique_ptr<RepeatingTimer> scheduleRepeating(double seconds, std::function<void()> action) override {
    EXPECT_GT(seconds, 0.0) << "a repeating timer of no period";
    auto timer = std::make_shared<Timer>();
    timer->id = static_cast<int>(timers_.size());
    timer->interval = seconds;
    timer->scheduledAt = now_;
    timer->nextFire = now_ + seconds;
    timer->action = std::move(action);
    timers_.push_back(timer);
    return std::make_unique<Handle>(timer);
  }

  double now() const { return now_; }
  // Every timer made so far, stopped ones included, in the order they were made.
  int scheduledCount() const { return static_cast<int>(timers_.size()); }
  const Timer& timer(int id) const { return *timers_.at(static_cast<size_t>(id)); }
  std::vector<int> runningIds() const {
    std::vector<int> ids;
    for (const auto& t : timers_)
      if (t->running) ids.push_back(t->id);
    return ids;
  }
  int runningCount() const { return static_cast<int>(runningIds().size()); }
  // The one running timer (tests of one owner); none when no timer runs. A test
  // fails when more than one runs.
  const Timer* running() const {
    const Timer* found = nullptr;
    for (const auto& t : timers_) {
      if (!t->running) continue;
      EXPECT_EQ(found, nullptr) << "more than one timer runs";
      found = t.get();
    }
    return found;
  }
  std::optional<double> runningInterval() const {
    const Timer* t = running();
    return t ? std::optional<double>(t->interval) : std::nullopt;
  }

  // Fires one timer now, whatever its period (false when it no longer runs).
  bool fire(int id) {
    auto t = timers_.at(static_cast<size_t>(id));
    if (!t->running) return false;
    t->nextFire = now_ + t->interval;
    ++t->fired;
    auto action = t->action;  // the action may stop its own timer
    action();
    return true;
  }
  // Fires every running timer once, in the order they were made; how many fired.
  int fireAll() {
    int count = 0;
    for (int id : runningIds()) count += fire(id) ? 1 : 0;
    return count;
  }

  // Moves the clock on by seconds: each running timer fires every time its next
  // firing falls within, in time order (the earlier made first on a tie). Timers
  // made or stopped by an action take part from that moment.
  void advance(double seconds) {
    const double target = now_ + seconds;
    for (;;) {
      std::shared_ptr<Timer> next;
      for (const auto& t : timers_) {
        if (!t->running || t->interval <= 0 || t->nextFire > target) continue;
        if (!next || t->nextFire < next->nextFire) next = t;
      }
      if (!next) break;
      now_ = next->nextFire;
      next->nextFire += next->interval;
      ++next->fired;
      auto action = next->action;
      action();
    }
    now_ = target;
  }

 private:
  class Handle : public RepeatingTimer {
   public:
    explicit Handle(std::shared_ptr<Timer> timer) : timer_(std::move(timer)) {}
    ~Handle() override { timer_->running = false; }
    double interval() const override { return timer_->interval; }

   private:
    std::shared_ptr<Timer> timer_;
  };

  double now_ = 0;
  std::vector<std::shared_ptr<Timer>> timers_;
};

}  // namespace zelvo::test
