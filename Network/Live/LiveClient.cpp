#include "Network/Live/LiveClient.h"

#include <QTimer>
#include <cinttypes>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Foundation/Utf8.h"
#include "Network/HTTPStreamingSyncOption.h"
#include "Network/Live/CameraInfoList.h"
#include "Network/Live/LiveEnumerations.h"
#include "Network/MediaFrame.h"
#include "Network/MessageType.h"
#include "Network/MobileStreamingSyncOption.h"
#include "Network/SyncOptionType.h"
#include "Network/SystemInfoSyncOption.h"

namespace zelvo {

namespace {

// PTZ messages by their first byte.
constexpr uint8_t PTZFormCommand = 1;
constexpr uint8_t PTZFormPreset = 3;
constexpr uint8_t PTZFormLabels = 4;
constexpr uint8_t PresetActionSave = 1;
constexpr uint8_t PresetActionGoTo = 2;

// Alarm messages by their first byte.
constexpr int AlarmFormOne = 1;
constexpr int AlarmFormList = 2;
constexpr int64_t AlarmCommandTitleBytes = 32;

const char* propertyByCameraInfoType(int type) {
  switch (type) {
    case CameraInfoTypeTitle: return "title";
    case CameraInfoTypeStatus: return "status";
    case CameraInfoTypeCovertLevel: return "covertLevel";
    case CameraInfoTypePtzAvailability: return "ptzAvailability";
    case CameraInfoTypeAudioAvailability: return "audioAvailability";
    case CameraInfoTypeColor: return "color";
    default: return nullptr;
  }
}

CameraInfoValue valueFromPacket(Packet& packet, int type) {
  switch (type) {
    case CameraInfoTypeTitle: return packet.popStringFixedSize(CameraInfo::TitleFieldSize);
    case CameraInfoTypeStatus: return enumeratedByte(packet.popUint8(), CameraStatusVideoLoss);
    case CameraInfoTypeCovertLevel: return enumeratedByte(packet.popUint8(), CameraCovertLevelHidden);
    case CameraInfoTypePtzAvailability:
    case CameraInfoTypeAudioAvailability: return packet.popBool();
    default: {
      ZELVO_ASSERT(type == CameraInfoTypeColor);
      if (packet.remaining() < 4) throw ReadError("camera colour shorter than 4 bytes");
      CameraColor color;
      color.brightness = packet.popInt8();
      color.contrast = packet.popInt8();
      color.hue = packet.popInt8();
      color.saturation = packet.popInt8();
      return color;
    }
  }
}

}  // namespace

std::shared_ptr<LiveClient> LiveClient::create(std::shared_ptr<NetworkThread> thread) {
  return std::make_shared<LiveClient>(std::move(thread));
}

LiveClient::LiveClient(std::shared_ptr<NetworkThread> thread)
    : NetworkClient(std::move(thread)),
      cameraInfoArray_(std::make_shared<const std::vector<CameraInfo>>()),
      alarmCommandArray_(std::make_shared<const std::vector<AlarmCommand>>()),
      PTZPresetLabels_(std::make_shared<const std::vector<std::vector<std::string>>>()),
      eventMasks_(std::make_shared<const std::map<int, BitMask32>>()) {}

// Tables

CameraInfoArray LiveClient::cameraInfoArray() const {
  std::lock_guard lock(tablesMutex_);
  return cameraInfoArray_;
}

AlarmCommandArray LiveClient::alarmCommandArray() const {
  std::lock_guard lock(tablesMutex_);
  return alarmCommandArray_;
}

PresetLabelTable LiveClient::PTZPresetLabels() const {
  std::lock_guard lock(tablesMutex_);
  return PTZPresetLabels_;
}

EventMaskMap LiveClient::eventMasks() const {
  std::lock_guard lock(tablesMutex_);
  return eventMasks_;
}

std::shared_ptr<const SystemEventInfo> LiveClient::systemEventInfo() const {
  std::lock_guard lock(tablesMutex_);
  return systemEventInfo_;
}

std::vector<std::string> LiveClient::PTZPresetLabelsForCamera(int64_t camera) const {
  PresetLabelTable table = PTZPresetLabels();
  if (camera < 0 || camera >= static_cast<int64_t>(table->size())) return {};
  return (*table)[static_cast<size_t>(camera)];
}

std::optional<BitMask32> LiveClient::eventMaskForEventInfoType(int type) const {
  EventMaskMap masks = eventMasks();
  auto it = masks->find(type);
  if (it == masks->end()) return std::nullopt;
  return it->second;
}

// Capabilities

bool LiveClient::isSupportingHTTPStreaming() const {
  auto info = peerInfo();
  return info && info->syncOptionByType(SyncOptionTypeHTTPStreaming);
}

bool LiveClient::isSupporting3GHTTPStreaming() const {
  auto info = peerInfo();
  if (!info) return false;
  auto option = info->syncOption<HTTPStreamingSyncOption>(SyncOptionTypeHTTPStreaming);
  return option && option->version() > 1;
}

bool LiveClient::isSupportingMobileStreaming() const {
  auto info = peerInfo();
  return info && info->syncOptionByType(SyncOptionTypeMobileStreaming);
}

bool LiveClient::needToRequestMobileStreaming() const { return isMobileConnection() && isSupportingMobileStreaming(); }

bool LiveClient::hasPTZPermission() const {
  auto response = loginResponse();
  return response && response->hasPermission(PermissionPTZControl);
}

LiveClientDelegate* LiveClient::liveDelegate() const { return dynamic_cast<LiveClientDelegate*>(delegate()); }

// Hooks

void LiveClient::setSilenceClock(SilenceClock clock) { silenceClock_ = std::move(clock); }

void LiveClient::setSilenceCheckInterval(std::chrono::milliseconds interval) {
  ZELVO_PRECONDITION(interval.count() > 0);
  silenceCheckInterval_ = interval;
}

SilenceWatch::TimePoint LiveClient::silenceNow() const {
  return silenceClock_ ? silenceClock_() : SilenceWatch::Clock::now();
}

void LiveClient::scheduleSilenceCheck() {
  const uint64_t connection = silenceConnection_;
  std::weak_ptr<NetworkClient> weak = weak_from_this();
  QTimer::singleShot(silenceCheckInterval_, thread()->context(), [weak, connection] {
    if (auto self = std::static_pointer_cast<LiveClient>(weak.lock())) self->checkSilence(connection);
  });
}

void LiveClient::checkSilence(uint64_t connection) {
  if (connection != silenceConnection_ || !isConnected()) return;
  const SilenceWatch::TimePoint now = silenceNow();
  if (!silenceWatch_.hasExpired(now)) {
    scheduleSilenceCheck();
    return;
  }
  // A recorder that hangs with its connection up would leave the wall frozen on
  // its last pictures, looking live.
  const auto silent = std::chrono::duration_cast<std::chrono::seconds>(silenceWatch_.silence(now)).count();
  const auto allowed = std::chrono::duration_cast<std::chrono::seconds>(*silenceWatch_.limit()).count();
  zelvoLog("Nothing from the recorder for %lld s (its keep-alives allow %lld s): disconnecting",
           static_cast<long long>(silent), static_cast<long long>(allowed));
  disconnectedByError({NetworkClientErrorReceiveTimedOut, "Timed out: nothing received from the recorder for " +
                                                              std::to_string(silent) + " s"});
}

bool LiveClient::cleanup() {
  ++silenceConnection_;  // a check still scheduled finds nothing to do
  return NetworkClient::cleanup();
}

void LiveClient::loginSucceed() {
  silenceWatch_.reset(silenceNow());
  ++silenceConnection_;
  scheduleSilenceCheck();
  int videoInCount = 0;
  if (auto info = peerInfo())
    if (auto system = info->syncOption<SystemInfoSyncOption>(SyncOptionTypeSystemInfo)) videoInCount = system->videoInCount();
  auto labels = std::make_shared<const std::vector<std::vector<std::string>>>(
      static_cast<size_t>(videoInCount), std::vector<std::string>(PresetsPerCamera));
  auto masks = std::make_shared<const std::map<int, BitMask32>>();
  std::lock_guard lock(tablesMutex_);
  PTZPresetLabels_ = std::move(labels);
  eventMasks_ = std::move(masks);
}

void LiveClient::analyzePacket(const std::shared_ptr<Packet>& packet) {
  silenceWatch_.packetReceived(silenceNow(), packet->messageType() == MessageTypeAlive);
  // Reads end where the payload ends, whatever capacity the receive packet has.
  int64_t end = Packet::HeaderSize + packet->payloadSize();
  if (end < packet->limit()) packet->resetWithLimit(end);
  packet->seekToPayload();
  switch (packet->messageType()) {
    case MessageTypeLiveMediaFrame: handleMediaFrameMessage(packet); break;
    case MessageTypeCameraInfo: handleCameraInfoMessage(*packet); break;
    case MessageTypePTZ: handlePTZCommandMessage(*packet); break;
    case MessageTypeEventInfo: handleEventInfoMessage(*packet); break;
    case MessageTypeAlarmCommand: handleAlarmCommandMessage(*packet); break;
    case MessageTypeHTTPStreamingReady: handleHTTPStreamingReadyMessage(*packet); break;
    case MessageTypeHTTPStreamingFailed: handleHTTPStreamingFailMessage(*packet); break;
    case MessageTypeLiveError: handleLiveErrorMessage(*packet); break;
    default: NetworkClient::analyzePacket(packet); break;
  }
}

// Media

void LiveClient::handleMediaFrameMessage(const std::shared_ptr<Packet>& packet) {
  if (!receiveMedia_.load()) return;
  auto frame = std::make_shared<MediaFrame>();
  packet->popObject(*frame);
  if (frame->type() == MediaFrameTypeVideo)
    handleVideoFrameMessage(frame);
  else if (frame->type() == MediaFrameTypeAudio)
    handleAudioFrameMessage(frame);
}

void LiveClient::handleVideoFrameMessage(const std::shared_ptr<const MediaFrame>& frame) { deliverMediaFrame(frame); }

void LiveClient::handleAudioFrameMessage(const std::shared_ptr<const MediaFrame>& frame) { deliverMediaFrame(frame); }

void LiveClient::setMediaFrameHandler(MediaFrameHandler handler) {
  // From inside the handler this would wait for itself.
  ZELVO_PRECONDITION(mediaFrameHandlerThread_.load() != std::this_thread::get_id());
  {
    std::lock_guard lock(mediaFrameHandlerMutex_);
    mediaFrameHandler_.swap(handler);
  }
  // The earlier handler (and whatever it holds) goes after the lock.
}

void LiveClient::deliverMediaFrame(const std::shared_ptr<const MediaFrame>& frame) {
  {
    std::lock_guard lock(mediaFrameHandlerMutex_);
    if (mediaFrameHandler_) {
      mediaFrameHandlerThread_.store(std::this_thread::get_id());
      mediaFrameHandler_(frame);
      mediaFrameHandlerThread_.store(std::thread::id());
      return;
    }
  }
  postNotificationName(LiveMediaFrameReceivedNotification, {{LiveMediaFrameKey, frame}});
}

// Camera information

void LiveClient::handleCameraInfoMessage(Packet& packet) {
  int type = enumeratedByte(packet.popUint8(), CameraInfoTypeColor);
  if (type != CameraInfoTypeAll) {
    handleCameraInfoUpdate(packet, type);
    return;
  }
  std::vector<CameraInfo> cameras = CameraInfoList(packet).convertAsMutableArray();
  bool granted = hasPTZPermission();
  for (CameraInfo& camera : cameras) camera.setPtzAvailability(camera.ptzAvailability() && granted);
  auto table = std::make_shared<const std::vector<CameraInfo>>(std::move(cameras));
  {
    std::lock_guard lock(tablesMutex_);
    cameraInfoArray_ = table;
  }
  if (auto* d = liveDelegate()) d->receivedCameraInfoArray(*table);
  postNotificationName(LiveCameraInfoUpdatedNotification, {{LiveCameraInfoArrayKey, CameraInfoArray(table)}});
}

void LiveClient::handleCameraInfoUpdate(Packet& packet, int type) {
  const char* property = propertyByCameraInfoType(type);
  if (!property) {
    zelvoLog("Unknown camera info type: %d", type);
    return;
  }
  int64_t number = packet.popUint8();
  CameraInfoValue value = valueFromPacket(packet, type);
  // cameraInfoValueByPermission: PTZ only for a user allowed to drive it.
  if (type == CameraInfoTypePtzAvailability) value = std::get<bool>(value) && hasPTZPermission();

  CameraInfoArray current = cameraInfoArray();
  if (number >= static_cast<int64_t>(current->size())) {
    zelvoLog("Camera info update of type %d for camera %" PRId64 " outside the table of %zu cameras dropped", type,
             number, current->size());
    return;
  }
  const CameraInfo& camera = (*current)[static_cast<size_t>(number)];
  if (camera.valueForKey(property) == value) return;

  auto updated = std::make_shared<std::vector<CameraInfo>>(*current);
  (*updated)[static_cast<size_t>(number)].setValueForKey(property, value);
  CameraInfoArray table = std::move(updated);
  {
    std::lock_guard lock(tablesMutex_);
    cameraInfoArray_ = table;
  }
  postNotificationName(LiveCameraInfoUpdatedNotification, {{LiveCameraInfoArrayKey, table},
                                                           {LiveDeviceIDKey, number},
                                                           {LiveCameraInfoUpdatedTypeKey, type},
                                                           {LiveCameraInfoUpdatedValueKey, value}});
}

// Events

void LiveClient::handleEventInfoMessage(Packet& packet) {
  int type = enumeratedByte(packet.popUint8(), EventInfoTypeSystem);
  switch (type) {
    case EventInfoTypeMotion:
    case EventInfoTypeSensor:
    case EventInfoTypeTextIn: handleEventInfo(EventInfo(packet, type)); break;
    case EventInfoTypeSystem: handleSystemEventInfo(SystemEventInfo(packet)); break;
    case EventInfoTypeAll: {
      // Four sections, each behind its type byte. The whole message is checked
      // before any of it is used: a broken one yields no notification at all.
      constexpr int64_t sectionBytes = 1 + EventInfo::Size;
      if (packet.remaining() < 3 * sectionBytes + 1 + SystemEventInfo::Size)
        throw ReadError("all-events message shorter than its four sections");
      struct Section {
        int type;
        const char* expectation;
      };
      static constexpr Section sections[4] = {{EventInfoTypeMotion, "subType == EventInfoTypeMotion"},
                                              {EventInfoTypeSensor, "subType == EventInfoTypeSensor"},
                                              {EventInfoTypeTextIn, "subType == EventInfoTypeTextIn"},
                                              {EventInfoTypeSystem, "subType == EventInfoTypeSystem"}};
      for (int i = 0; i < 4; ++i) {
        int subType = packet.popUint8At(packet.position() + i * sectionBytes);
        if (subType != sections[i].type) {
          zelvoLog("Broken all-events message dropped: expected %s, found %d", sections[i].expectation, subType);
          return;
        }
      }
      std::vector<EventInfo> infos;
      for (int i = 0; i < 3; ++i) {
        packet.skip(1);
        infos.emplace_back(packet, sections[i].type);
      }
      packet.skip(1);
      SystemEventInfo system(packet);
      for (const EventInfo& info : infos) handleEventInfo(info);
      handleSystemEventInfo(system);
      break;
    }
    default: zelvoLog("Unknown event info type: %d", type); break;
  }
}

void LiveClient::handleEventInfo(const EventInfo& info) {
  {
    std::lock_guard lock(tablesMutex_);
    auto masks = std::make_shared<std::map<int, BitMask32>>(*eventMasks_);
    (*masks)[info.type()] = BitMask32(info.mask());
    eventMasks_ = std::move(masks);
  }
  if (auto* d = liveDelegate()) d->eventReceived(info, info.type());
  postNotificationName(LiveEventReceivedNotification,
                       {{LiveEventInfoKey, std::make_shared<const EventInfo>(info)}});
}

void LiveClient::handleSystemEventInfo(const SystemEventInfo& info) {
  auto shared = std::make_shared<const SystemEventInfo>(info);
  {
    std::lock_guard lock(tablesMutex_);
    systemEventInfo_ = shared;
  }
  if (auto* d = liveDelegate()) d->systemEventReceived(info);
  postNotificationName(LiveSystemEventReceivedNotification, {{LiveSystemEventInfoKey, shared}});
}

// Alarm outputs

void LiveClient::handleAlarmCommandMessage(Packet& packet) {
  int form = enumeratedByte(packet.popUint8(), AlarmFormList);
  if (form == AlarmFormList) {
    int64_t count = packet.popUint8();
    if (packet.remaining() < count * (1 + AlarmCommand::Size))
      throw ReadError("alarm output list shorter than its count");
    std::vector<AlarmCommand> alarms;
    alarms.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
      packet.skip(1);
      alarms.emplace_back(packet);
    }
    if (auto* d = liveDelegate()) d->receivedAlarmCommandArray(alarms);
    auto table = std::make_shared<const std::vector<AlarmCommand>>(std::move(alarms));
    {
      std::lock_guard lock(tablesMutex_);
      alarmCommandArray_ = table;
    }
    postNotificationName(LiveAlarmStatusUpdatedNotification, {{LiveAlarmCommandArrayKey, AlarmCommandArray(table)}});
  } else if (form == AlarmFormOne) {
    AlarmCommand command(packet);
    int64_t channel = command.channel();
    AlarmCommandArray current = alarmCommandArray();
    if (channel >= static_cast<int64_t>(current->size())) {
      zelvoLog("Alarm output %" PRId64 " outside the list of %zu outputs dropped", channel, current->size());
      return;
    }
    if ((*current)[static_cast<size_t>(channel)].channel() != channel)
      zelvoLog("Alarm output %" PRId64 " replaces the list entry of output %" PRId64, channel,
               (*current)[static_cast<size_t>(channel)].channel());
    if (auto* d = liveDelegate()) d->channel(channel, command);
    auto updated = std::make_shared<std::vector<AlarmCommand>>(*current);
    (*updated)[static_cast<size_t>(channel)] = command;
    AlarmCommandArray table = std::move(updated);
    {
      std::lock_guard lock(tablesMutex_);
      alarmCommandArray_ = table;
    }
    postNotificationName(LiveAlarmStatusUpdatedNotification,
                         {{LiveAlarmCommandArrayKey, table}, {LiveDeviceIDKey, channel}});
  }
}

