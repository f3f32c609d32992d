// The wall's controller with real live clients and decoders against the recorder
// emulator on loopback; only the view and the sound output are recording fakes.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <map>
#include <optional>
#include <array>
#include <atomic>

#include "Decoder/VideoDecoderGroup.h"
#include "Foundation/MainThread.h"
#include "Foundation/QueuedHandOff.h"
#include "Network/NetworkClient.h"

#include "Network/MessageType.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/VideoViewController.h"
#include "FakeTimerFactory.h"
#include "WallDecoderProbe.h"
#include "WallFakes.h"
#include "emulator/LiveRecorder.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::EventLog;

uint32_t maskOf(const emulator::ReceivedPacket& packet) {
  const auto& p = packet.payload;
  return p.size() < 4 ? 0 : uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

emulator::LiveRecorderConfig recorderOf(int cameras) {
  emulator::LiveRecorderConfig config;
  config.cameras.clear();
  for (int n = 0; n < cameras; ++n) config.cameras.push_back({"Camera " + std::to_string(n + 1), 1, 1, 1, 1, {0, 0, 0, 0}});
  return config;
}

emulator::RecorderConfig emulatorOf(int cameras) {
  emulator::RecorderConfig config;
  config.videoInCount = static_cast<uint8_t>(cameras);
  return config;
}

// One emulated recorder with its live side.
struct Recorder {
  explicit Recorder(int cameras) : live(recorderOf(cameras)), emulator(emulatorOf(cameras)) {
    live.install(emulator);
    EXPECT_TRUE(emulator.start());
  }
  std::shared_ptr<SiteInfo> site(qint64 cameras) const {
    auto s = SiteInfo::create();
    s->setAddress(QStringLiteral("127.0.0.1"));
    s->setPort(emulator.port());
    s->setUser(QStringLiteral("admin"));
    s->setPassword(QStringLiteral("admin"));
    s->setCameraCount(cameras);
    s->setIndex(0);
    return s;
  }
  // The video masks the recorder has received so far on the connection.
  std::vector<uint32_t> videoMasks(int connection = -1) const {
    std::vector<uint32_t> masks;
    for (const auto& packet : emulator.received())
      if (packet.type == MessageTypeVideoChannelMask && (connection < 0 || packet.connection == connection))
        masks.push_back(maskOf(packet));
    return masks;
  }

  emulator::LiveRecorder live;  // outlives its emulator
  emulator::RecorderEmulator emulator;
};

// The shared decoders, with a look at each camera's decoding queue as every video
// frame arrives: how many earlier frames of that camera still wait or decode.
class BacklogAtArrival : public test::WallDecoderProbe {
 public:
  // Main thread; the arrivals are counted on the network thread.
  void restart() {
    for (size_t c = 0; c < 32; ++c) {
      arrivals_[c] = 0;
      largest_[c] = 0;
    }
  }
  uint64_t arrivals(int camera) const { return arrivals_[static_cast<size_t>(camera)]; }
  size_t largest(int camera) const { return largest_[static_cast<size_t>(camera)]; }

 private:
  void arrived(const NetworkClient&, int64_t camera, size_t earlier) override {
    if (camera >= 32) return;
    auto c = static_cast<size_t>(camera);
    ++arrivals_[c];
    if (earlier > largest_[c]) largest_[c] = earlier;
  }

  std::array<std::atomic<uint64_t>, 32> arrivals_{};
  std::array<std::atomic<size_t>, 32> largest_{};
};

class WallLoopback : public ::testing::Test {
 protected:
  WallLoopback() {
    view.drawsEachPicture = true;
    start(timers);
  }
  // The controller, awake, with real clients and decoders and the given timers.
  void start(TimerFactory& timerFactory, WallDecoderPort& decoders = sharedWallDecoders()) {
    observations.clear();
    controller.reset();
    controller = std::make_unique<VideoViewController>(
        view, VideoViewController::Collaborators{&sharedLiveClientFactory(), &decoders, &audio, &timerFactory});
    controller->awake();
    observations.emplace_back(NotificationCenter::defaultCenter(),
                              VideoViewControllerSelectedNetworkClientStateChangedNotification, controller.get(),
                              [this](const Notification& n) {
                                // The connection's states; the recorder's alarms, events and
                                // presets (6, 7, 8, 10) come between them in any order.
                                int state = *n.get<int>(VideoViewControllerNetworkClientStateKey);
                                if (state >= 6 && state <= 8) return;
                                if (state == 10) return;
                                if (states.empty() || states.back() != state) states.push_back(state);
                              });
  }
  ~WallLoopback() override {
    observations.clear();
    controller.reset();
  }

  void drop(const std::shared_ptr<SiteInfo>& site, int64_t plane) {
    view.post(VideoViewConnectionTargetDroppedNotification,
              {{VideoViewPlaneKey, plane}, {VideoViewConnectionTargetDataKey, archivedDataWithRootObject(*site)}});
  }
  // The recorder's site on plane 0, logged in and streaming, retried every interval
  // seconds once lost.
  void streamWithReconnection(Recorder& recorder, double interval) {
    controller->setReconnectInterval(interval);
    controller->setAutoReconnect(true);
    drop(recorder.site(4), 0);
    ASSERT_TRUE(recorder.emulator.waitForLogins(1));
    ASSERT_TRUE(test::waitUntil([&] { return !states.empty() && states.back() == 5; }));
  }
  int count(const std::string& fragment) const {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& line) {
      return line.find(fragment) != std::string::npos;
    }));
  }
  bool picturesOnPlanes(std::initializer_list<int> planes, int atLeast = 1) const {
    for (int plane : planes)
      if (count("picture(" + std::to_string(plane) + ",352x240") < atLeast) return false;
    return true;
  }

  EventLog log;
  std::vector<int> states;  // 0 to 5 and 9, repeats collapsed
  test::FakeView view{log};
  test::FakeAudio audio{log};
  test::FakeTimers timers;
  // For the tests that look at the decoders: the controller, which unregisters its
  // clients from them as it goes, must go first.
  BacklogAtArrival backlog;
  std::unique_ptr<VideoViewController> controller;
  std::vector<Observation> observations;
};

