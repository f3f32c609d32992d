// The wall's controller against recording fakes: connections and bindings, what
// each table notice and client notice does and in which order, the state codes.
#include "ViewControllers/VideoViewController.h"

#include <gtest/gtest.h>

#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "FakeTimerFactory.h"
#include "WallControllerFixture.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::EventLog;
using test::FakeClient;
using test::FakeState;

TEST_F(WallControllerTest, AwakeRegistersTheDragTypeStartsTheSoundAndBecomesShared) {
  EventLog awakeLog;
  test::FakeView otherView(awakeLog);
  test::FakeAudio otherAudio(awakeLog);
  VideoViewController other(otherView, {&factory, &decoders, &otherAudio, &timers});
  EXPECT_EQ(VideoViewController::sharedController(), controller.get());
  other.awake();
  EXPECT_EQ(awakeLog, (EventLog{"dragType(SitePasteBoard)", "audio.initialize"}));
  EXPECT_EQ(VideoViewController::sharedController(), &other);
  EXPECT_EQ(other.cameraMappingTable().size(), 64u);
}

struct PreferenceCase {
  const char* name;
  QVariant flag, interval, aspect;
  bool running;
  double timerInterval;  // of the running timer
  bool keepAspect;
};

class Preferences : public WallControllerTest, public ::testing::WithParamInterface<PreferenceCase> {};