// PTZ preset labels

void LiveClient::handlePTZCommandMessage(Packet& packet) {
  if (packet.popUint8() != PTZFormLabels) return;
  int64_t camera = packet.popUint8();
  int64_t count = packet.popUint8();
  if (packet.remaining() < count * PresetLabelSize) throw ReadError("preset labels shorter than their count");
  std::vector<std::string> labels;
  labels.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) labels.push_back(packet.popStringFixedSize(PresetLabelSize));
  {
    std::lock_guard lock(tablesMutex_);
    if (camera >= static_cast<int64_t>(PTZPresetLabels_->size())) {
      zelvoLog("Preset labels for camera %" PRId64 " outside the table of %zu cameras dropped", camera,
               PTZPresetLabels_->size());
      return;
    }
    auto table = std::make_shared<std::vector<std::vector<std::string>>>(*PTZPresetLabels_);
    (*table)[static_cast<size_t>(camera)] = labels;
    PTZPresetLabels_ = std::move(table);
  }
  postNotificationName(LivePTZPresetLabelsReceivedNotification,
                       {{LiveDeviceIDKey, camera}, {LivePTZPresetLabelsKey, std::move(labels)}});
}

// HTTP streaming

void LiveClient::handleHTTPStreamingReadyMessage(Packet& packet) {
  int64_t camera = packet.popInt32();
  int64_t port = packet.popInt32();
  std::string playlist = packet.popString().value_or(std::string());
  if (auto* d = liveDelegate()) d->camera(camera, port, playlist);
}