TEST_F(WallLoopback, ASiteDroppedOnPlane0LogsInAsksForItsFourCamerasAndShowsThem) {
  Recorder recorder(4);
  drop(recorder.site(4), 0);
  ASSERT_TRUE(recorder.emulator.waitForLogins(1));
  auto mask = recorder.emulator.waitForPacket(MessageTypeVideoChannelMask);
  ASSERT_TRUE(mask);
  EXPECT_EQ(maskOf(*mask), 0x0Fu);
  auto audioMask = recorder.emulator.waitForPacket(MessageTypeAudioChannelMask);
  ASSERT_TRUE(audioMask);
  EXPECT_EQ(maskOf(*audioMask), 0x01u);
  ASSERT_TRUE(test::waitUntil([&] { return picturesOnPlanes({0, 1, 2, 3}, 3) && count("audio.play") > 0; }));
  EXPECT_EQ(states, (std::vector<int>{0, 2, 3, 5, 9}));
  // The camera table painted the planes with the recorder's titles.
  EXPECT_EQ(count("paint(2,Camera 3)"), 1);
  for (int camera = 0; camera < 4; ++camera) EXPECT_GT(recorder.live.videoFramesSent(camera), 0u);
  EXPECT_EQ(recorder.live.audioFramesSent(1), 0u);
}

// The main thread held busy (a long paint, a modal loop, a loaded machine) holds up no
// recorder: its stream is read on, and its frames go on from the network thread
// through the decoding queues to the planes' slots. (The recorder's own count of frames
// sent says nothing here: it goes on filling the socket's buffers either way.)
TEST_F(WallLoopback, PicturesKeepReachingThePlanesWhileTheMainThreadIsBusy) {
  Recorder recorder(4);
  drop(recorder.site(4), 0);
  ASSERT_TRUE(test::waitUntil([&] { return picturesOnPlanes({0, 1, 2, 3}, 3); }));
  // More pictures than a camera's decoding queue holds (MaxBacklogFrames): they cannot
  // all have been on their way before the main thread stopped serving.
  constexpr int More = 30;
  std::map<int64_t, int> wanted;
  for (int64_t plane = 0; plane < 4; ++plane) wanted[plane] = view.handedOver(plane) + More;
  std::optional<bool> kept;
  // Inside a call posted to the main thread, as a paint would be; the limit only keeps a
  // waiting network thread from hanging the test.
  runOnMain([&] { kept = view.blockUntilHandedOver(wanted, std::chrono::seconds(20)); });
  ASSERT_TRUE(test::waitUntil([&] { return kept.has_value(); }));
  EXPECT_TRUE(*kept) << "pictures stopped while the main thread was busy";
  // And the wall goes on once the main thread is back.
  const int shown = count("picture(0,352x240");
  ASSERT_TRUE(test::waitUntil([&] { return count("picture(0,352x240") > shown + More; }));
}