TEST_P(Preferences, AreReadAtAwake) {
  const PreferenceCase& c = GetParam();
  EventLog awakeLog;
  test::FakeView otherView(awakeLog);
  test::FakeWallPreferences prefs;
  if (c.flag.isValid()) prefs.values_[PreferenceAutoReconnectFlagKey] = c.flag;
  if (c.interval.isValid()) prefs.values_[PreferenceAutoReconnectIntervalKey] = c.interval;
  if (c.aspect.isValid()) prefs.values_[PreferenceAspectRatioKey] = c.aspect;
  test::FakeTimers otherTimers;
  VideoViewController other(otherView, {&factory, &decoders, &audio, &otherTimers});
  other.setPreferences(&prefs);
  other.awake();
  EXPECT_EQ(other.autoReconnect(), c.running);
  EXPECT_EQ(other.autoReconnecter()->isRunning(), c.running);
  EXPECT_EQ(other.autoReconnecter()->interval(), c.timerInterval);
  if (c.running) {
    ASSERT_EQ(otherTimers.running_.size(), 1u);
    EXPECT_EQ(otherTimers.running_[0]->interval(), c.timerInterval);
  }
  EXPECT_EQ(other.keepAspectRatio(), c.keepAspect);
  // The view reads the aspect itself when its GL context is ready.
  EXPECT_EQ(std::count(awakeLog.begin(), awakeLog.end(), "aspect(on)"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    VideoViewController, Preferences,
    ::testing::Values(PreferenceCase{"OnEverySevenSeconds", 1, 7.0, 1, true, 7.0, true},
                      PreferenceCase{"Off", 0, 20.0, 0, false, 20.0, false},
                      PreferenceCase{"OnlyOneIsOn", 2, 10.0, 2, false, 10.0, false},
                      // A missing interval would make a timer without pause: the default stays.
                      PreferenceCase{"MissingInterval", 1, QVariant(), QVariant(), true, 5.0, false},
                      PreferenceCase{"ZeroInterval", 1, 0.0, 0, true, 5.0, false},
                      PreferenceCase{"NothingStored", QVariant(), QVariant(), QVariant(), false, 5.0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WallControllerTest, PreferenceSettersReachTheReconnecterAndTheView) {
  controller->setReconnectInterval(12.5);
  controller->setAutoReconnect(true);
  ASSERT_EQ(timers.running_.size(), 1u);
  EXPECT_EQ(timers.running_[0]->interval(), 12.5);
  controller->setReconnectInterval(-1);
  EXPECT_EQ(controller->reconnectInterval(), 12.5);
  controller->setAutoReconnect(false);
  EXPECT_TRUE(timers.running_.empty());
  controller->setKeepAspectRatio(true);
  EXPECT_EQ(take(), (EventLog{"aspect(on)"}));
  EXPECT_TRUE(controller->keepAspectRatio());
}

// The reconnection preference announced again unchanged (the main window hands the
// flag and the period over on every announcement) leaves the running timer alone, so a
// connection lost just before is still retried at the first tick after the loss.
TEST_F(WallControllerTest, ThePreferenceAnnouncedAgainKeepsTheTickThatRetriesALostConnection) {
  test::FakeTimerFactory clock;
  EventLog otherLog;
  test::FakeView otherView(otherLog);
  test::FakeAudio otherAudio(otherLog);
  VideoViewController wall(otherView, {&factory, &decoders, &otherAudio, &clock});
  wall.awake();
  wall.setReconnectInterval(5);
  wall.setAutoReconnect(true);
  ASSERT_EQ(clock.runningCount(), 1);
  auto s = site();
  s->setCameraCount(2);
  wall.connectToSite(s, 0);
  A()->logIn(4, 4);
  clock.advance(1);
  A()->drop();  // lost at 1 s
  ASSERT_TRUE(wall.autoReconnecter()->isRegistered(A()->networkClient()));
  clock.advance(2);
  // At 3 s the same values are announced again, as the main window passes them on.
  wall.setReconnectInterval(5);
  wall.setAutoReconnect(true);
  EXPECT_EQ(clock.scheduledCount(), 1) << "the running timer was replaced";
  clock.advance(2);
  // The reconnecter's tick at 5 s, the first after the loss, came (a fresh timer made at
  // 3 s would first fire at 8 s).
  int fired = 0;
  for (int id = 0; id < clock.scheduledCount(); ++id) fired += clock.timer(id).fired;
  EXPECT_EQ(fired, 1) << "no tick between the loss and 5 s";
  // A changed period still takes effect at once; off and on again starts afresh.
  wall.setReconnectInterval(8);
  EXPECT_EQ(clock.runningInterval(), std::optional<double>(8));
  wall.setAutoReconnect(false);
  EXPECT_EQ(clock.runningCount(), 0);
  wall.setAutoReconnect(true);
  EXPECT_EQ(clock.runningCount(), 1);
}

// ---- Dropping sites and cameras

struct BindCase {
  const char* name;
  int64_t plane;
  std::optional<qint64> cameraCount;
  std::optional<qint64> index;
  std::vector<std::pair<int64_t, int64_t>> bound;  // plane, camera
};

class SiteDrop : public WallControllerTest, public ::testing::WithParamInterface<BindCase> {};

TEST_P(SiteDrop, BindsConsecutivePlanesBelow64) {
  const BindCase& c = GetParam();
  test::LogCapture logs;
  auto s = site();
  s->setName(QStringLiteral("Depot"));
  s->setCameraCount(c.cameraCount);
  s->setIndex(c.index);
  drop(s, c.plane);
  std::vector<std::pair<int64_t, int64_t>> bound;
  for (int64_t plane = 0; plane < 64; ++plane)
    if (controller->cameraForPlane(plane) >= 0) bound.emplace_back(plane, controller->cameraForPlane(plane));
  EXPECT_EQ(bound, c.bound);
  if (c.bound.empty()) {
    // A drop that shows nothing asks nothing and connects nothing, and says why.
    EXPECT_EQ(count("login?"), 0);
    EXPECT_EQ(factory.madeCount(), 0u);
    EXPECT_EQ(controller->observedClientCount(), 0u);
    EXPECT_TRUE(logs.contains("Site \"Depot\" dropped on plane " + std::to_string(c.plane) + " has no camera count"));
  } else {
    EXPECT_EQ(count("login?"), 1);
    ASSERT_EQ(factory.madeCount(), 1u);
    EXPECT_EQ(count("A.connect(127.0.0.1:5000,admin,secret)"), 1);
  }
  EXPECT_EQ(view.selectedPlane(), c.plane);
}

std::vector<std::pair<int64_t, int64_t>> run(int64_t firstPlane, int64_t cameras) {
  std::vector<std::pair<int64_t, int64_t>> planes;
  for (int64_t k = 0; k < cameras; ++k) planes.emplace_back(firstPlane + k, k);
  return planes;
}

INSTANTIATE_TEST_SUITE_P(VideoViewController, SiteDrop,
                         ::testing::Values(BindCase{"SixteenCamerasOnPlane60", 60, 16, 0, run(60, 4)},
                                           BindCase{"CameraNode5OnPlane2", 2, 16, 5, {{2, 4}}},
                                           BindCase{"FortyCamerasOnPlane0", 0, 40, 0, run(0, 40)},
                                           BindCase{"FourCamerasWithoutIndex", 10, 4, std::nullopt, run(10, 4)},
                                           BindCase{"NoCameras", 0, 0, 0, {}},
                                           BindCase{"NoCameraCount", 7, std::nullopt, 0, {}},
                                           BindCase{"NoCameraCountNorIndex", 3, std::nullopt, std::nullopt, {}},
                                           BindCase{"ANegativeCameraCount", 5, -4, 0, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReuseCase {
  const char* name;
  std::function<void(SiteInfo&)> second;  // changes to the second drop's record
  size_t clients;
};

class Reuse : public WallControllerTest, public ::testing::WithParamInterface<ReuseCase> {};

TEST_P(Reuse, OfTheClientOnTheWall) {
  auto first = site();
  first->setCameraCount(1);
  drop(first, 0);
  auto second = site();
  second->setCameraCount(1);
  GetParam().second(*second);
  drop(second, 1);
  EXPECT_EQ(factory.madeCount(), GetParam().clients);
  EXPECT_EQ(controller->boundNetworkClientCount(), static_cast<int64_t>(GetParam().clients));
}

INSTANTIATE_TEST_SUITE_P(
    VideoViewController, Reuse,
    ::testing::Values(ReuseCase{"SameAddressPortUserAndPassword", [](SiteInfo&) {}, 1},
                      ReuseCase{"AnotherPassword", [](SiteInfo& s) { s.setPassword(QString("other")); }, 2},
                      ReuseCase{"AnotherUser", [](SiteInfo& s) { s.setUser(QString("guest")); }, 2},
                      ReuseCase{"AnotherPasswordFoundByDiscovery",
                                [](SiteInfo& s) {
                                  s.setPassword(QString("other"));
                                  s.setAutoDetect(true);
                                },
                                1},
                      ReuseCase{"AnotherPort", [](SiteInfo& s) { s.setPort(5001); }, 2},
                      ReuseCase{"AnotherSpellingOfTheAddress", [](SiteInfo& s) { s.setAddress(QString("localhost")); },
                                2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WallControllerTest, AnAbsentUserOrPasswordIsTheEmptyText) {
  auto first = site();
  first->setCameraCount(1);
  first->setUser(std::nullopt);
  first->setPassword(QString(""));
  drop(first, 0);
  A()->setState(FakeState::Connecting);
  auto second = site();
  second->setCameraCount(1);
  second->setUser(QString(""));
  second->setPassword(std::nullopt);
  drop(second, 1);
  EXPECT_EQ(factory.madeCount(), 1u);
  EXPECT_EQ(count("A.connect(127.0.0.1:5000,,)"), 1);
}

TEST_F(WallControllerTest, AttachmentsAreKeptOncePerSiteIdentifierButEmptyIdentifiersNeverMatch) {
  auto withID = [&](std::optional<QUrl> id) {
    auto s = site();
    s->setCameraCount(1);
    s->setSiteID(std::move(id));
    return s;
  };
  controller->connectToSite(withID(QUrl("x-zelvo://site/1")), 0);
  controller->connectToSite(withID(QUrl("x-zelvo://site/1")), 1);
  EXPECT_EQ(controller->allSiteInfosForPlane(0).size(), 1u);
  controller->connectToSite(withID(std::nullopt), 2);
  controller->connectToSite(withID(QUrl()), 3);
  EXPECT_EQ(controller->allSiteInfosForPlane(0).size(), 3u);
  EXPECT_EQ(controller->siteInfoForPlane(0), controller->allSiteInfosForPlane(0).back());
}

TEST_F(WallControllerTest, ASiteDroppedOnItsConnectedClientUpdatesTheRecordFirstAndDoesNotConnect) {
  auto first = site();
  first->setCameraCount(2);
  controller->connectToSite(first, 0);
  A()->logIn(8, 8);
  take();
  auto again = site();
  again->setCameraCount(2);
  controller->connectToSite(again, 4);
  EventLog log = take();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "login?");
  // The recorder's eight inputs became the record's count before anything was bound.
  EXPECT_EQ(log[1], "updateSite(8,8)");
  EXPECT_EQ(again->cameraCount(), 8);
  EXPECT_EQ(again->alarmCount(), 4);
  EXPECT_EQ(again->sensorCount(), 16);
  EXPECT_EQ(again->audioCount(), 4);
  EXPECT_EQ(log[2], "clear(4,-,-)");
  EXPECT_EQ(count("A.connect", log), 0);
  EXPECT_EQ(controller->cameraForPlane(11), 7);
}

TEST_F(WallControllerTest, ARecorderWithoutSystemInformationLeavesTheCountsWithALogLine) {
  auto first = site();
  first->setCameraCount(2);
  controller->connectToSite(first, 0);
  A()->setPeerInfo(test::syncInfoWithVideoInputs(8, false));
  A()->setState(FakeState::Connected);
  test::LogCapture logs;
  auto again = site();
  again->setCameraCount(3);
  controller->connectToSite(again, 4);
  EXPECT_EQ(again->cameraCount(), 3);
  EXPECT_TRUE(logs.contains("no system information"));
}

TEST_F(WallControllerTest, ALoginRefusedConnectsNothing) {
  mainWindow.setAnswer(false);
  drop(site(), 0);
  EXPECT_EQ(take(), (EventLog{"login?"}));
  EXPECT_EQ(factory.madeCount(), 0u);
}

TEST_F(WallControllerTest, AConnectingClientIsLeftAlone) {
  controller->connectToSite(site(), 0);
  A()->setState(FakeState::Connecting);
  auto again = site();
  controller->connectToSite(again, 8);
  EXPECT_EQ(A()->connects(), 1);
}

TEST_F(WallControllerTest, AnUndecodableDropIsOnlyALogLine) {
  test::LogCapture logs;
  view.post(VideoViewConnectionTargetDroppedNotification,
            {{VideoViewPlaneKey, int64_t{3}}, {VideoViewConnectionTargetDataKey, QByteArray("not an archive")}});
  EXPECT_TRUE(take().empty());
  EXPECT_TRUE(logs.contains("could not be read"));
  EXPECT_EQ(view.selectedPlane(), 0);
}

// ---- What a bound plane shows

TEST_F(WallControllerTest, ThePlanesOfADisconnectedClientShowTheDisconnectedGradientUntilLogin) {
  auto s = site();
  s->setCameraCount(2);
  controller->connectToSite(s, 0);
  EventLog log = take();
  EXPECT_EQ(log, (EventLog{"login?", "make(A)", "clear(0,gradient,-)", "bound(0)", "audio.stop", "state(0)",
                           "clear(1,gradient,-)", "bound(1)", "A.connect(127.0.0.1:5000,admin,secret)"}));
  A()->setState(FakeState::Connecting);
  A()->post(NetworkWillConnectNotification);
  A()->setPeerInfo(test::syncInfoWithVideoInputs(4));
  A()->setState(FakeState::Connected);
  A()->post(NetworkLoginSucceedNotification);
  EXPECT_EQ(take(), (EventLog{"state(2)", "decoders(A,4)", "reset(A)", "A.video(0x3)", "A.audio(0x1)",
                              "clear([0 1],-,-)", "state(3)"}));
}

TEST_F(WallControllerTest, BindingTheSelectedPlaneOfAConnectedClient) {
  auto s = site();
  s->setCameraCount(1);
  controller->connectToSite(s, 5);
  A()->logIn(4, 4);
  view.selectQuietly(0);
  take();
  auto camera = site();
  camera->setIndex(3);
  controller->connectToSite(camera, 0);
  EXPECT_EQ(take(), (EventLog{"login?", "updateSite(4,4)", "clear(0,-,-)", "reset(A)", "A.video(0x5)", "paint(0,Camera 2)",
                              "bound(0)", "A.audio(0x4)", "audio.stop", "state(0)"}));
}

TEST_F(WallControllerTest, UnbindingTheSelectedPlaneOfAConnectedClient) {
  auto s = site();
  s->setCameraCount(2);
  controller->connectToSite(s, 0);
  A()->logIn(4, 4);
  take();
  controller->closeSelectedPlane();
  EXPECT_EQ(take(), (EventLog{"clear(0,-,title)", "resetColour(0)", "reset(A)", "A.video(0x2)", "unbound(0)",
                              "audio.stop", "A.audio(0x0)", "state(1)"}));
}

TEST_F(WallControllerTest, UnbindingTheSelectedPlaneOfADisconnectedClientStillStopsTheSound) {
  auto s = site();
  s->setCameraCount(1);
  controller->connectToSite(s, 0);
  take();
  view.post(VideoViewDeleteRequestedNotification);
  EXPECT_EQ(take(), (EventLog{"clear(0,-,title)", "resetColour(0)", "unbound(0)", "audio.stop", "state(1)",
                              "A.disconnect"}));
}

TEST_F(WallControllerTest, UnbindingAPlaneThatIsNotSelectedPostsNoState) {
  auto s = site();
  s->setCameraCount(2);
  controller->connectToSite(s, 0);
  take();
  view.selectQuietly(40);
  controller->connectToSite(site(), 1);  // replaces plane 1 with the same client's camera 0
  EXPECT_EQ(count("state("), 0);
}

TEST_F(WallControllerTest, DraggingAPlaneMovesItsCameraAndColoursAndDropsTheClientItReplaced) {
  auto a = site();
  a->setCameraCount(3);
  controller->connectToSite(a, 1);  // plane 3 shows camera 2 of A
  auto b = site("10.0.0.2");
  b->setCameraCount(1);
  controller->connectToSite(b, 9);  // camera 0 of B, B's only plane
  view.configuration(3) = CameraConfiguration{0.25f, 0.5f, -0.25f, 0.1f};
  take();
  view.post(VideoViewPlaneDraggedNotification, {{VideoViewPlaneSourceKey, int64_t{3}}, {VideoViewPlaneTargetKey, int64_t{9}}});
  EventLog log = take();
  EXPECT_EQ(count("B.disconnect", log), 1);
  EXPECT_EQ(count("A.disconnect", log), 0);
  EXPECT_EQ(controller->networkClientForPlane(9), controller->networkClientForPlane(1));
  EXPECT_EQ(controller->cameraForPlane(9), 2);
  EXPECT_EQ(controller->networkClientForPlane(3), nullptr);
  EXPECT_EQ(view.selectedPlane(), 9);
  EXPECT_EQ(view.configuration(9), (CameraConfiguration{0.25f, 0.5f, -0.25f, 0.1f}));
  EXPECT_EQ(view.configuration(3), CameraConfiguration{});
  EXPECT_EQ(log.back(), "colour(9)");
}

TEST_F(WallControllerTest, DraggingOntoItselfOrFromAnEmptyPlaneDoesNothing) {
  auto s = site();
  s->setCameraCount(1);
  controller->connectToSite(s, 0);
  take();
  view.post(VideoViewPlaneDraggedNotification, {{VideoViewPlaneSourceKey, int64_t{0}}, {VideoViewPlaneTargetKey, int64_t{0}}});
  view.post(VideoViewPlaneDraggedNotification, {{VideoViewPlaneSourceKey, int64_t{5}}, {VideoViewPlaneTargetKey, int64_t{0}}});
  EXPECT_TRUE(take().empty());
}

// ---- Camera information

TEST_F(WallControllerTest, AShrinkingCameraListUnbindsThePlanesOfTheCamerasThatWent) {
  auto s = site();
  s->setCameraCount(16);
  controller->connectToSite(s, 0);
  A()->logIn(16, 16);
  take();
  A()->post(LiveCameraInfoUpdatedNotification, {{LiveCameraInfoArrayKey, test::cameraTable(8)}});
  for (int64_t plane = 0; plane < 16; ++plane)
    EXPECT_EQ(controller->cameraForPlane(plane), plane < 8 ? plane : -1) << plane;
  EXPECT_EQ(count("A.disconnect"), 0);
  EXPECT_EQ(count("paint("), 8);
  EXPECT_EQ(take().back(), "state(5)");
}

TEST_F(WallControllerTest, AnEmptyCameraListLeavesThePlanesBound) {
  auto s = site();
  s->setCameraCount(4);
  controller->connectToSite(s, 0);
  A()->logIn(4, 4);
  take();
  A()->post(LiveCameraInfoUpdatedNotification,
            {{LiveCameraInfoArrayKey, CameraInfoArray(std::make_shared<const std::vector<CameraInfo>>())}});
  EXPECT_EQ(take(), (EventLog{"state(5)"}));
  EXPECT_EQ(controller->cameraForPlane(3), 3);
}

TEST_F(WallControllerTest, OneChangedCameraRepaintsItsPlanesWithTheUpdateType) {
  auto s = site();
  s->setCameraCount(4);
  controller->connectToSite(s, 0);
  controller->connectToSite(s, 9);  // cameras 0..3 again on 9..12
  A()->logIn(4, 4);
  take();
  auto cameras = std::make_shared<std::vector<CameraInfo>>(*test::cameraTable(4));
  (*cameras)[2] = test::liveCameraInfo(2, 3, 1, "Gate");
  A()->post(LiveCameraInfoUpdatedNotification,
            {{LiveCameraInfoArrayKey, CameraInfoArray(cameras)}, {LiveDeviceIDKey, int64_t{2}},
             {LiveCameraInfoUpdatedTypeKey, 3}});
  EXPECT_EQ(take(), (EventLog{"paint(2,Gate,type 3)", "paint(11,Gate,type 3)", "state(5)"}));
}

TEST_F(WallControllerTest, ACameraTheListDoesNotHoldIsNotPainted) {
  auto s = site();
  s->setCameraCount(1);
  controller->connectToSite(s, 5);
  A()->logIn(16, 2);
  take();
  auto camera = site();
  camera->setIndex(10);
  controller->connectToSite(camera, 6);
  EXPECT_EQ(count("paint("), 0);
  EXPECT_EQ(controller->cameraInfoForPlane(6), std::nullopt);
  EXPECT_EQ(controller->cameraInfoForPlane(5)->number(), 0);
}

// ---- State codes

struct StateCase {
  const char* name;
  std::string notification;
  int state;
};

class StateCodes : public WallControllerTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(StateCodes, ArePostedOnlyForTheSelectedPlanesClient) {
  auto a = site();
  a->setCameraCount(1);
  controller->connectToSite(a, 0);  // selected
  auto b = site("10.0.0.2");
  b->setCameraCount(1);
  controller->connectToSite(b, 1);
  A()->setState(FakeState::Connected);
  B()->setState(FakeState::Connected);
  A()->setCameras(test::cameraTable(1));
  B()->setCameras(test::cameraTable(1));
  take();
  UserInfo info;
  if (GetParam().notification == LiveCameraInfoUpdatedNotification) info[LiveCameraInfoArrayKey] = test::cameraTable(1);
  B()->post(GetParam().notification, info);
  EXPECT_EQ(count("state("), 0);
  A()->post(GetParam().notification, info);
  EXPECT_EQ(count("state(" + std::to_string(GetParam().state) + ")"), 1);
  EXPECT_EQ(count("state("), 1);
}

INSTANTIATE_TEST_SUITE_P(
    VideoViewController, StateCodes,
    ::testing::Values(StateCase{"WillConnect", NetworkWillConnectNotification, 2},
                      StateCase{"LoginSucceed", NetworkLoginSucceedNotification, 3},
                      StateCase{"Disconnected", NetworkDisconnectedNotification, 4},
                      StateCase{"CameraInfo", LiveCameraInfoUpdatedNotification, 5},
                      StateCase{"AlarmStatus", LiveAlarmStatusUpdatedNotification, 6},
                      StateCase{"Event", LiveEventReceivedNotification, 7},
                      StateCase{"SystemEvent", LiveSystemEventReceivedNotification, 8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WallControllerTest, PresetLabelsArePostedOnlyForTheSelectedCamera) {
  auto s = site();
  s->setCameraCount(2);
  controller->connectToSite(s, 0);
  take();
  A()->post(LivePTZPresetLabelsReceivedNotification, {{LiveDeviceIDKey, int64_t{1}}});
  EXPECT_EQ(count("state("), 0);
  A()->post(LivePTZPresetLabelsReceivedNotification, {{LiveDeviceIDKey, int64_t{0}}});
  EXPECT_EQ(take(), (EventLog{"state(10)"}));
}

TEST_F(WallControllerTest, ASiteDroppedOnPlane0GoesThroughTheStatesInOrder) {
  auto s = site();
  s->setCameraCount(4);
  drop(s, 0);
  A()->logIn(4, 4);
  A()->deliver(test::videoFrameOfCamera(0));
  view.drew({0});
  EventLog states;
  for (const std::string& line : take())
    if (line.rfind("state(", 0) == 0) states.push_back(line);
  EXPECT_EQ(states, (EventLog{"state(0)", "state(2)", "state(3)", "state(5)", "state(9)"}));
}

// ---- Favourites

TEST_F(WallControllerTest, AFavouriteReplacesTheWallAndConnectsEachRecorderOnceWithoutAsking) {
  auto old = site("10.9.9.9");
  old->setCameraCount(1);
  controller->connectToSite(old, 0);
  take();
  auto first = site("10.0.0.1");
  auto second = site("10.0.0.2");
  FavoriteTarget favorite;
  auto entry = [](std::shared_ptr<SiteInfo> s, qint64 camera) {
    auto target = FavoriteCameraTarget::create();
    target->setSiteInfo(std::move(s));
    target->setCamera(camera);
    return target;
  };
  favorite.favoriteCameras() = {{6, entry(first, 2)}, {0, entry(first, 0)}, {5, entry(second, 1)},
                                {1, entry(first, 1)}, {7, nullptr}, {8, entry(nullptr, 0)}};
  test::LogCapture logs;
  controller->connectToFavorite(favorite);
  EventLog log = take();
  EXPECT_EQ(count("login?", log), 0);
  EXPECT_EQ(count("A.disconnect", log), 1);
  EXPECT_EQ(count("B.connect(10.0.0.1", log), 1);
  EXPECT_EQ(count("C.connect(10.0.0.2", log), 1);
  EventLog bound;
  for (const std::string& line : log)
    if (line.rfind("bound(", 0) == 0) bound.push_back(line);
  EXPECT_EQ(bound, (EventLog{"bound(0)", "bound(1)", "bound(5)", "bound(6)"}));
  EXPECT_EQ(controller->cameraForPlane(6), 2);
  EXPECT_EQ(controller->cameraForPlane(7), -1);
  EXPECT_TRUE(logs.contains("names no site"));
}

// ---- Client lifetime

TEST_F(WallControllerTest, AClientLeavingTheWallIsObservedUntilItsDisconnectionNotice) {
  auto s = site();
  s->setCameraCount(1);
  controller->connectToSite(s, 0);
  A()->logIn(4, 4);
  std::weak_ptr<FakeClient> weak = factory.weak(0);
  controller->closeSelectedPlane();
  EXPECT_EQ(count("A.disconnect"), 1);
  EXPECT_FALSE(weak.expired());
  EXPECT_EQ(controller->observedClientCount(), 1u);
  take();
  weak.lock()->drop();
  // Its decoders go with the notice; then its observations, and with them the client.
  EXPECT_EQ(take(), (EventLog{"noDecoders(A)"}));
  EXPECT_EQ(controller->observedClientCount(), 0u);
  EXPECT_TRUE(weak.expired());
}

TEST_F(WallControllerTest, ADisconnectedClientLeavingTheWallIsReleasedAtOnce) {
  auto s = site();
  s->setCameraCount(1);
  controller->connectToSite(s, 0);
  controller->unbindAllPlanes();
  EXPECT_EQ(controller->observedClientCount(), 0u);
  EXPECT_TRUE(factory.weak(0).expired());
}

TEST_F(WallControllerTest, TheReconnecterHoldsDisconnectedClientsThatStillHavePlanes) {
  auto s = site();
  s->setCameraCount(2);
  controller->connectToSite(s, 0);
  A()->logIn(4, 4);
  auto connection = A()->networkClient();
  take();
  A()->drop();
  EXPECT_EQ(take(), (EventLog{"state(4)", "noDecoders(A)", "clear([0 1],gradient,-)"}));
  EXPECT_TRUE(controller->autoReconnecter()->isRegistered(connection));
  A()->post(NetworkWillConnectNotification);
  EXPECT_FALSE(controller->autoReconnecter()->isRegistered(connection));
  A()->drop();
  EXPECT_TRUE(controller->autoReconnecter()->isRegistered(connection));
  controller->unbindAllPlanes();
  EXPECT_FALSE(controller->autoReconnecter()->isRegistered(connection));
}

// Refusals that the same user and password cannot change leave the reconnecter and
// are painted on the planes; the client's next connect, or an edit of its site,
// starts again. Lost connections and other failures stay with the reconnecter.
struct EndCase {
  const char* name;
  int reason;
  const char* refusal;  // null: retried
};

class WallControllerEnd : public WallControllerTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(WallControllerEnd, IsRetriedUnlessTheLoginWasRefused) {
  controller->setAutoReconnect(true);
  auto s = site();
  s->setCameraCount(2);
  s->setSiteID(QUrl("x-zelvo://7"));
  controller->connectToSite(s, 0);
  A()->logIn(4, 4);
  auto connection = A()->networkClient();
  take();
  A()->drop(GetParam().reason);
  const bool refused = GetParam().refusal != nullptr;
  EXPECT_EQ(controller->autoReconnecter()->isRegistered(connection), !refused);
  if (!refused) {
    EXPECT_EQ(take(), (EventLog{"state(4)", "noDecoders(A)", "clear([0 1],gradient,-)"}));
    EXPECT_EQ(controller->loginRefusalForSelectedPlane(), std::nullopt);
    return;
  }
  const std::string text = GetParam().refusal;
  EXPECT_EQ(take(), (EventLog{"state(4)", "noDecoders(A)", "clear([0 1],gradient,-)", "paint(0," + text + ",type 0)",
                              "paint(1," + text + ",type 0)"}));
  EXPECT_EQ(controller->loginRefusalForSelectedPlane(), std::optional<std::string>(text));
  // The reconnecter's ticks leave it alone.
  timers.running_.front()->fire();
  EXPECT_FALSE(controller->autoReconnecter()->isRegistered(connection));

  // An edit of another site changes nothing; an edit of this one brings it back.
  auto other = site();
  other->setSiteID(QUrl("x-zelvo://8"));
  controller->siteEdited(*other);
  EXPECT_FALSE(controller->autoReconnecter()->isRegistered(connection));
  auto edited = site();
  edited->setSiteID(QUrl("x-zelvo://7"));
  edited->setPassword(QStringLiteral("right"));
  controller->siteEdited(*edited);
  EXPECT_TRUE(controller->autoReconnecter()->isRegistered(connection));
  controller->reconnectSelectedPlane();
  EXPECT_EQ(take(), (EventLog{"A.connect(127.0.0.1:5000,admin,right)"}));

  // Connecting again takes the refusal's text off the planes.
  A()->setState(test::FakeState::Connecting);
  A()->post(NetworkWillConnectNotification);
  EXPECT_EQ(take(), (EventLog{"clear([0 1],gradient,title)", "state(2)"}));
  EXPECT_EQ(controller->loginRefusalForSelectedPlane(), std::nullopt);
  A()->drop(NetworkDisconnectionReasonRemoteClosed);
  EXPECT_TRUE(controller->autoReconnecter()->isRegistered(connection));
}

INSTANTIATE_TEST_SUITE_P(Reasons, WallControllerEnd,
                         ::testing::Values(EndCase{"UnknownUser", 3, "Unknown user."},
                                           EndCase{"InvalidPassword", 4, "Invalid password"},
                                           EndCase{"PermissionDenied", 5, "Permission denied."},
                                           EndCase{"Busy", 1, nullptr}, EndCase{"LoginFailed", 6, nullptr},
                                           EndCase{"RemoteClosed", 7, nullptr}, EndCase{"StreamError", 8, nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WallControllerTest, ReconnectingTheSelectedPlaneUsesTheLastAttachedSite) {
  auto s = site();
  s->setCameraCount(1);
  s->setSiteID(QUrl("x-zelvo://1"));
  controller->connectToSite(s, 0);
  auto renamed = site();
  renamed->setCameraCount(1);
  renamed->setSiteID(QUrl("x-zelvo://2"));
  renamed->setPassword(QString("secret"));
  controller->connectToSite(renamed, 1);
  take();
  controller->reconnectSelectedPlane();
  EXPECT_EQ(take(), (EventLog{"A.connect(127.0.0.1:5000,admin,secret)"}));
  view.selectQuietly(30);
  controller->reconnectSelectedPlane();
  EXPECT_TRUE(take().empty());
}

TEST_F(WallControllerTest, AClientWithoutAttachmentsHasNoSiteAndOnlyALogLine) {
  auto s = site();
  s->setCameraCount(1);
  controller->connectToSite(s, 0);
  A()->setAttachments({});
  test::LogCapture logs;
  EXPECT_EQ(controller->siteInfoForSelectedPlane(), nullptr);
  controller->reconnectSelectedPlane();
  EXPECT_EQ(count("A.connect"), 1);
  EXPECT_TRUE(logs.contains("no site attached"));
}

TEST_F(WallControllerTest, DisconnectingAllButOneKeepsThePlanes) {
  auto a = site();
  a->setCameraCount(1);
  controller->connectToSite(a, 0);
  auto b = site("10.0.0.2");
  b->setCameraCount(1);
  controller->connectToSite(b, 1);
  take();
  controller->disconnectAllNetworkClientsExcept(A().get());
  EXPECT_EQ(take(), (EventLog{"B.disconnect"}));
  EXPECT_EQ(controller->boundNetworkClientCount(), 2);
}

}  // namespace
}  // namespace zelvo
