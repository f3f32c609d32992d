#pragma once
// Test support: every notification one client posted, in order, as observers saw
// it, with the thread it was seen on.

#include <QCoreApplication>
#include <QThread>

#include <mutex>
#include <string>
#include <vector>

#include "Foundation/MainThread.h"
#include "Foundation/NotificationCenter.h"
#include "support/Wait.h"

namespace zelvo::test {

struct LoggedNotification {
  Notification notification;
  bool onMainThread = false;
};

class NotificationLog {
 public:
  NotificationLog(const void* object, const std::vector<std::string>& names) {
    for (const std::string& name : names)
      observations_.emplace_back(NotificationCenter::defaultCenter(), name, object, [this](const Notification& n) {
        std::lock_guard lock(mutex_);
        seen_.push_back({n, isMainThread()});
      });
  }

  std::vector<LoggedNotification> all() const {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  std::vector<Notification> named(const std::string& name) const {
    std::vector<Notification> result;
    for (const LoggedNotification& s : all())
      if (s.notification.name == name) result.push_back(s.notification);
    return result;
  }
  size_t count(const std::string& name) const { return named(name).size(); }
  std::vector<std::string> names() const {
    std::vector<std::string> result;
    for (const LoggedNotification& s : all()) result.push_back(s.notification.name);
    return result;
  }
  bool waitForCount(const std::string& name, size_t n) {
    return waitUntil([&] { return count(name) >= n; });
  }

 private:
  mutable std::mutex mutex_;
  std::vector<LoggedNotification> seen_;
  std::vector<Observation> observations_;
};

}  // namespace zelvo::test