void LiveClient::handleHTTPStreamingFailMessage(Packet&) {
  if (auto* d = liveDelegate()) d->streamingFailed();
}

// Senders

void LiveClient::send(std::shared_ptr<Packet> packet) {
  if (!packet) {
    zelvoLog("No memory for a live request; not sent");
    return;
  }
  packet->pack();
  sendPacket(std::move(packet));
}

void LiveClient::sendVideoChannelMask(BitMask32 mask) { sendVideoChannelMask(mask, needToRequestMobileStreaming(), false); }

void LiveClient::sendVideoChannelMask(BitMask32 mask, bool mobile, bool keyOnly) {
  receiveMedia_.store(!mask.isEmpty());
  auto packet = Packet::createWithMessageType(MessageTypeVideoChannelMask);
  if (packet) {
    packet->pushInt32(static_cast<int32_t>(mask.asUint32()));
    packet->pushBool(mobile);
    packet->pushBool(keyOnly);
    packet->pushInt16(0);
  }
  send(std::move(packet));
}

void LiveClient::clearVideoChannelMask() { sendVideoChannelMask(BitMask32(), needToRequestMobileStreaming(), false); }

void LiveClient::sendAudioChannelMask(BitMask32 mask) { sendAudioChannelMask(mask, needToRequestMobileStreaming()); }

