#pragma once
// Test support: what one client posted, in order, as its observers on the main
// thread saw it; and the delegate calls, as the network thread made them.

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/MainThread.h"
#include "Network/NetworkClient.h"

namespace zelvo::test {

// The base client with the profile of a real one (a recorder lists profiles 1 to 3),
// counting the packets that reach the logged-in dispatch.
class TestClient : public NetworkClient {
 public:
  explicit TestClient(std::shared_ptr<NetworkThread> thread, int profile = 1)
      : NetworkClient(std::move(thread)), profile_(profile) {}
  static std::shared_ptr<TestClient> create(std::shared_ptr<NetworkThread> thread, int profile = 1) {
    return std::make_shared<TestClient>(std::move(thread), profile);
  }
  struct Analyzed {
    uint16_t type;
    std::vector<uint8_t> payload;
    int64_t limit;
    int64_t capacity;
  };
  int analyzed() const { return analyzed_.load(); }
  std::vector<uint16_t> analyzedTypes() const {
    std::lock_guard lock(mutex_);
    std::vector<uint16_t> types;
    for (const Analyzed& a : packets_) types.push_back(a.type);
    return types;
  }
  std::vector<Analyzed> analyzedPackets() const {
    std::lock_guard lock(mutex_);
    return packets_;
  }
  using NetworkClient::disconnectWithReason;

 protected:
  int supportingProfile() const override { return profile_; }
  void analyzePacket(const std::shared_ptr<Packet>& packet) override {
    {
      std::lock_guard lock(mutex_);
      const uint8_t* payload = packet->bufferAt(Packet::HeaderSize);
      packets_.push_back({packet->messageType(),
                          std::vector<uint8_t>(payload, payload + (packet->limit() - Packet::HeaderSize)),
                          packet->limit(), packet->capacity()});
    }
    ++analyzed_;
    NetworkClient::analyzePacket(packet);
  }

 private:
  const int profile_;
  std::atomic<int> analyzed_{0};
  mutable std::mutex mutex_;
  std::vector<Analyzed> packets_;
};

struct SeenNotification {
  std::string name;
  int reason = -1;
  std::optional<StreamError> error;
  bool onMainThread = false;
  bool disconnectedWhenSeen = false;
  bool peerInfoWhenSeen = false;
  int statusWhenSeen = -1;
};

class ClientObserver : public NetworkClientDelegate {
 public:
  explicit ClientObserver(NetworkClient& client) : client_(client) {
    for (const std::string* name :
         {&NetworkWillConnectNotification, &NetworkLoginSucceedNotification, &NetworkDisconnectedNotification})
      observations_.push_back(client.addObserver(*name, [this](const Notification& n) { seen(n); }));
    client.setDelegate(this);
  }
  ~ClientObserver() override { client_.setDelegate(nullptr); }

  std::vector<SeenNotification> notifications() const {
    std::lock_guard lock(mutex_);
    return notifications_;
  }
  std::vector<SeenNotification> named(const std::string& name) const {
    std::vector<SeenNotification> result;
    for (const SeenNotification& n : notifications())
      if (n.name == name) result.push_back(n);
    return result;
  }
  size_t count(const std::string& name) const { return named(name).size(); }
  std::optional<SeenNotification> lastDisconnect() const {
    auto all = named(NetworkDisconnectedNotification);
    if (all.empty()) return std::nullopt;
    return all.back();
  }

  // Delegate calls: reasons, and whether each came on the main thread.
  std::vector<int> delegateReasons() const {
    std::lock_guard lock(mutex_);
    return delegateReasons_;
  }
  int delegateLogins() const {
    std::lock_guard lock(mutex_);
    return delegateLogins_;
  }
  bool delegateOnMainThread() const {
    std::lock_guard lock(mutex_);
    return delegateOnMain_;
  }

  void networkClientLoginSucceed(NetworkClient&) override {
    std::lock_guard lock(mutex_);
    ++delegateLogins_;
    delegateOnMain_ = delegateOnMain_ || isMainThread();
  }
  void networkClient(NetworkClient&, int reason, const std::optional<StreamError>&) override {
    std::lock_guard lock(mutex_);
    delegateReasons_.push_back(reason);
    delegateOnMain_ = delegateOnMain_ || isMainThread();
  }

 private:
  void seen(const Notification& n) {
    SeenNotification s;
    s.name = n.name;
    if (const int* reason = n.get<int>(NetworkDisconnectionReasonKey)) s.reason = *reason;
    if (const StreamError* error = n.get<StreamError>(NetworkDisconnectionErrorKey)) s.error = *error;
    s.onMainThread = isMainThread();
    s.disconnectedWhenSeen = client_.isDisconnected();
    s.peerInfoWhenSeen = client_.peerInfo() != nullptr;
    s.statusWhenSeen = client_.loginStatus();
    std::lock_guard lock(mutex_);
    notifications_.push_back(s);
  }

  NetworkClient& client_;
  std::vector<Observation> observations_;
  mutable std::mutex mutex_;
  std::vector<SeenNotification> notifications_;
  std::vector<int> delegateReasons_;
  int delegateLogins_ = 0;
  bool delegateOnMain_ = false;
};

}  // namespace zelvo::test
