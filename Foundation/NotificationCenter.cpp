#include "Foundation/NotificationCenter.h"

#include "Foundation/MainThread.h"

namespace zelvo {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter* center = new NotificationCenter;  // lives until the process ends
  return *center;
}

NotificationCenter::Token NotificationCenter::addObserver(std::string name, const void* object, Callback callback) {
  std::lock_guard lock(mutex_);
  Token token = nextToken_++;
  observers_.push_back({token, std::move(name), object, std::make_shared<Callback>(std::move(callback)),
                        std::make_shared<bool>(false)});
  return token;
}

void NotificationCenter::removeObserver(Token token) {
  std::lock_guard lock(mutex_);
  for (auto it = observers_.begin(); it != observers_.end(); ++it) {
    if (it->token == token) {
      *it->removed = true;
      observers_.erase(it);
      return;
    }
  }
}

void NotificationCenter::post(const Notification& notification) {
  std::vector<Observer> matching;
  {
    std::lock_guard lock(mutex_);
    for (const Observer& observer : observers_)
      if (observer.name == notification.name && (!observer.object || observer.object == notification.object))
        matching.push_back(observer);
  }
  for (const Observer& observer : matching) {
    {
      std::lock_guard lock(mutex_);
      if (*observer.removed) continue;
    }
    (*observer.callback)(notification);
  }
}

void NotificationCenter::post(std::string name, const void* object, UserInfo userInfo) {
  post(Notification{std::move(name), object, std::move(userInfo)});
}

void NotificationCenter::postOnMainAndWait(const Notification& notification) {
  runOnMainAndWait([&] { post(notification); });
}

void NotificationCenter::postOnMainAndWait(const Notification& notification,
                                           const std::shared_ptr<HopCancellation>& cancellation) {
  runOnMainAndWait([&] { post(notification); }, cancellation);
}

void NotificationCenter::postOnMainAndWait(std::string name, const void* object, UserInfo userInfo) {
  postOnMainAndWait(Notification{std::move(name), object, std::move(userInfo)});
}

}  // namespace zelvo
