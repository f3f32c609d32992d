// The whole wall on the X server (Xvfb and Mesa in CI): the view with the real
// rendering kit, its controller with real live clients and decoders, and the
// recorder emulator on loopback. The main window's calls are a stub that says yes
// and the sound output a recorder, except in the one test that listens to the
// sound server. Pixels are read back from the view.
// With ZELVO_SCREENSHOT_DIR set, docs/wall-live.png and docs/wall-disconnected.png
// are saved there.
#include <gtest/gtest.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>

#include <QElapsedTimer>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "Decoder/AudioPlayer.h"
#include "Decoder/QtAudioOutput.h"
#include "Foundation/MainThread.h"
#include "Network/MessageType.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/VideoView.h"
#include "ViewControllers/VideoViewController.h"
#include "WallFakes.h"
#include "emulator/LiveRecorder.h"
#include "emulator/RecorderEmulator.h"
#include "emulator/WallMedia.h"
#include "support/MonitorRecording.h"
#include "support/SharedDeviceLock.h"
#include "support/TestApplication.h"
#include "support/TonePower.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using Rgb = emulator::Rgb;

const char* const Titles[] = {"Front door", "Parking lot", "Lobby", "Loading dock"};

struct Recorder {
  Recorder() : live(config()), emulator(recorderConfig()) {
    live.install(emulator);
    EXPECT_TRUE(emulator.start());
  }
  static emulator::LiveRecorderConfig config() {
    emulator::LiveRecorderConfig c;
    c.cameras.clear();
    for (const char* title : Titles) c.cameras.push_back({title, 1, 1, 0, 1, {0, 0, 0, 0}});
    return c;
  }
  static emulator::RecorderConfig recorderConfig() {
    emulator::RecorderConfig c;
    c.videoInCount = 4;
    return c;
  }
  QByteArray siteArchive() const {
    SiteInfo site;
    site.setName(QStringLiteral("Emulated recorder"));
    site.setAddress(QStringLiteral("127.0.0.1"));
    site.setPort(emulator.port());
    site.setUser(QStringLiteral("admin"));
    site.setPassword(QStringLiteral("admin"));
    site.setCameraCount(4);
    site.setIndex(0);
    return archivedDataWithRootObject(site);
  }
  uint32_t lastVideoMask(int connection) const { return lastMask(MessageTypeVideoChannelMask, connection); }
  uint32_t lastAudioMask(int connection) const { return lastMask(MessageTypeAudioChannelMask, connection); }
  uint32_t lastMask(uint16_t type, int connection) const {
    uint32_t mask = 0xDEADBEEF;
    for (const auto& packet : emulator.received())
      if (packet.type == type && packet.connection == connection && packet.payload.size() >= 4)
        mask = uint32_t{packet.payload[0]} << 24 | uint32_t{packet.payload[1]} << 16 |
               uint32_t{packet.payload[2]} << 8 | packet.payload[3];
    return mask;
  }

  emulator::LiveRecorder live;  // outlives its emulator
  emulator::RecorderEmulator emulator;
};

// The most frequent colour of a rectangle (the picture's background, whatever the
// title, the ring and the moving square cover).
Rgb dominantColour(const QImage& image, const QRect& rect) {
  std::map<int, std::pair<int, std::array<long, 3>>> buckets;
  for (int y = rect.top(); y <= rect.bottom(); y += 2)
    for (int x = rect.left(); x <= rect.right(); x += 2) {
      QRgb c = image.pixel(x, y);
      auto& [count, sum] = buckets[(qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3)];
      ++count;
      sum[0] += qRed(c);
      sum[1] += qGreen(c);
      sum[2] += qBlue(c);
    }
  const auto best = std::max_element(buckets.begin(), buckets.end(),
                                     [](const auto& a, const auto& b) { return a.second.first < b.second.first; });
  const auto& [count, sum] = best->second;
  return {static_cast<uint8_t>(sum[0] / count), static_cast<uint8_t>(sum[1] / count),
          static_cast<uint8_t>(sum[2] / count)};
}