TEST_F(WallLoopback, PagesNotShownAreNotStreamed) {
  Recorder first(32);
  Recorder second(32);
  controller->connectToSite(first.site(32), 0);    // planes 0..31
  controller->connectToSite(second.site(32), 32);  // planes 32..63
  ASSERT_TRUE(first.emulator.waitForLogins(1));
  ASSERT_TRUE(second.emulator.waitForLogins(1));
  // Layout 3, page 0: planes 0..15, the first recorder's cameras 0..15 only.
  ASSERT_TRUE(test::waitUntil([&] { return first.live.videoFramesSent(15) >= 10; }));
  EXPECT_EQ(first.videoMasks().back(), 0x0000FFFFu);
  // The second recorder's mask may still be on its way on a loaded machine.
  ASSERT_TRUE(test::waitUntil([&] { return !second.videoMasks().empty(); }));
  EXPECT_EQ(second.videoMasks().back(), 0u);
  for (int camera = 16; camera < 32; ++camera) EXPECT_EQ(first.live.videoFramesSent(camera), 0u) << camera;
  for (int camera = 0; camera < 32; ++camera) EXPECT_EQ(second.live.videoFramesSent(camera), 0u) << camera;

  // Page 2 (planes 32..47): the second recorder's cameras 0..15, nothing of the first.
  view.setSelectedPlane(32);
  ASSERT_TRUE(test::waitUntil([&] { return first.videoMasks().back() == 0u && second.videoMasks().back() == 0xFFFFu; }));
  uint64_t before = first.live.videoFramesSent(0);
  ASSERT_TRUE(test::waitUntil([&] { return second.live.videoFramesSent(15) >= 10; }));
  // At most the round that was on its way when the mask arrived.
  EXPECT_LE(first.live.videoFramesSent(0), before + 1);
  for (int camera = 16; camera < 32; ++camera) EXPECT_EQ(second.live.videoFramesSent(camera), 0u) << camera;
}

TEST_F(WallLoopback, EachCamerasDecodingKeepsUpWithinOneFrameInSteadyState) {
#ifdef ZELVO_THREAD_SANITIZER
  GTEST_SKIP() << "decoding at ThreadSanitizer's pace says nothing about keeping up";
#endif
  test::LogCapture captured;
  Recorder recorder(4);
  start(timers, backlog);
  drop(recorder.site(4), 0);
  // Steady state: every plane has been showing pictures for a second.
  ASSERT_TRUE(test::waitUntil([&] { return picturesOnPlanes({0, 1, 2, 3}, 25); }));
  backlog.restart();
  ASSERT_TRUE(test::waitUntil([&] {
    for (int camera = 0; camera < 4; ++camera)
      if (backlog.arrivals(camera) < 50) return false;
    return true;
  }));
  // At each arrival at most one earlier frame of that camera waits or decodes.
  for (int camera = 0; camera < 4; ++camera) EXPECT_LE(backlog.largest(camera), 1u) << "camera " << camera;
  EXPECT_FALSE(captured.contains("Decoder queue full"));
}

TEST_F(WallLoopback, ADroppedConnectionPaintsThePlanesDisconnectedAndIsReconnected) {
  Recorder recorder(4);
  start(mainThreadTimerFactory());  // the reconnecter on real timers, a short period
  controller->setReconnectInterval(0.2);
  controller->setAutoReconnect(true);
  drop(recorder.site(4), 0);
  ASSERT_TRUE(test::waitUntil([&] { return picturesOnPlanes({0, 1, 2, 3}); }));
  log.clear();
  states.clear();
  EXPECT_EQ(recorder.live.dropConnections(), 1);
  ASSERT_TRUE(test::waitUntil([&] { return count("clear([0 1 2 3],gradient,-)") == 1; }));
  ASSERT_TRUE(recorder.emulator.waitForLogins(2));
  ASSERT_TRUE(test::waitUntil([&] { return count("picture(0,352x240") > 0 && states.back() == 9; }));
  // A picture that was on its way as the connection dropped may still be shown before
  // the drop is noticed: only that may come before the disconnection.
  const auto lost = std::find(states.begin(), states.end(), 4);
  EXPECT_TRUE(std::all_of(states.begin(), lost, [](int state) { return state == 9; })) << ::testing::PrintToString(states);
  EXPECT_EQ(std::vector<int>(lost, states.end()), (std::vector<int>{4, 2, 3, 5, 9}));
  EXPECT_EQ(recorder.videoMasks(1).back(), 0x0Fu);

  // Unbinding every plane ends the connection for good: the client leaves the wall
  // and the reconnecter, and nothing holds it any more.
  controller->unbindAllPlanes();
  ASSERT_TRUE(recorder.emulator.waitForClosed(1));
  ASSERT_TRUE(test::waitUntil([&] { return controller->observedClientCount() == 0; }));
  EXPECT_EQ(recorder.emulator.connectionCount(), 2);
}

