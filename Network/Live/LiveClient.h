#pragma once
// The connection for live viewing of one recorder: asks for video and audio of
// chosen cameras, turns media frames, camera information, events, alarm outputs
// and preset labels into notifications, keeps the latest of each, and sends PTZ,
// preset and alarm-output commands.
//
// Threads: messages are parsed on the network thread; the tables are published
// whole (a reader on any thread sees the old or the new table, never a mix) before
// the notification that announces them. Senders may be called from any thread.
// Media frames go to the media-frame handler on the network thread when one is set,
// so that the stream never waits for the main thread; without one they are posted.

#include <atomic>
#include <chrono>
#include <functional>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Network/BitMask32.h"
#include "Network/Live/AlarmCommand.h"
#include "Network/Live/CameraInfo.h"
#include "Network/Live/EventInfo.h"
#include "Network/Live/LiveClientDelegate.h"
#include "Network/Live/SilenceWatch.h"
#include "Network/Live/SystemEventInfo.h"
#include "Network/MediaFrame.h"
#include "Network/NetworkClient.h"

namespace zelvo {

// Notifications, each posted with the client as the object, and their keys.
//   LiveMediaFrameReceivedNotification: LiveMediaFrameKey (std::shared_ptr<const MediaFrame>);
//     only while no media-frame handler is set
//   LiveCameraInfoUpdatedNotification: LiveCameraInfoArrayKey (CameraInfoArray); for one
//     changed property also LiveDeviceIDKey (int64_t camera), LiveCameraInfoUpdatedTypeKey
//     (int, the CameraInfoType) and LiveCameraInfoUpdatedValueKey (CameraInfoValue)
//   LiveEventReceivedNotification: LiveEventInfoKey (std::shared_ptr<const EventInfo>)
//   LiveSystemEventReceivedNotification: LiveSystemEventInfoKey (std::shared_ptr<const SystemEventInfo>)
//   LiveAlarmStatusUpdatedNotification: LiveAlarmCommandArrayKey (AlarmCommandArray); for one
//     output also LiveDeviceIDKey (int64_t channel)
//   LivePTZPresetLabelsReceivedNotification: LiveDeviceIDKey (int64_t camera),
//     LivePTZPresetLabelsKey (std::vector<std::string>)
inline const std::string LiveMediaFrameReceivedNotification = "LiveMediaFrameReceivedNotification";
inline const std::string LiveCameraInfoUpdatedNotification = "LiveCameraInfoUpdatedNotification";
inline const std::string LiveEventReceivedNotification = "LiveEventReceivedNotification";
inline const std::string LiveSystemEventReceivedNotification = "LiveSystemEventReceivedNotification";
inline const std::string LiveAlarmStatusUpdatedNotification = "LiveAlarmStatusUpdatedNotification";
inline const std::string LivePTZPresetLabelsReceivedNotification = "LivePTZPresetLabelsReceivedNotification";
inline const std::string LiveMediaFrameKey = "LiveMediaFrameKey";
inline const std::string LiveCameraInfoArrayKey = "LiveCameraInfoArrayKey";
inline const std::string LiveDeviceIDKey = "LiveDeviceIDKey";
inline const std::string LiveCameraInfoUpdatedTypeKey = "LiveCameraInfoUpdatedTypeKey";
inline const std::string LiveCameraInfoUpdatedValueKey = "LiveCameraInfoUpdatedValueKey";
inline const std::string LiveEventInfoKey = "LiveEventInfoKey";
inline const std::string LiveSystemEventInfoKey = "LiveSystemEventInfoKey";
inline const std::string LiveAlarmCommandArrayKey = "LiveAlarmCommandArrayKey";
inline const std::string LivePTZPresetLabelsKey = "LivePTZPresetLabelsKey";

using CameraInfoArray = std::shared_ptr<const std::vector<CameraInfo>>;
using AlarmCommandArray = std::shared_ptr<const std::vector<AlarmCommand>>;
using PresetLabelTable = std::shared_ptr<const std::vector<std::vector<std::string>>>;
using EventMaskMap = std::shared_ptr<const std::map<int, BitMask32>>;

class LiveClient : public NetworkClient {
 public:
  static constexpr int Profile = 1;
  static constexpr int PresetsPerCamera = 16;
  static constexpr int64_t PresetLabelSize = 16;
  static constexpr uint32_t PermissionPTZControl = 2;

  static std::shared_ptr<LiveClient> create(std::shared_ptr<NetworkThread> thread = nullptr);
  explicit LiveClient(std::shared_ptr<NetworkThread> thread = nullptr);

  // Called on the network thread with each accepted media frame (video and audio), in
  // arrival order, in place of LiveMediaFrameReceivedNotification. It must return
  // quickly and never wait for the main thread: the connection's reading waits for it.
  // Set or cleared (an empty handler) from any thread but the handler's own call; once
  // the call that replaces or clears it returns, the earlier handler is never called
  // again (a call in progress is waited for).
  using MediaFrameHandler = std::function<void(const std::shared_ptr<const MediaFrame>&)>;
  void setMediaFrameHandler(MediaFrameHandler handler);