void LiveClient::sendAudioChannelMask(BitMask32 mask, bool mobile) {
  auto packet = Packet::createWithMessageType(MessageTypeAudioChannelMask);
  if (packet) {
    packet->pushInt32(static_cast<int32_t>(mask.asUint32()));
    packet->pushBool(mobile);
    packet->pushInt8(0);
    packet->pushInt16(0);
  }
  send(std::move(packet));
}

void LiveClient::clearAudioChannelMask() { sendAudioChannelMask(BitMask32(), needToRequestMobileStreaming()); }

void LiveClient::sendPTZCommand(int command, int64_t channel, int argument) { sendPTZCommand(command, channel, argument, 0); }

void LiveClient::sendPTZCommand(int command, int64_t channel, int64_t argument1, int64_t argument2) {
  auto packet = Packet::createWithMessageType(MessageTypePTZ);
  if (packet) {
    packet->pushUint8(PTZFormCommand);
    packet->pushUint8(static_cast<uint8_t>(channel));
    packet->pushUint8(static_cast<uint8_t>(command));
    packet->pushUint8(static_cast<uint8_t>(argument1));
    packet->pushUint8(static_cast<uint8_t>(argument2));
  }
  send(std::move(packet));
}

void LiveClient::sendPTZMovePresetCommandWithCamera(int64_t camera, int64_t presetID) {
  auto packet = Packet::createWithMessageType(MessageTypePTZ);
  if (packet) {
    packet->pushUint8(PTZFormPreset);
    packet->pushUint8(static_cast<uint8_t>(camera));
    packet->pushUint8(PresetActionGoTo);
    packet->pushUint8(static_cast<uint8_t>(presetID));
  }
  send(std::move(packet));
}