bool near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::string text(Rgb c) {
  return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

void saveShot(const QImage& image, const char* name) {
  if (const QByteArray dir = qgetenv("ZELVO_SCREENSHOT_DIR"); !dir.isEmpty()) {
    EXPECT_TRUE(image.save(QDir(QString::fromLocal8Bit(dir)).filePath(name), "PNG")) << name;
  }
}

// The controller's sound through a real player on the sound server, with a count
// of the frames handed to it.
class PlayerAudio : public WallAudioPort {
 public:
  explicit PlayerAudio(AudioPlayer& player) : player_(player) {}
  void initialize() override {}
  void play(const uint8_t* data, int length, const CodecInfo& codec) override {
    ++played_;
    player_.play(data, length, codec);
  }
  void stop() override { player_.stop(); }
  void discardDelayedData() override { player_.discardDelayedData(); }
  int played() const { return played_; }

 private:
  AudioPlayer& player_;
  int played_ = 0;  // main thread only
};

using test::MonitorRecording;
using test::tonePower;

// The wall under test decodes and draws four live cameras in software while CTest runs
// other tests beside it: on a loaded machine its waits get a generous limit. They
// still end as soon as their condition holds.
bool waitForTheWall(const std::function<bool()>& condition) {
  return test::waitUntil(condition, std::chrono::seconds(90));
}

class WallEndToEnd : public ::testing::Test {
 protected:
  static constexpr int Width = 1280, Height = 720;
  // The wall plays the selected camera's sound into the null sink other tests record.
  test::SharedDeviceLock sink{"audio-sink"};

  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server (Xvfb)";
    test::endWithoutLibraryTeardown();
    start(audio);
  }

  void start(WallAudioPort& sound) {
    view = std::make_unique<VideoView>();
    controller = std::make_unique<VideoViewController>(
        *view, VideoViewController::Collaborators{&sharedLiveClientFactory(), &sharedWallDecoders(), &sound,
                                                  &mainThreadTimerFactory()});
    view->setControllerQueries(controller.get());
    controller->setMainWindow(&mainWindow);
    controller->awake();
    observation = Observation(NotificationCenter::defaultCenter(),
                              VideoViewControllerSelectedNetworkClientStateChangedNotification, controller.get(),
                              [this](const Notification& n) {
                                // The connection's states; alarms, events and presets (6, 7,
                                // 8, 10) come in between in any order.
                                int state = *n.get<int>(VideoViewControllerNetworkClientStateKey);
                                if ((state >= 6 && state <= 8) || state == 10) return;
                                if (states.empty() || states.back() != state) states.push_back(state);
                              });
    view->resize(Width, Height);
    view->move(0, 0);
    view->show();
    ASSERT_TRUE(waitForTheWall([&] { return view->renderCount() > 0; }));
    ASSERT_TRUE(view->hasScreen());
  }

  void TearDown() override {
    observation.reset();
    controller.reset();
    view.reset();
  }

  // As the site tree's drag ends over the plane: enter, then drop.
  void dropSite(const QByteArray& archive, int64_t plane) {
    QMimeData data;
    data.setData(PasteBoardTypeConnectionTarget, archive);
    QPoint point = cell(plane).center();
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view.get(), &drop);
  }

  // A plane's cell of the 4 x 4 page, in widget pixels.
  static QRect cell(int64_t plane) {
    int w = Width / 4, h = Height / 4;
    return QRect(int(plane % 4) * w, int(plane / 4) * h, w, h);
  }

  QImage shot() {
    const int seen = view->renderCount();
    EXPECT_TRUE(waitForTheWall([&] { return view->renderCount() > seen + 1; }));
    return view->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }

  // Planes 0 to 3 show cameras 0 to 3 in their own colours.
  bool showsTheCameras(const QImage& image) const {
    for (int camera = 0; camera < 4; ++camera)
      if (!near(dominantColour(image, cell(camera)), emulator::wallCameraColour(camera), 14)) return false;
    return true;
  }

  bool seesStates(const std::vector<int>& tail) const {
    return states.size() >= tail.size() && std::equal(tail.rbegin(), tail.rend(), states.rbegin());
  }

  test::EventLog log;
  test::FakeAudio audio{log};
  test::FakeMainWindow mainWindow{log};
  std::unique_ptr<VideoView> view;
  std::unique_ptr<VideoViewController> controller;
  Observation observation;
  std::vector<int> states;
};

TEST_F(WallEndToEnd, ASiteDroppedOnTheWallIsShownLosesItsRecorderAndComesBack) {
  Recorder recorder;
  controller->setReconnectInterval(600);  // no retry until the disconnected wall was looked at
  controller->setAutoReconnect(true);
  dropSite(recorder.siteArchive(), 0);
  ASSERT_TRUE(recorder.emulator.waitForLogins(1));
  ASSERT_TRUE(waitForTheWall([&] { return recorder.lastVideoMask(0) == 0x0Fu && seesStates({9}); }));
  EXPECT_EQ(states, (std::vector<int>{0, 2, 3, 5, 9}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "login?"), 1);

  // Each plane shows its camera, and the picture moves.
  QImage live;
  ASSERT_TRUE(waitForTheWall([&] {
    live = shot();
    return showsTheCameras(live);
  })) << "plane 0 shows " << text(dominantColour(live, cell(0))) << ", camera 0 is "
      << text(emulator::wallCameraColour(0));
  const QImage first = live.copy(cell(2));
  ASSERT_TRUE(waitForTheWall([&] { return shot().copy(cell(2)) != first; }));
  // The other planes stay black.
  EXPECT_TRUE(near(dominantColour(live, cell(5)), Rgb{0, 0, 0}, 2)) << text(dominantColour(live, cell(5)));
  saveShot(live, "wall-live.png");

  // The recorder goes away: the planes turn to the disconnected gradient, titles kept.
  states.clear();
  ASSERT_EQ(recorder.live.dropConnections(), 1);
  ASSERT_TRUE(waitForTheWall([&] { return seesStates({4}); }));
  const QImage down = shot();
  for (int camera = 0; camera < 4; ++camera) {
    Rgb c = dominantColour(down, cell(camera));
    EXPECT_TRUE(c.r == c.g && c.g == c.b && c.r > 8 && c.r < 70) << camera << " " << text(c);
  }
  saveShot(down, "wall-disconnected.png");

  // A short period: the reconnecter brings the pictures back.
  controller->setReconnectInterval(0.2);
  ASSERT_TRUE(recorder.emulator.waitForLogins(2));
  ASSERT_TRUE(waitForTheWall([&] { return recorder.lastVideoMask(1) == 0x0Fu && seesStates({9}); }));
  // (Pictures already on their way when the connection went may come first.)
  states.erase(states.begin(), std::find(states.begin(), states.end(), 4));
  EXPECT_EQ(states, (std::vector<int>{4, 2, 3, 5, 9}));
  ASSERT_TRUE(waitForTheWall([&] { return showsTheCameras(shot()); }));

  // Unbinding every plane ends the connection for good: nothing holds the client.
  controller->unbindAllPlanes();
  ASSERT_TRUE(recorder.emulator.waitForClosed(1));
  ASSERT_TRUE(waitForTheWall([&] { return controller->observedClientCount() == 0; }));
  EXPECT_EQ(recorder.emulator.connectionCount(), 2);
  EXPECT_TRUE(near(dominantColour(shot(), cell(0)), Rgb{0, 0, 0}, 2));
}

