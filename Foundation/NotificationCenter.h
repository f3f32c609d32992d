#pragma once
// Observers by notification name and sender (or any sender), delivered on the
// posting thread in registration order. Removing an observer during a post is
// safe: it is not called afterwards. Clients post through postOnMainAndWait: one
// hop to the main thread, delivery to every observer there, then the poster goes on.

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zelvo {

class HopCancellation;

using UserInfo = std::map<std::string, std::any>;

struct Notification {
  std::string name;
  const void* object = nullptr;  // the sender; observers tell clients apart by it
  UserInfo userInfo;

  // The value under key when it holds a T, else nullptr.
  template <typename T>
  const T* get(const std::string& key) const {
    auto it = userInfo.find(key);
    return it == userInfo.end() ? nullptr : std::any_cast<T>(&it->second);
  }
  bool has(const std::string& key) const { return userInfo.count(key) != 0; }
};

class NotificationCenter {
 public:
  using Callback = std::function<void(const Notification&)>;
  using Token = uint64_t;

  static NotificationCenter& defaultCenter();

  // object == nullptr observes every sender.
  Token addObserver(std::string name, const void* object, Callback callback);
  void removeObserver(Token token);

  // Delivers on the calling thread.
  void post(const Notification& notification);
  void post(std::string name, const void* object, UserInfo userInfo = {});

  // Delivers on the main thread and returns once every observer has returned; on
  // the main thread it delivers directly. After quit has begun nothing is delivered.
  void postOnMainAndWait(const Notification& notification);
  void postOnMainAndWait(std::string name, const void* object, UserInfo userInfo = {});
  // The same, given up (nothing delivered) once the cancellation is cancelled.
  void postOnMainAndWait(const Notification& notification, const std::shared_ptr<HopCancellation>& cancellation);

 private:
  struct Observer {
    Token token;
    std::string name;
    const void* object;
    std::shared_ptr<Callback> callback;
    std::shared_ptr<bool> removed;
  };

  std::mutex mutex_;
  Token nextToken_ = 1;
  std::vector<Observer> observers_;
};

// Removes its observer when it goes away.
class Observation {
 public:
  Observation() = default;
  Observation(NotificationCenter& center, std::string name, const void* object, NotificationCenter::Callback cb)
      : center_(&center), token_(center.addObserver(std::move(name), object, std::move(cb))) {}
  Observation(Observation&& other) noexcept : center_(other.center_), token_(other.token_) { other.center_ = nullptr; }
  Observation& operator=(Observation&& other) noexcept {
    if (this != &other) {
      reset();
      center_ = other.center_;
      token_ = other.token_;
      other.center_ = nullptr;
    }
    return *this;
  }
  Observation(const Observation&) = delete;
  Observation& operator=(const Observation&) = delete;
  ~Observation() { reset(); }

  void reset() {
    if (center_) center_->removeObserver(token_);
    center_ = nullptr;
  }

 private:
  NotificationCenter* center_ = nullptr;
  NotificationCenter::Token token_ = 0;
};

}  // namespace zelvo
