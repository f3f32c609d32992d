#pragma once
// Recording fakes of everything the wall's controller talks to. Every fake writes
// into one shared event log, so a test reads the order of paint, masks, posts and
// sound calls across all of them.

#include <QString>
#include <QVariant>
#include <any>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Foundation/MainThread.h"
#include "Foundation/NotificationCenter.h"
#include "Network/MediaFrame.h"
#include "Network/MessageType.h"
#include "Network/NetworkClient.h"
#include "Network/Packet.h"
#include "ViewControllers/Wall/LiveClientPort.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "ViewControllers/Controls/TimerFactory.h"
#include "ViewControllers/Wall/VideoViewPort.h"
#include "ViewControllers/Wall/WallControllerPorts.h"
#include "ViewControllers/Wall/WallMediaPorts.h"
#include "emulator/LiveMessages.h"
#include "emulator/RecorderEmulator.h"
#include "emulator/WireWriter.h"

namespace zelvo::test {

using EventLog = std::vector<std::string>;

inline std::string hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// The sync reply of a recorder with this many video inputs (option 5), as a client
// would have read it.
inline std::shared_ptr<const SyncInfo> syncInfoWithVideoInputs(int videoInCount, bool withSystemInfo = true) {
  emulator::RecorderConfig config;
  config.videoInCount = static_cast<uint8_t>(videoInCount);
  config.sendSystemInfo = withSystemInfo;
  emulator::Bytes frame = emulator::framePacket(MessageTypeSync, emulator::syncReplyPayload(config));
  auto packet = Packet::create();
  packet->pushBytes(frame.data(), static_cast<int64_t>(frame.size()));
  packet->flip();
  return SyncInfo::create(*packet);
}

// A received media frame, read as the live client reads it.
inline std::shared_ptr<const MediaFrame> receivedFrame(const emulator::live::Frame& description) {
  emulator::Bytes bytes = emulator::framePacket(MessageTypeLiveMediaFrame, emulator::live::mediaFrame(description));
  auto packet = Packet::create();
  packet->pushBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
  packet->flip();
  packet->seekToPayload();
  auto frame = std::make_shared<MediaFrame>();
  packet->popObject(*frame);
  return frame;
}

inline std::shared_ptr<const MediaFrame> videoFrameOfCamera(int camera) {
  emulator::live::Frame frame;
  frame.type = 0;
  frame.channelMask = 1u << camera;
  frame.width = 704;
  frame.height = 480;
  frame.data = {0, 0, 0, 1, 9};
  return receivedFrame(frame);
}

inline std::shared_ptr<const MediaFrame> audioFrameOfCameras(uint32_t relatedMask, bool withCodec = true) {
  emulator::live::Frame frame;
  frame.type = 1;
  frame.channelMask = relatedMask;
  frame.relatedChannelMask = relatedMask;
  frame.data = emulator::Bytes(40, 0x11);
  if (withCodec) frame.codec = "HiSi3511apcmima 1.00";
  return receivedFrame(frame);
}

inline CameraInfo liveCameraInfo(int64_t number, int status = 1, int covert = 1, std::string title = {}) {
  CameraInfo info;
  info.setNumber(number);
  info.setStatus(status);
  info.setCovertLevel(covert);
  info.setTitle(title.empty() ? "Camera " + std::to_string(number) : title);
  return info;
}

inline CameraInfoArray cameraTable(int count) {
  auto cameras = std::make_shared<std::vector<CameraInfo>>();
  for (int i = 0; i < count; ++i) cameras->push_back(liveCameraInfo(i));
  return cameras;
}

class FakeView : public VideoViewPort {
 public:
  explicit FakeView(EventLog& log) : log_(log) {}