TEST_F(WallEndToEnd, SelectingAPlanePlaysItsCamerasToneAndNoOther) {
  if (!std::getenv("PULSE_SERVER") || QStandardPaths::findExecutable("parec").isEmpty())
    GTEST_SKIP() << "needs a sound server with a null sink (scripts/test-services) and parec";
  TearDown();
  AudioPlayer player(96000, std::make_unique<QtAudioOutput>());
  PlayerAudio sound(player);
  start(sound);
  // Recording from before the first sound: a monitor joined while a stream plays
  // gets the sink's large blocks only.
  QElapsedTimer sinceStart;
  sinceStart.start();
  MonitorRecording recording;
  ASSERT_TRUE(recording.started());
  Recorder recorder;
  dropSite(recorder.siteArchive(), 0);  // plane 0 selected: camera 0's sound
  ASSERT_TRUE(waitForTheWall([&] { return player.isPlaying() && showsTheCameras(shot()); }));
  view->setSelectedPlane(1);
  const qint64 switched = sinceStart.elapsed() * emulator::WallToneRate / 1000;
  const int playedBefore = sound.played();
  ASSERT_TRUE(waitForTheWall([&] { return recorder.lastAudioMask(0) == 0x2u; }));
  // 2.4 s of sound handed to the player since the switch (only the selected camera's
  // reaches it). Counted at the wall, not at the recorder: a wall running behind real
  // time (software GL on a loaded machine) still has seconds of camera 0's older
  // frames on their way in the sockets when the recorder has sent camera 1's.
  ASSERT_TRUE(waitForTheWall([&] { return sound.played() - playedBefore >= 60; }));
  // Until the recording has caught up with what was played.
  const qint64 played = sinceStart.elapsed() * emulator::WallToneRate / 1000;
  ASSERT_TRUE(waitForTheWall([&] { return recording.recorded() >= played - emulator::WallToneRate / 5; }));
  recording.stop();
  std::vector<double> samples = recording.samples();
  ASSERT_GT(samples.size(), 16000u) << recording.errors();
  // From half a second after the switch on: camera 1's tone, not camera 0's (nor its
  // other neighbour's). Measured in tenths of a second and summed, so that the gaps a
  // loaded machine may leave in the sound count for no camera.
  const size_t from = std::min(samples.size(), static_cast<size_t>(switched + emulator::WallToneRate / 2));
  const size_t block = emulator::WallToneRate / 10;
  double own = 0, previous = 0, next = 0;
  for (size_t at = from; at + block <= samples.size(); at += block) {
    std::vector<double> tenth(samples.begin() + static_cast<std::ptrdiff_t>(at),
                              samples.begin() + static_cast<std::ptrdiff_t>(at + block));
    own += tonePower(tenth, emulator::wallToneFrequency(1), emulator::WallToneRate);
    previous += tonePower(tenth, emulator::wallToneFrequency(0), emulator::WallToneRate);
    next += tonePower(tenth, emulator::wallToneFrequency(2), emulator::WallToneRate);
  }
  EXPECT_GT(own, 0.0) << "camera 1 is heard";
  EXPECT_GT(own, 50.0 * previous);
  EXPECT_GT(own, 50.0 * next);
  TearDown();
}

TEST_F(WallEndToEnd, QuittingWhileVideoFlowsDoesNotHang) {
  Recorder recorder;
  dropSite(recorder.siteArchive(), 0);
  ASSERT_TRUE(waitForTheWall([&] { return showsTheCameras(shot()); }));
  // What the application's quit does: the hops to the main thread close first, then
  // the window's objects go while the decoding queues are still busy.
  closeMainThreadHops();
  observation.reset();
  controller.reset();
  view.reset();
  recorder.live.dropConnections();
  reopenMainThreadHopsForTesting();
  QCoreApplication::processEvents();
  SUCCEED() << "no decoding queue was left waiting";
}

}  // namespace
}  // namespace zelvo