// The reconnecter's timer fires once, as a tick of the real one would.
void tick(test::FakeTimers& timers) {
  ASSERT_EQ(timers.running_.size(), 1u);
  timers.running_.front()->fire();
}

TEST_F(WallLoopback, ALostConnectionIsRetriedAtTheFirstTickAfterItIsLost) {
  Recorder recorder(4);
  ASSERT_NO_FATAL_FAILURE(streamWithReconnection(recorder, 5));
  for (int cut = 1; cut <= 3; ++cut) {
    states.clear();
    EXPECT_EQ(recorder.live.dropConnections(), 1);
    ASSERT_TRUE(test::waitUntil([&] { return !states.empty() && states.back() == 4; }));
    tick(timers);
    ASSERT_TRUE(recorder.emulator.waitForLogins(cut + 1)) << "cut " << cut;
    ASSERT_TRUE(test::waitUntil([&] { return states.back() == 5; }));
    EXPECT_EQ(recorder.emulator.connectionCount(), cut + 1);
  }
}

// The emulator's own count, which the tests of cuts rely on: a connection it has begun
// to close is not counted again while its client has yet to answer the FIN.
TEST_F(WallLoopback, ADroppedConnectionIsDroppedOnce) {
  Recorder recorder(4);
  ASSERT_NO_FATAL_FAILURE(streamWithReconnection(recorder, 5));
  EXPECT_EQ(recorder.live.dropConnections(), 1);
  EXPECT_EQ(recorder.live.dropConnections(), 0);
  ASSERT_TRUE(test::waitUntil([&] { return !states.empty() && states.back() == 4; }));
  EXPECT_EQ(recorder.live.dropConnections(), 0);
}

// A refusal that the same user and password cannot change is not sent again by
// itself; the operator's connect, or an edit of the site, tries again.
struct RefusalCase {
  const char* name;
  uint8_t code;
  const char* text;
};

class WallLoginRefusal : public WallLoopback, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(WallLoginRefusal, IsShownAndNotRetriedUntilTheOperatorActs) {
  Recorder recorder(4);
  emulator::RecorderConfig config = emulatorOf(4);
  config.loginCode = GetParam().code;
  recorder.emulator.setConfig(config);
  controller->setReconnectInterval(5);
  controller->setAutoReconnect(true);
  auto site = recorder.site(2);
  site->setSiteID(QUrl(QStringLiteral("x-coredata://store/Site/p1")));
  drop(site, 0);
  ASSERT_TRUE(recorder.emulator.waitForConnections(1));
  ASSERT_TRUE(test::waitUntil([&] { return !states.empty() && states.back() == 4; }));
  ASSERT_TRUE(test::waitUntil([&] { return count(std::string("paint(1,") + GetParam().text + ",type 0)") == 1; }));
  EXPECT_EQ(count(std::string("paint(0,") + GetParam().text + ",type 0)"), 1);
  EXPECT_EQ(controller->loginRefusalForSelectedPlane(), std::optional<std::string>(GetParam().text));
  EXPECT_FALSE(controller->autoReconnecter()->isRegistered(controller->networkClientForPlane(0)->networkClient()));
  for (int i = 0; i < 4; ++i) tick(timers);
  EXPECT_EQ(recorder.emulator.connectionCount(), 1);