void LiveClient::sendPTZSavePresetCommandWithCamera(int64_t camera, int64_t presetID, const std::string& label) {
  auto packet = Packet::createWithMessageType(MessageTypePTZ);
  if (packet) {
    packet->pushUint8(PTZFormPreset);
    packet->pushUint8(static_cast<uint8_t>(camera));
    packet->pushUint8(PresetActionSave);
    packet->pushUint8(static_cast<uint8_t>(presetID));
    size_t length = utf8PrefixLength(label, PresetLabelSize);
    packet->pushBytes(label.data(), static_cast<int64_t>(length));
    packet->fillByte(0, PresetLabelSize - static_cast<int64_t>(length));
  }
  send(std::move(packet));
}

void LiveClient::sendAlarmOutChannel(int64_t channel, bool on) {
  auto packet = Packet::createWithMessageType(MessageTypeAlarmCommand);
  if (packet) {
    packet->pushUint8(AlarmFormOne);
    packet->pushUint8(static_cast<uint8_t>(channel));
    packet->pushUint8(1);  // enable
    packet->pushBool(on);
    packet->pushUint8(0);
    packet->fillByte(0, AlarmCommandTitleBytes);
  }
  send(std::move(packet));
}

void LiveClient::sendAlarmOutAll(int64_t count, bool on) {
  for (int64_t channel = 0; channel < count; ++channel) sendAlarmOutChannel(channel, on);
}

void LiveClient::sendHTTPStreamingChannelMask(uint32_t mask, bool withCellNetwork) {
  auto packet = Packet::createWithMessageType(MessageTypeHTTPStreamingChannelMask);
  if (packet) {
    packet->pushUint32(mask);
    packet->pushBool(withCellNetwork);
  }
  send(std::move(packet));
}

void LiveClient::sendHTTPStreamingChannel(int64_t channel, bool withCellNetwork) {
  ZELVO_PRECONDITION(0 <= channel && channel < 32);
  sendHTTPStreamingChannelMask(1u << channel, withCellNetwork);
}

void LiveClient::clearHTTPStreamingChannel() {
  sendHTTPStreamingChannelMask(0, true);
  sendHTTPStreamingChannelMask(0, false);
}

}  // namespace zelvo
