#pragma once
// A playback client logged in to the recorder emulator over loopback, with every
// notification it posts recorded in order (on the main thread).

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Network/Playback/PlaybackClient.h"
#include "Network/Playback/PlaybackNotifications.h"
#include "emulator/PlaybackRecorder.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo::test::playback {

struct Posted {
  std::string name;
  UserInfo userInfo;
  template <typename T>
  const T* get(const std::string& key) const {
    auto it = userInfo.find(key);
    return it == userInfo.end() ? nullptr : std::any_cast<T>(&it->second);
  }
  uint64_t frameID() const {
    auto* frame = get<std::shared_ptr<const MediaFrame>>(PlaybackMediaFrameKey);
    return frame ? (*frame)->mediaID() : 0;
  }
};

class NotificationLog {
 public:
  explicit NotificationLog(const void* object) {
    for (const char* name :
         {PlaybackPlayRequestedNotification, PlaybackStartedNotification, PlaybackMediaFrameReceivedNotification,
          PlaybackPausedWithReasonNotification, PlaybackRecordingCalendarReceivedNotification,
          PlaybackRecordingTimeSliceListReceivedNotification, PlaybackRecordingSectionListReceivedNotification,
          PlaybackEventCalendarReceivedNotification, PlaybackEventListReceivedNotification,
          NetworkLoginSucceedNotification.c_str(), NetworkDisconnectedNotification.c_str()})
      observations_.emplace_back(NotificationCenter::defaultCenter(), name, object, [this](const Notification& n) {
        std::lock_guard lock(mutex_);
        posted_.push_back({n.name, n.userInfo});
      });
  }
  std::vector<Posted> all() const {
    std::lock_guard lock(mutex_);
    return posted_;
  }
  std::vector<Posted> named(const std::string& name) const {
    std::vector<Posted> out;
    for (auto& p : all())
      if (p.name == name) out.push_back(p);
    return out;
  }
  size_t count(const std::string& name) const { return named(name).size(); }
  // A copy of the value under key in the index-th notification of that name.
  template <typename T>
  std::optional<T> value(const std::string& name, size_t index, const std::string& key) const {
    auto posted = named(name);
    if (index >= posted.size()) return std::nullopt;
    const T* v = posted[index].get<T>(key);
    return v ? std::optional<T>(*v) : std::nullopt;
  }
  bool waitFor(const std::string& name, size_t count = 1) const {
    return waitUntil([&] { return this->count(name) >= count; });
  }
  // Media identifiers of the frames posted, in order.
  std::vector<uint64_t> frameIDs() const {
    std::vector<uint64_t> ids;
    for (auto& p : named(PlaybackMediaFrameReceivedNotification)) ids.push_back(p.frameID());
    return ids;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    posted_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Posted> posted_;
  std::vector<Observation> observations_;
};

class PlaybackLoopback : public ::testing::Test {
 protected:
  virtual emulator::PlaybackScript script() {
    emulator::PlaybackScript s;
    s.recording = emulator::makeRecording(20);
    return s;
  }
  virtual std::shared_ptr<PacingClock> clock() { return nullptr; }

  void SetUp() override {
    ASSERT_TRUE(emulator.start());
    recorder = std::make_unique<emulator::PlaybackRecorder>(emulator, script());
    client = PlaybackClient::create(nullptr, clock());
    log = std::make_unique<NotificationLog>(static_cast<const NetworkClient*>(client.get()));
    connect();
  }
  // Until the client has logged in and the recorder counts the login (it does so
  // once it has sent its answer): what it sends from then on reaches the client.
  void connect() {
    const size_t logins = log->count(NetworkLoginSucceedNotification);
    const int recorderLogins = emulator.loginCount();
    client->connectToHost("127.0.0.1", emulator.port(), "admin", "admin");
    ASSERT_TRUE(log->waitFor(NetworkLoginSucceedNotification, logins + 1));
    ASSERT_TRUE(emulator.waitForLogins(recorderLogins + 1));
  }
  void TearDown() override {
    if (client && !client->isDisconnected()) {
      client->disconnect();
      waitUntil([&] { return client->isDisconnected(); });
    }
    recorder.reset();
  }
  // Waits until the machine is in the state under key (it runs on its own queue).
  bool waitForState(const std::string& key) {
    return waitUntil([&] { return client->stateKey() == key; });
  }

  emulator::RecorderEmulator emulator;
  std::unique_ptr<emulator::PlaybackRecorder> recorder;
  std::shared_ptr<PlaybackClient> client;
  std::unique_ptr<NotificationLog> log;
};

}  // namespace zelvo::test::playback