  const void* notificationObject() const override { return this; }
  void registerForDraggedTypes(const QStringList& types) override {
    for (const QString& type : types) log_.push_back("dragType(" + type.toStdString() + ")");
  }
  int64_t selectedPlane() const override { return selected_; }
  void setSelectedPlane(int64_t plane) override {
    if (plane == selected_) return;
    bool pageChanged = plane / perPage_ != selected_ / perPage_;
    selected_ = plane;
    NotificationCenter::defaultCenter().post(VideoViewSelectedPlaneChangedNotification, this);
    if (pageChanged) NotificationCenter::defaultCenter().post(VideoViewLayoutChangedNotification, this);
  }
  int64_t firstPlaneInCurrentLayout() const override { return selected_ / perPage_ * perPage_; }
  int64_t lastPlaneInCurrentLayout() const override {
    return std::min<int64_t>(firstPlaneInCurrentLayout() + perPage_ - 1, 63);
  }
  void lockGLContext() override { log_.push_back("lock"); }
  void unlockGLContext() override { log_.push_back("unlock"); }
  void updatePlane(int64_t plane, const CameraInfo& info) override {
    log_.push_back("paint(" + std::to_string(plane) + "," + info.title() + ")");
  }
  void updatePlane(int64_t plane, const CameraInfo& info, int type) override {
    log_.push_back("paint(" + std::to_string(plane) + "," + info.title() + ",type " + std::to_string(type) + ")");
  }
  void clearPlanes(const std::vector<int64_t>& planes, bool withGradient, bool includingTitle) override {
    std::string list;
    for (int64_t plane : planes) list += (list.empty() ? "" : " ") + std::to_string(plane);
    log_.push_back("clear([" + list + "]," + flags(withGradient, includingTitle) + ")");
  }
  void clearPlane(int64_t plane, bool withGradient, bool includingTitle) override {
    log_.push_back("clear(" + std::to_string(plane) + "," + flags(withGradient, includingTitle) + ")");
  }
  // Called by a decoding queue: logged on the main thread (in order, without a wait).
  // With drawsEachPicture, then told as drawn, as the real view does after the render
  // that shows it; otherwise the test tells it (drew).
  void setVideoFrame(const DecodedVideoFrame& frame, int64_t plane, float scale) override {
    if (0 <= plane && plane < static_cast<int64_t>(handedOver_.size())) {
      std::lock_guard lock(handedOverMutex_);
      ++handedOver_[static_cast<size_t>(plane)];
      handedOverChanged_.notify_all();
    }
    char text[64];
    std::snprintf(text, sizeof text, "picture(%lld,%ux%u,%.1f)", static_cast<long long>(plane), frame.width,
                  frame.height, scale);
    auto show = [this, line = std::string(text), plane] {
      log_.push_back(line);
      if (drawsEachPicture) drew({plane});
    };
    if (isMainThread())
      show();
    else
      runOnMain(std::move(show));
  }
  void setCameraConfiguration(const CameraConfiguration& configuration, int64_t plane) override {
    configurations_[plane] = configuration;
    log_.push_back("colour(" + std::to_string(plane) + ")");
  }
  CameraConfiguration getCameraConfigurationFromPlane(int64_t plane) override { return configurations_[plane]; }
  void resetCameraConfiguration(int64_t plane) override {
    configurations_[plane] = {};
    log_.push_back("resetColour(" + std::to_string(plane) + ")");
  }
  void setKeepAspectRatio(bool keep) override { log_.push_back(std::string("aspect(") + (keep ? "on" : "off") + ")"); }
  void setPicturesShownHandler(PicturesShownHandler handler) override { shown_ = std::move(handler); }

  bool drawsEachPicture = false;

  // Pictures handed to the plane's slot so far, counted on the handing thread (the log
  // lines come later, through the main thread). Any thread.
  int handedOver(int64_t plane) const {
    std::lock_guard lock(handedOverMutex_);
    return handedOver_.at(static_cast<size_t>(plane));
  }
  // Blocks the calling thread, serving no events, until every one of the planes has
  // had at least that many pictures handed over, or the limit has passed (false).
  bool blockUntilHandedOver(const std::map<int64_t, int>& atLeast, std::chrono::milliseconds limit) const {
    std::unique_lock lock(handedOverMutex_);
    return handedOverChanged_.wait_for(lock, limit, [&] {
      for (const auto& [plane, count] : atLeast)
        if (handedOver_.at(static_cast<size_t>(plane)) < count) return false;
      return true;
    });
  }

  // Test side: as the real view after a render that drew these planes' new pictures.
  void drew(const std::vector<int64_t>& planes) {
    if (shown_) shown_(planes);
  }

  // Test side: as the real view, a page change posts the layout notification.
  void setPlanesPerPage(int64_t perPage) {
    perPage_ = perPage;
    NotificationCenter::defaultCenter().post(VideoViewLayoutChangedNotification, this);
  }
  void selectQuietly(int64_t plane) { selected_ = plane; }
  CameraConfiguration& configuration(int64_t plane) { return configurations_[plane]; }
  void post(const std::string& name, UserInfo info = {}) {
    NotificationCenter::defaultCenter().post(name, this, std::move(info));
  }

 private:
  static std::string flags(bool gradient, bool title) {
    return std::string(gradient ? "gradient" : "-") + "," + (title ? "title" : "-");
  }
  EventLog& log_;
  int64_t selected_ = 0;
  int64_t perPage_ = 16;
  std::map<int64_t, CameraConfiguration> configurations_;
  PicturesShownHandler shown_;
  mutable std::mutex handedOverMutex_;
  mutable std::condition_variable handedOverChanged_;
  std::array<int, 64> handedOver_{};
};

enum class FakeState { Disconnected, Connecting, Connected };

class FakeClient : public LiveClientPort {
 public:
  FakeClient(EventLog& log, std::string name, bool withConnection = true)
      : log_(log), name_(std::move(name)), connection_(withConnection ? NetworkClient::create() : nullptr) {}

