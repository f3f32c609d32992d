#pragma once
// Test support: a live client logged in to the recorder emulator over loopback
// TCP, with the notifications it posted and the delegate calls it made.

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/CallRecorder.h"
#include "Network/Live/LiveClient.h"
#include "Network/Live/NotificationLog.h"
#include "emulator/LiveMessages.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo::test {

inline const std::vector<std::string>& liveNotificationNames() {
  static const std::vector<std::string> names = {
      NetworkLoginSucceedNotification,   NetworkDisconnectedNotification,    LiveMediaFrameReceivedNotification,
      LiveCameraInfoUpdatedNotification, LiveEventReceivedNotification,      LiveSystemEventReceivedNotification,
      LiveAlarmStatusUpdatedNotification, LivePTZPresetLabelsReceivedNotification};
  return names;
}

// The delegate calls, as text in call order ("receivedCameraInfoArray 2").
class RecordingLiveDelegate : public LiveClientDelegate, public test::CallRecorder {
 public:
  void receivedCameraInfoArray(const std::vector<CameraInfo>& array) override {
    add("receivedCameraInfoArray " + std::to_string(array.size()));
  }
  void eventReceived(const EventInfo& info, int type) override {
    add("eventReceived " + std::to_string(type) + " " + std::to_string(info.mask()));
  }
  void systemEventReceived(const SystemEventInfo&) override { add("systemEventReceived"); }
  void receivedAlarmCommandArray(const std::vector<AlarmCommand>& array) override {
    add("receivedAlarmCommandArray " + std::to_string(array.size()));
  }
  void channel(int64_t channel, const AlarmCommand& command) override {
    add("channel " + std::to_string(channel) + " " + (command.on() ? "on" : "off"));
  }
  void camera(int64_t camera, int64_t port, const std::string& playlist) override {
    add("camera " + std::to_string(camera) + " " + std::to_string(port) + " " + playlist);
  }
  void streamingFailed() override { add("streamingFailed"); }

};

class LiveLoopback : public testing::Test {
 protected:
  static constexpr uint32_t NoPTZ = 0xFFFFFFFFu & ~2u;

  static emulator::RecorderConfig recorderConfig() {
    emulator::RecorderConfig config;
    config.users = {{"admin", "admin", 0xFFFFFFFF}, {"viewer", "viewer", NoPTZ}};
    config.videoInCount = 4;
    return config;
  }

  // Connects and waits for the login notification.
  void connect(emulator::RecorderConfig config = recorderConfig(), const std::string& user = "admin") {
    emulator_ = std::make_unique<emulator::RecorderEmulator>(std::move(config));
    ASSERT_TRUE(emulator_->start());
    client_ = LiveClient::create(thread_);
    client_->setDelegate(&delegate_);
    log_ = std::make_unique<NotificationLog>(client_.get(), liveNotificationNames());
    client_->connectToHost("127.0.0.1", emulator_->port(), user, user);
    ASSERT_TRUE(log_->waitForCount(NetworkLoginSucceedNotification, 1));
    ASSERT_TRUE(emulator_->waitForLogins(1));
  }

  void TearDown() override {
    if (!client_) return;
    if (client_->isConnected() || client_->isConnecting()) {
      size_t before = log_->count(NetworkDisconnectedNotification);
      client_->disconnect();
      EXPECT_TRUE(log_->waitForCount(NetworkDisconnectedNotification, before + 1));
    }
    client_->setDelegate(nullptr);
  }

  void send(uint16_t type, const emulator::Bytes& payload) { ASSERT_TRUE(emulator_->send(type, payload)); }

  // Messages are handled in order: once the system event that follows them has
  // been posted, whatever they were going to post has been posted too.
  void fence() {
    size_t before = log_->count(LiveSystemEventReceivedNotification);
    send(MessageTypeEventInfo, emulator::live::systemEvent({}));
    ASSERT_TRUE(log_->waitForCount(LiveSystemEventReceivedNotification, before + 1));
  }

  // Two cameras: "Gate" (normal, PTZ, no audio) and "Yard" (video loss, covert).
  void sendTwoCameras() {
    size_t before = log_->count(LiveCameraInfoUpdatedNotification);
    send(MessageTypeCameraInfo, emulator::live::cameraTable({{"Gate", 1, 1, 1, 0, {0, 0, 0, 0}},
                                                             {"Yard", 3, 2, 0, 1, {1, 2, 3, 4}}}));
    ASSERT_TRUE(log_->waitForCount(LiveCameraInfoUpdatedNotification, before + 1));
  }

  std::shared_ptr<NetworkThread> thread_ = std::make_shared<NetworkThread>();
  std::unique_ptr<emulator::RecorderEmulator> emulator_;
  RecordingLiveDelegate delegate_;
  std::shared_ptr<LiveClient> client_;
  std::unique_ptr<NotificationLog> log_;
};

}  // namespace zelvo::test