  // The operator's reconnect asks again: the recorder counts a second login.
  controller->reconnectSelectedPlane();
  ASSERT_TRUE(recorder.emulator.waitForConnections(2));
  ASSERT_TRUE(test::waitUntil([&] { return count(std::string("paint(0,") + GetParam().text + ",type 0)") == 2; }));
  for (int i = 0; i < 4; ++i) tick(timers);
  EXPECT_EQ(recorder.emulator.connectionCount(), 2);

  // The site edited (the recorder now accepts it): the next tick logs in.
  recorder.emulator.setConfig(emulatorOf(4));
  auto edited = recorder.site(2);
  edited->setSiteID(site->siteID());
  edited->setUser(QStringLiteral("admin"));
  controller->siteEdited(*edited);
  tick(timers);
  ASSERT_TRUE(recorder.emulator.waitForLogins(1));
  ASSERT_TRUE(test::waitUntil([&] { return states.back() == 5; }));
  EXPECT_EQ(controller->loginRefusalForSelectedPlane(), std::nullopt);
  EXPECT_EQ(recorder.emulator.connectionCount(), 3);
}

INSTANTIATE_TEST_SUITE_P(Reasons, WallLoginRefusal,
                         ::testing::Values(RefusalCase{"UnknownUser", 3, "Unknown user."},
                                           RefusalCase{"InvalidPassword", 4, "Invalid password"},
                                           RefusalCase{"PermissionDenied", 5, "Permission denied."}),
                         [](const auto& info) { return std::string(info.param.name); });

// Other endings of the handshake go on being retried.
TEST_F(WallLoopback, AFailedLoginOfAnotherKindIsRetriedAtTheNextTick) {
  Recorder recorder(4);
  emulator::RecorderConfig config = emulatorOf(4);
  config.loginCode = 2;
  recorder.emulator.setConfig(config);
  controller->setAutoReconnect(true);
  drop(recorder.site(1), 0);
  ASSERT_TRUE(recorder.emulator.waitForConnections(1));
  ASSERT_TRUE(test::waitUntil([&] { return !states.empty() && states.back() == 4; }));
  EXPECT_EQ(controller->loginRefusalForSelectedPlane(), std::nullopt);
  tick(timers);
  ASSERT_TRUE(recorder.emulator.waitForConnections(2));
}

TEST_F(WallLoopback, AControllerGoingAwayWhileVideoFlowsDoesNotHang) {
  Recorder recorder(4);
  drop(recorder.site(4), 0);
  ASSERT_TRUE(test::waitUntil([&] { return picturesOnPlanes({0, 1, 2, 3}, 5); }));
  // Decoding queues are in or near their hops to this thread, which is not serving
  // events while the controller goes.
  observations.clear();
  controller.reset();
  int pictures = count("picture(");
  recorder.live.dropConnections();
  ASSERT_TRUE(recorder.emulator.waitForClosed(0));
  QCoreApplication::processEvents();
  EXPECT_EQ(count("picture("), pictures);
}

// The interval at 5 s and the recorder cut again and again, the reconnection preference
// announced again unchanged a little after each cut (the main window hands it over on
// every announcement; the preferences' interval field makes one each time it loses the
// focus): the recorder counts one login per cut, each at the first tick after the cut.
TEST_F(WallLoopback, ACutIsRetriedAtTheFirstTickAlsoWhenThePreferenceIsAnnouncedAgain) {
  Recorder recorder(4);
  test::FakeTimerFactory clock;
  start(clock);
  ASSERT_NO_FATAL_FAILURE(streamWithReconnection(recorder, 5));
  for (int cut = 1; cut <= 3; ++cut) {
    SCOPED_TRACE(cut);
    clock.advance(1);  // the cut comes 1 s after a tick
    states.clear();
    EXPECT_EQ(recorder.live.dropConnections(), 1);
    ASSERT_TRUE(test::waitUntil([&] { return !states.empty() && states.back() == 4; }));
    clock.advance(2);
    controller->setReconnectInterval(5);
    controller->setAutoReconnect(true);
    EXPECT_EQ(recorder.emulator.loginCount(), cut) << "no retry before the tick";
    clock.advance(2);  // the first tick after the cut
    ASSERT_TRUE(recorder.emulator.waitForLogins(cut + 1));
    ASSERT_TRUE(test::waitUntil([&] { return states.back() == 5; }));
  }
  EXPECT_EQ(recorder.emulator.connectionCount(), 4);
  EXPECT_EQ(clock.scheduledCount(), 1) << "one timer all along";
}

}  // namespace
}  // namespace zelvo