  void connectToHost(const std::string& host, unsigned port, const std::string& user,
                     const std::string& password) override {
    log_.push_back(name_ + ".connect(" + host + ":" + std::to_string(port) + "," + user + "," + password + ")");
    ++connects_;
  }
  void disconnect() override {
    log_.push_back(name_ + ".disconnect");
    ++disconnects_;
  }
  bool isConnected() const override { return state_ == FakeState::Connected; }
  bool isDisconnected() const override { return state_ == FakeState::Disconnected; }
  std::vector<std::any> attachments() const override { return attachments_; }
  void setAttachments(std::vector<std::any> attachments) override { attachments_ = std::move(attachments); }
  CameraInfoArray cameraInfoArray() const override { return cameras_; }
  std::shared_ptr<const SyncInfo> peerInfo() const override { return peer_; }
  void sendVideoChannelMask(BitMask32 mask) override {
    log_.push_back(name_ + ".video(" + hex(mask.asUint32()) + ")");
  }
  void sendAudioChannelMask(BitMask32 mask) override {
    log_.push_back(name_ + ".audio(" + hex(mask.asUint32()) + ")");
  }
  void setMediaFrameHandler(LiveClient::MediaFrameHandler handler) override {
    std::lock_guard lock(handlerMutex_);
    handler_ = std::move(handler);
  }
  Observation addObserver(const std::string& name, NotificationCenter::Callback callback) override {
    return Observation(NotificationCenter::defaultCenter(), name, this, std::move(callback));
  }
  const void* notificationObject() const override { return this; }
  std::shared_ptr<NetworkClient> networkClient() const override { return connection_; }

  // Test side.
  const std::string& name() const { return name_; }
  void setState(FakeState state) { state_ = state; }
  void setCameras(CameraInfoArray cameras) { cameras_ = std::move(cameras); }
  void setPeerInfo(std::shared_ptr<const SyncInfo> peer) { peer_ = std::move(peer); }
  int connects() const { return connects_; }
  int disconnects() const { return disconnects_; }
  void post(const std::string& name, UserInfo info = {}) {
    NotificationCenter::defaultCenter().post(name, this, std::move(info));
  }
  // The three steps of a login as the real client announces them.
  void logIn(int videoInputs, int cameras) {
    state_ = FakeState::Connecting;
    post(NetworkWillConnectNotification);
    peer_ = syncInfoWithVideoInputs(videoInputs);
    state_ = FakeState::Connected;
    post(NetworkLoginSucceedNotification);
    cameras_ = cameraTable(cameras);
    post(LiveCameraInfoUpdatedNotification, {{LiveCameraInfoArrayKey, cameras_}});
  }
  void drop(int reason = NetworkDisconnectionReasonRemoteClosed) {
    state_ = FakeState::Disconnected;
    post(NetworkDisconnectedNotification, {{NetworkDisconnectionReasonKey, reason}});
  }
  // As the real client: to the media-frame handler when one is set (here on the
  // calling thread), otherwise posted.
  void deliver(const std::shared_ptr<const MediaFrame>& frame) {
    {
      std::lock_guard lock(handlerMutex_);
      if (handler_) {
        handler_(frame);
        return;
      }
    }
    post(LiveMediaFrameReceivedNotification, {{LiveMediaFrameKey, frame}});
  }
  bool hasMediaFrameHandler() const {
    std::lock_guard lock(handlerMutex_);
    return static_cast<bool>(handler_);
  }

 private:
  EventLog& log_;
  const std::string name_;
  const std::shared_ptr<NetworkClient> connection_;
  FakeState state_ = FakeState::Disconnected;
  std::vector<std::any> attachments_;
  CameraInfoArray cameras_ = std::make_shared<const std::vector<CameraInfo>>();
  std::shared_ptr<const SyncInfo> peer_;
  int connects_ = 0;
  int disconnects_ = 0;
  mutable std::mutex handlerMutex_;
  LiveClient::MediaFrameHandler handler_;
};

// Clients named A, B, C ... in the order they are made.
class FakeClientFactory : public LiveClientFactory {
 public:
  explicit FakeClientFactory(EventLog& log) : log_(log) {}
  std::shared_ptr<LiveClientPort> makeLiveClient() override {
    auto client = std::make_shared<FakeClient>(log_, std::string(1, static_cast<char>('A' + made_.size())));
    made_.push_back(client);
    log_.push_back("make(" + client->name() + ")");
    return client;
  }
  std::shared_ptr<FakeClient> client(size_t index) const { return index < made_.size() ? made_[index].lock() : nullptr; }
  std::weak_ptr<FakeClient> weak(size_t index) const { return made_.at(index); }
  size_t madeCount() const { return made_.size(); }

