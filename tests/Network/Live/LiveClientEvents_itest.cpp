// Events, system events, alarm outputs and preset labels as a live client receives them.
#include <gtest/gtest.h>

#include "support/CallRecorder.h"
#include "Network/Live/LiveLoopback.h"

namespace zelvo::test {
namespace {

using emulator::Bytes;
namespace live = emulator::live;

std::shared_ptr<const EventInfo> eventOf(const Notification& n) {
  auto* info = n.get<std::shared_ptr<const EventInfo>>(LiveEventInfoKey);
  return info ? *info : nullptr;
}

TEST_F(LiveLoopback, AllEventsPostThreeEventsInOrderThenTheSystemEvent) {
  connect();
  EXPECT_FALSE(client_->eventMaskForEventInfoType(EventInfoTypeMotion));
  send(MessageTypeEventInfo, live::allEvents({4, 0x1}, {8, 0x2}, {16, 0x4}, {true, false, true, false, false, false, false, true}));
  ASSERT_TRUE(log_->waitForCount(LiveSystemEventReceivedNotification, 1));
  std::vector<std::string> order;
  for (const auto& name : log_->names())
    if (name != NetworkLoginSucceedNotification) order.push_back(name);
  EXPECT_EQ(order, (std::vector<std::string>{LiveEventReceivedNotification, LiveEventReceivedNotification,
                                             LiveEventReceivedNotification, LiveSystemEventReceivedNotification}));
  std::vector<Notification> events = log_->named(LiveEventReceivedNotification);
  ASSERT_EQ(events.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    auto info = eventOf(events[static_cast<size_t>(i)]);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->type(), EventInfoTypeMotion + i);
    EXPECT_EQ(info->mask(), 1u << i);
    EXPECT_EQ(info->cameraCount(), 4 << i);
  }
  EXPECT_EQ(client_->eventMaskForEventInfoType(EventInfoTypeMotion), BitMask32(0x1));
  EXPECT_EQ(client_->eventMaskForEventInfoType(EventInfoTypeSensor), BitMask32(0x2));
  EXPECT_EQ(client_->eventMaskForEventInfoType(EventInfoTypeTextIn), BitMask32(0x4));
  EXPECT_FALSE(client_->eventMaskForEventInfoType(EventInfoTypeSystem)) << "no mask is kept for system events";
  auto system = client_->systemEventInfo();
  ASSERT_TRUE(system);
  EXPECT_TRUE(system->smartBad());
  EXPECT_FALSE(system->smartTemperature());
  EXPECT_TRUE(system->diskBad());
  EXPECT_TRUE(system->fanFailure());
  EXPECT_EQ(delegate_.calls(), (std::vector<std::string>{"eventReceived 2 1", "eventReceived 3 2", "eventReceived 4 4",
                                                         "systemEventReceived"}));
}

struct SingleEventCase {
  const char* name;
  uint8_t type;
};

class SingleEvent : public LiveLoopback, public testing::WithParamInterface<SingleEventCase> {};

TEST_P(SingleEvent, StoresTheMaskOfItsKind) {
  uint8_t type = GetParam().type;
  connect();
  send(MessageTypeEventInfo, live::event(type, 16, 0x8001));
  ASSERT_TRUE(log_->waitForCount(LiveEventReceivedNotification, 1));
  auto info = eventOf(log_->named(LiveEventReceivedNotification)[0]);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->type(), type);
  EXPECT_TRUE(info->on(15));
  EXPECT_EQ(client_->eventMaskForEventInfoType(type), BitMask32(0x8001));
  EXPECT_EQ(client_->eventMasks()->size(), 1u);
  send(MessageTypeEventInfo, live::event(type, 16, 0x2));
  ASSERT_TRUE(log_->waitForCount(LiveEventReceivedNotification, 2));
  EXPECT_EQ(client_->eventMaskForEventInfoType(type), BitMask32(0x2)) << "replaces the previous mask";
}