  // Tables (never null; empty until the recorder or the login fills them).
  CameraInfoArray cameraInfoArray() const;
  AlarmCommandArray alarmCommandArray() const;
  PresetLabelTable PTZPresetLabels() const;
  EventMaskMap eventMasks() const;
  // Null until the first system event.
  std::shared_ptr<const SystemEventInfo> systemEventInfo() const;
  bool receiveMedia() const { return receiveMedia_.load(); }

  // The camera's labels; none for a camera the table does not hold.
  std::vector<std::string> PTZPresetLabelsForCamera(int64_t camera) const;
  // The mask last received for that event kind, none before.
  std::optional<BitMask32> eventMaskForEventInfoType(int type) const;

  // What the recorder announced in its sync reply.
  bool isSupportingHTTPStreaming() const;
  bool isSupporting3GHTTPStreaming() const;
  bool isSupportingMobileStreaming() const;
  bool needToRequestMobileStreaming() const;

  // Senders: one packet each (two for clearHTTPStreamingChannel).
  void sendVideoChannelMask(BitMask32 mask);
  // Media frames are accepted from a non-empty video mask until an empty one,
  // whatever audio is asked for.
  void sendVideoChannelMask(BitMask32 mask, bool mobile, bool keyOnly);
  void clearVideoChannelMask();
  void sendAudioChannelMask(BitMask32 mask);
  void sendAudioChannelMask(BitMask32 mask, bool mobile);
  void clearAudioChannelMask();
  // Every value travels as its low 8 bits; the channel goes before the command.
  void sendPTZCommand(int command, int64_t channel, int argument);
  void sendPTZCommand(int command, int64_t channel, int64_t argument1, int64_t argument2);
  void sendPTZMovePresetCommandWithCamera(int64_t camera, int64_t presetID);
  // The label is cut to 16 bytes on a whole UTF-8 character and zero-filled.
  void sendPTZSavePresetCommandWithCamera(int64_t camera, int64_t presetID, const std::string& label);
  void sendAlarmOutChannel(int64_t channel, bool on);
  // Channels 0 to count - 1, in order.
  void sendAlarmOutAll(int64_t count, bool on);
  void sendHTTPStreamingChannelMask(uint32_t mask, bool withCellNetwork);
  // channel from 0 to 31 (precondition).
  void sendHTTPStreamingChannel(int64_t channel, bool withCellNetwork);
  void clearHTTPStreamingChannel();

  // A logged-in connection on which the recorder has kept silent for longer than its
  // keep-alives allow (SilenceWatch) ends with reason 8 and a time-out error. Seams
  // for tests, set before connecting: the clock the silence is measured on, and how
  // often it is looked at.
  using SilenceClock = std::function<SilenceWatch::TimePoint()>;
  static constexpr std::chrono::milliseconds DefaultSilenceCheckInterval{1000};
  void setSilenceClock(SilenceClock clock);
  void setSilenceCheckInterval(std::chrono::milliseconds interval);

 protected:
  int supportingProfile() const override { return Profile; }
  void loginSucceed() override;
  void analyzePacket(const std::shared_ptr<Packet>& packet) override;
  bool cleanup() override;

  // A frame is dropped unread until a non-empty video mask was sent.
  void handleMediaFrameMessage(const std::shared_ptr<Packet>& packet);
  void handleVideoFrameMessage(const std::shared_ptr<const MediaFrame>& frame);
  void handleAudioFrameMessage(const std::shared_ptr<const MediaFrame>& frame);
  void handleCameraInfoMessage(Packet& packet);
  void handlePTZCommandMessage(Packet& packet);
  void handleEventInfoMessage(Packet& packet);
  void handleAlarmCommandMessage(Packet& packet);
  void handleHTTPStreamingReadyMessage(Packet& packet);
  void handleHTTPStreamingFailMessage(Packet& packet);
  void handleLiveErrorMessage(Packet&) {}

 private:
  LiveClientDelegate* liveDelegate() const;
  bool hasPTZPermission() const;
  void handleEventInfo(const EventInfo& info);
  void handleSystemEventInfo(const SystemEventInfo& info);
  void handleCameraInfoUpdate(Packet& packet, int type);
  void send(std::shared_ptr<Packet> packet);
  SilenceWatch::TimePoint silenceNow() const;
  void scheduleSilenceCheck();
  void checkSilence(uint64_t connection);
  void deliverMediaFrame(const std::shared_ptr<const MediaFrame>& frame);

  // Network thread only.
  SilenceClock silenceClock_;
  std::chrono::milliseconds silenceCheckInterval_ = DefaultSilenceCheckInterval;
  SilenceWatch silenceWatch_;
  uint64_t silenceConnection_ = 0;  // bumped at every login and teardown

  std::atomic<bool> receiveMedia_{false};

  // Held through each call of the handler, so that replacing it waits for that call.
  std::mutex mediaFrameHandlerMutex_;
  MediaFrameHandler mediaFrameHandler_;
  std::atomic<std::thread::id> mediaFrameHandlerThread_{};  // the thread in a call, if any

  // Written on the network thread, read anywhere: swapped whole under the mutex.
  mutable std::mutex tablesMutex_;
  CameraInfoArray cameraInfoArray_;
  AlarmCommandArray alarmCommandArray_;
  PresetLabelTable PTZPresetLabels_;
  EventMaskMap eventMasks_;
  std::shared_ptr<const SystemEventInfo> systemEventInfo_;
};

}  // namespace zelvo