 private:
  EventLog& log_;
  std::vector<std::weak_ptr<FakeClient>> made_;
};

inline std::string nameOf(const LiveClientPort& client) {
  auto* fake = dynamic_cast<const FakeClient*>(&client);
  return fake ? fake->name() : "?";
}

// Decodes on the spot, on the calling thread, unless told to hold the handlers.
class FakeDecoders : public WallDecoderPort {
 public:
  explicit FakeDecoders(EventLog& log) : log_(log) {}
  void registerDecodersForNetworkClient(const LiveClientPort& client, int64_t count) override {
    log_.push_back("decoders(" + nameOf(client) + "," + std::to_string(count) + ")");
  }
  void unregisterDecodersForNetworkClient(const LiveClientPort& client) override {
    log_.push_back("noDecoders(" + nameOf(client) + ")");
  }
  void resetForNetworkClient(const LiveClientPort& client) override {
    log_.push_back("reset(" + nameOf(client) + ")");
  }
  void asyncDecodeMediaFrame(const MediaFrame& frame, const LiveClientPort& client,
                             CompletionHandler handler) override {
    log_.push_back("decode(" + nameOf(client) + "," + std::to_string(frame.channel()) + ")");
    DecodedVideoFrame picture;
    picture.gotPicture = produce_;
    picture.width = produce_ ? width_ : 0;
    picture.height = produce_ ? height_ : 0;
    if (hold_)
      held_.push_back([handler, picture] { handler(picture); });
    else
      handler(picture);
  }
  bool dispatchAsyncOnQueueForCamera(int64_t camera, const LiveClientPort& client,
                                     std::function<void()> task) override {
    if (!hasQueue_) return false;
    log_.push_back("queue(" + nameOf(client) + "," + std::to_string(camera) + ")");
    if (hold_)
      held_.push_back(std::move(task));
    else
      task();
    return true;
  }

  void setPicture(uint16_t width, uint16_t height) {
    width_ = width;
    height_ = height;
  }
  void setProducesPictures(bool produce) { produce_ = produce; }
  void setHasQueue(bool has) { hasQueue_ = has; }
  void setHold(bool hold) { hold_ = hold; }
  void runHeld() {
    auto tasks = std::move(held_);
    held_.clear();
    for (auto& task : tasks) task();
  }

 private:
  EventLog& log_;
  bool produce_ = true;
  bool hasQueue_ = true;
  bool hold_ = false;
  uint16_t width_ = 704, height_ = 480;
  std::vector<std::function<void()>> held_;
};

class FakeAudio : public WallAudioPort {
 public:
  explicit FakeAudio(EventLog& log) : log_(log) {}
  void initialize() override { log_.push_back("audio.initialize"); }
  void play(const uint8_t*, int length, const CodecInfo&) override {
    log_.push_back("audio.play(" + std::to_string(length) + ")");
  }
  void stop() override { log_.push_back("audio.stop"); }
  void discardDelayedData() override { log_.push_back("audio.discard"); }

 private:
  EventLog& log_;
};

class FakeMainWindow : public WallMainWindowPort {
 public:
  explicit FakeMainWindow(EventLog& log) : log_(log) {}
  bool requestLoginInfoForSiteInfo(const std::shared_ptr<SiteInfo>&) override {
    log_.push_back("login?");
    return answer_;
  }
  void updateSiteFromSiteInfo(const std::shared_ptr<SiteInfo>& site, const CameraInfoArray& cameras) override {
    log_.push_back("updateSite(" + std::to_string(site->cameraCount().value_or(-1)) + "," +
                   std::to_string(cameras ? cameras->size() : 0) + ")");
  }
  void setAnswer(bool answer) { answer_ = answer; }

 private:
  EventLog& log_;
  bool answer_ = true;
};

class FakeWallPreferences : public WallPreferencesPort {
 public:
  QVariant preferenceValueForKey(const QString& key) const override {
    auto it = values_.find(key);
    return it == values_.end() ? QVariant() : it->second;
  }
  std::map<QString, QVariant> values_;
};

// Timers that never fire by themselves.
class FakeTimers : public TimerFactory {
 public:
  class Timer : public RepeatingTimer {
   public:
    Timer(FakeTimers& owner, double seconds, std::function<void()> action)
        : owner_(owner), seconds_(seconds), action_(std::move(action)) {
      owner_.running_.push_back(this);
    }
    ~Timer() override { std::erase(owner_.running_, this); }
    double interval() const override { return seconds_; }
    void fire() { action_(); }

   private:
    FakeTimers& owner_;
    double seconds_;
    std::function<void()> action_;
  };
  std::unique_ptr<RepeatingTimer> scheduleRepeating(double seconds, std::function<void()> action) override {
    return std::make_unique<Timer>(*this, seconds, std::move(action));
  }
  std::vector<Timer*> running_;
};

}  // namespace zelvo::test