INSTANTIATE_TEST_SUITE_P(Kinds, SingleEvent,
                         testing::Values(SingleEventCase{"Motion", 2}, SingleEventCase{"Sensor", 3},
                                         SingleEventCase{"TextIn", 4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LiveLoopback, SystemEventAlone) {
  connect();
  send(MessageTypeEventInfo, live::systemEvent({false, false, false, false, false, false, true, false}));
  ASSERT_TRUE(log_->waitForCount(LiveSystemEventReceivedNotification, 1));
  Notification n = log_->named(LiveSystemEventReceivedNotification)[0];
  auto* info = n.get<std::shared_ptr<const SystemEventInfo>>(LiveSystemEventInfoKey);
  ASSERT_TRUE(info);
  EXPECT_TRUE((*info)->gravity());
  EXPECT_EQ(*client_->systemEventInfo(), **info);
  EXPECT_EQ(log_->count(LiveEventReceivedNotification), 0u);
}

struct BrokenEventCase {
  const char* name;
  Bytes message;
  const char* logged;
};

class BrokenEvents : public LiveLoopback, public testing::WithParamInterface<BrokenEventCase> {};

TEST_P(BrokenEvents, AreDroppedWhole) {
  const BrokenEventCase& c = GetParam();
  connect();
  LogCapture capture;
  send(MessageTypeEventInfo, c.message);
  fence();
  EXPECT_EQ(log_->count(LiveEventReceivedNotification), 0u);
  EXPECT_EQ(log_->count(LiveSystemEventReceivedNotification), 1u) << "only the fence";
  EXPECT_TRUE(client_->eventMasks()->empty());
  if (*c.logged) {
    EXPECT_TRUE(capture.contains(c.logged)) << c.logged;
  }
}

Bytes truncated(Bytes bytes, size_t length) {
  bytes.resize(length);
  return bytes;
}

const Bytes allEvents = live::allEvents({4, 1}, {4, 2}, {4, 4}, {});

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenEvents,
    testing::Values(
        BrokenEventCase{"WrongMotionSection", live::allEvents({4, 1}, {4, 2}, {4, 4}, {}, {3, 3, 4, 5}),
                        "subType == EventInfoTypeMotion"},
        BrokenEventCase{"WrongSensorSection", live::allEvents({4, 1}, {4, 2}, {4, 4}, {}, {2, 2, 4, 5}),
                        "subType == EventInfoTypeSensor"},
        BrokenEventCase{"WrongTextInSection", live::allEvents({4, 1}, {4, 2}, {4, 4}, {}, {2, 3, 0, 5}),
                        "subType == EventInfoTypeTextIn"},
        BrokenEventCase{"WrongSystemSection", live::allEvents({4, 1}, {4, 2}, {4, 4}, {}, {2, 3, 4, 1}),
                        "subType == EventInfoTypeSystem"},
        BrokenEventCase{"AllEventsCutShort", truncated(allEvents, allEvents.size() - 1), ""},
        BrokenEventCase{"UnknownTypeZero", live::event(0, 4, 1), "Unknown event info type: 0"},
        BrokenEventCase{"UnknownTypeSix", live::event(6, 4, 1), "Unknown event info type: 0"},
        BrokenEventCase{"ShortEvent", Bytes{2, 4, 0, 0}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Alarm outputs

std::vector<emulator::EmulatedAlarm> threeAlarms() {
  return {{0, 1, 0, "Siren"}, {1, 1, 1, ""}, {2, 0, 0, "Light"}};
}

TEST_F(LiveLoopback, AlarmListReplacesTheOutputs) {
  connect();
  send(MessageTypeAlarmCommand, live::alarmList(threeAlarms()));
  ASSERT_TRUE(log_->waitForCount(LiveAlarmStatusUpdatedNotification, 1));
  AlarmCommandArray alarms = client_->alarmCommandArray();
  ASSERT_EQ(alarms->size(), 3u);
  EXPECT_EQ((*alarms)[0].title(), "Siren");
  EXPECT_TRUE((*alarms)[1].on());
  EXPECT_EQ((*alarms)[1].titleWithDefaultValue(), "ALARM2");
  EXPECT_FALSE((*alarms)[2].enable());
  Notification n = log_->named(LiveAlarmStatusUpdatedNotification)[0];
  ASSERT_TRUE(n.get<AlarmCommandArray>(LiveAlarmCommandArrayKey));
  EXPECT_EQ(**n.get<AlarmCommandArray>(LiveAlarmCommandArrayKey), *alarms);
  EXPECT_FALSE(n.has(LiveDeviceIDKey)) << "a list names no output";
  EXPECT_EQ(delegate_.calls(), (std::vector<std::string>{"receivedAlarmCommandArray 3"}));
}

TEST_F(LiveLoopback, OneAlarmOutputReplacesItsEntry) {
  connect();
  send(MessageTypeAlarmCommand, live::alarmList(threeAlarms()));
  ASSERT_TRUE(log_->waitForCount(LiveAlarmStatusUpdatedNotification, 1));
  send(MessageTypeAlarmCommand, live::alarm({2, 1, 1, "Light"}));
  ASSERT_TRUE(log_->waitForCount(LiveAlarmStatusUpdatedNotification, 2));
  AlarmCommandArray alarms = client_->alarmCommandArray();
  EXPECT_TRUE((*alarms)[2].on());
  EXPECT_TRUE((*alarms)[2].enable());
  EXPECT_EQ((*alarms)[0].title(), "Siren");
  Notification n = log_->named(LiveAlarmStatusUpdatedNotification)[1];
  ASSERT_TRUE(n.get<int64_t>(LiveDeviceIDKey));
  EXPECT_EQ(*n.get<int64_t>(LiveDeviceIDKey), 2);
  EXPECT_EQ(**n.get<AlarmCommandArray>(LiveAlarmCommandArrayKey), *alarms);
  EXPECT_EQ(delegate_.calls().back(), "channel 2 on");
}

struct IgnoredAlarmCase {
  const char* name;
  bool withList;
  Bytes message;
};

class IgnoredAlarms : public LiveLoopback, public testing::WithParamInterface<IgnoredAlarmCase> {};

TEST_P(IgnoredAlarms, ChangeNothing) {
  const IgnoredAlarmCase& c = GetParam();
  connect();
  if (c.withList) {
    send(MessageTypeAlarmCommand, live::alarmList(threeAlarms()));
    ASSERT_TRUE(log_->waitForCount(LiveAlarmStatusUpdatedNotification, 1));
  }
  AlarmCommandArray before = client_->alarmCommandArray();
  send(MessageTypeAlarmCommand, c.message);
  fence();
  EXPECT_EQ(log_->count(LiveAlarmStatusUpdatedNotification), c.withList ? 1u : 0u);
  EXPECT_EQ(*client_->alarmCommandArray(), *before);
}

Bytes shortList() {
  Bytes list = live::alarmList(threeAlarms());
  list[1] = 4;  // one more output than the message holds
  return list;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IgnoredAlarms,
    testing::Values(IgnoredAlarmCase{"ChannelOutsideTheList", true, live::alarm({3, 1, 1, "X"})},
                    IgnoredAlarmCase{"OutputBeforeAnyList", false, live::alarm({0, 1, 1, "X"})},
                    IgnoredAlarmCase{"FirstByteZero", true, Bytes{0, 1, 1, 1}},
                    IgnoredAlarmCase{"FirstByteThree", true, Bytes{3, 0}},
                    IgnoredAlarmCase{"ListShorterThanItsCount", true, shortList()},
                    IgnoredAlarmCase{"ShortOutput", true, Bytes{1, 0, 1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

// Preset labels

TEST_F(LiveLoopback, LoginMakesSixteenEmptyLabelsPerVideoInputBeforeItsNotification) {
  std::vector<size_t> seenSizes;
  auto config = recorderConfig();
  config.videoInCount = 3;
  emulator_ = std::make_unique<emulator::RecorderEmulator>(config);
  ASSERT_TRUE(emulator_->start());
  client_ = LiveClient::create(thread_);
  log_ = std::make_unique<NotificationLog>(client_.get(), liveNotificationNames());
  Observation atLogin(NotificationCenter::defaultCenter(), NetworkLoginSucceedNotification, client_.get(),
                      [&](const Notification&) {
                        for (const auto& labels : *client_->PTZPresetLabels()) seenSizes.push_back(labels.size());
                        EXPECT_TRUE(client_->eventMasks()->empty());
                      });
  client_->connectToHost("127.0.0.1", emulator_->port(), "admin", "admin");
  ASSERT_TRUE(log_->waitForCount(NetworkLoginSucceedNotification, 1));
  EXPECT_EQ(seenSizes, (std::vector<size_t>{16, 16, 16}));
  for (const std::string& label : client_->PTZPresetLabelsForCamera(2)) EXPECT_EQ(label, "");
}

TEST_F(LiveLoopback, PresetLabelsReplaceTheCamerasEntry) {
  connect();
  std::vector<std::string> labels;
  for (int i = 0; i < 16; ++i) labels.push_back("P" + std::to_string(i));
  labels[15] = "ABCDEFGHIJKLMNOP";  // a whole field without a terminator
  send(MessageTypePTZ, live::presetLabels(2, labels));
  ASSERT_TRUE(log_->waitForCount(LivePTZPresetLabelsReceivedNotification, 1));
  EXPECT_EQ(client_->PTZPresetLabelsForCamera(2), labels);
  EXPECT_EQ(client_->PTZPresetLabelsForCamera(1), std::vector<std::string>(16));
  Notification n = log_->named(LivePTZPresetLabelsReceivedNotification)[0];
  ASSERT_TRUE(n.get<int64_t>(LiveDeviceIDKey));
  EXPECT_EQ(*n.get<int64_t>(LiveDeviceIDKey), 2);
  ASSERT_TRUE(n.get<std::vector<std::string>>(LivePTZPresetLabelsKey));
  EXPECT_EQ(*n.get<std::vector<std::string>>(LivePTZPresetLabelsKey), labels);
}

TEST_F(LiveLoopback, FewerThanSixteenLabelsAreStoredAsReceived) {
  connect();
  send(MessageTypePTZ, live::presetLabels(0, {"Door", "Yard", "Gate"}));
  ASSERT_TRUE(log_->waitForCount(LivePTZPresetLabelsReceivedNotification, 1));
  EXPECT_EQ(client_->PTZPresetLabelsForCamera(0), (std::vector<std::string>{"Door", "Yard", "Gate"}));
}

struct IgnoredPTZCase {
  const char* name;
  Bytes message;
};

class IgnoredPTZMessages : public LiveLoopback, public testing::WithParamInterface<IgnoredPTZCase> {};

TEST_P(IgnoredPTZMessages, ChangeNoLabels) {
  connect();
  PresetLabelTable before = client_->PTZPresetLabels();
  send(MessageTypePTZ, GetParam().message);
  fence();
  EXPECT_EQ(log_->count(LivePTZPresetLabelsReceivedNotification), 0u);
  EXPECT_EQ(*client_->PTZPresetLabels(), *before);
}

Bytes relabelled(Bytes message, uint8_t first) {
  message[0] = first;
  return message;
}

Bytes labelsShorterThanTheirCount() {
  Bytes message = live::presetLabels(0, {"A", "B"});
  message[2] = 3;
  return message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IgnoredPTZMessages,
    testing::Values(IgnoredPTZCase{"FirstByteOne", relabelled(live::presetLabels(0, {"A"}), 1)},
                    IgnoredPTZCase{"FirstByteThree", relabelled(live::presetLabels(0, {"A"}), 3)},
                    IgnoredPTZCase{"CameraOutsideTheTable", live::presetLabels(4, {"A"})},
                    IgnoredPTZCase{"LabelsShorterThanTheirCount", labelsShorterThanTheirCount()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LiveLoopback, WithoutSystemInformationThereAreNoLabels) {
  auto config = recorderConfig();
  config.sendSystemInfo = false;
  connect(config);
  EXPECT_TRUE(client_->PTZPresetLabels()->empty());
  EXPECT_TRUE(client_->PTZPresetLabelsForCamera(0).empty());
  send(MessageTypePTZ, live::presetLabels(0, {"A"}));
  fence();
  EXPECT_EQ(log_->count(LivePTZPresetLabelsReceivedNotification), 0u);
  EXPECT_TRUE(client_->PTZPresetLabelsForCamera(0).empty());
}

// Streaming answers reach only the delegate.

TEST_F(LiveLoopback, StreamingAnswersReachTheDelegate) {
  connect();
  send(MessageTypeHTTPStreamingReady, live::streamingReady(3, 8080, "/live/3.m3u8"));
  send(MessageTypeHTTPStreamingFailed, {});
  send(MessageTypeLiveError, {1, 2, 3});
  fence();
  EXPECT_EQ(delegate_.calls(), (std::vector<std::string>{"camera 3 8080 /live/3.m3u8", "streamingFailed",
                                                         "systemEventReceived"}));
  EXPECT_EQ(log_->all().size(), 2u) << "the login and the fence";
}

}  // namespace
}  // namespace zelvo::test

namespace zelvo::test {
namespace {

// What the client's state and its observers had seen when each delegate call came.
class OrderDelegate : public LiveClientDelegate, public test::CallRecorder {
 public:
  OrderDelegate(LiveClient& client, NotificationLog& log) : client_(client), log_(log) {}
  void receivedCameraInfoArray(const std::vector<CameraInfo>& array) override {
    add("cameras stored " + std::to_string(client_.cameraInfoArray()->size() == array.size()) + " posted " +
        std::to_string(log_.count(LiveCameraInfoUpdatedNotification)));
  }
  void receivedAlarmCommandArray(const std::vector<AlarmCommand>& array) override {
    add("alarms stored " + std::to_string(client_.alarmCommandArray()->size() == array.size()) + " posted " +
        std::to_string(log_.count(LiveAlarmStatusUpdatedNotification)));
  }
  void channel(int64_t channel, const AlarmCommand&) override {
    add("alarm " + std::to_string(channel) + " was " +
        std::to_string((*client_.alarmCommandArray())[static_cast<size_t>(channel)].on()) + " posted " +
        std::to_string(log_.count(LiveAlarmStatusUpdatedNotification)));
  }
  void eventReceived(const EventInfo& info, int type) override {
    add("event stored " + std::to_string(client_.eventMaskForEventInfoType(type) == BitMask32(info.mask())) +
        " posted " + std::to_string(log_.count(LiveEventReceivedNotification)));
  }
  void systemEventReceived(const SystemEventInfo&) override {
    add("system stored " + std::to_string(client_.systemEventInfo() != nullptr) + " posted " +
        std::to_string(log_.count(LiveSystemEventReceivedNotification)));
  }
 private:
  LiveClient& client_;
  NotificationLog& log_;
};

TEST_F(LiveLoopback, DelegateHearsEachRecordBeforeTheObservers) {
  connect();
  OrderDelegate order(*client_, *log_);
  client_->setDelegate(&order);
  send(MessageTypeCameraInfo, emulator::live::cameraTable({{"A", 1, 1, 1, 0, {}}}));
  send(MessageTypeAlarmCommand, emulator::live::alarmList({{0, 1, 0, "Siren"}, {1, 1, 0, ""}}));
  send(MessageTypeAlarmCommand, emulator::live::alarm({1, 1, 1, ""}));
  send(MessageTypeEventInfo, emulator::live::event(2, 4, 1));
  fence();
  client_->setDelegate(&delegate_);
  // The table is stored before its delegate call, the alarm list after it; a
  // single output is replaced after its delegate call.
  EXPECT_EQ(order.calls(), (std::vector<std::string>{"cameras stored 1 posted 0", "alarms stored 0 posted 0",
                                                     "alarm 1 was 0 posted 1", "event stored 1 posted 0",
                                                     "system stored 1 posted 0"}));
}

}  // namespace
}  // namespace zelvo::test
