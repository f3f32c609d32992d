// The wall's media side against fakes: which cameras each recorder is asked for,
// where decoded pictures go, which sound is played and when.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Foundation/MainThread.h"
#include "Foundation/SerialQueue.h"
#include "WallControllerFixture.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::EventLog;
using test::FakeState;

class WallMediaTest : public WallControllerTest {
 protected:
  // Client A of four cameras on planes 0..3, logged in, camera table in.
  void connectA(int cameras = 4, int64_t plane = 0) {
    auto s = site();
    s->setCameraCount(cameras);
    controller->connectToSite(s, plane);
    A()->logIn(cameras, cameras);
    take();
  }
  // Every video mask goes out right after that client's pacing was reset.
  void expectResetBeforeEveryVideoMask(const EventLog& lines) {
    for (size_t i = 0; i < lines.size(); ++i) {
      auto at = lines[i].find(".video(");
      if (at == std::string::npos) continue;
      ASSERT_GT(i, 0u);
      EXPECT_EQ(lines[i - 1], "reset(" + lines[i].substr(0, at) + ")") << lines[i];
    }
  }
};

TEST_F(WallMediaTest, TheVideoMaskHoldsOnlyTheCamerasOfTheShownPage) {
  auto s = site();
  s->setCameraCount(1);
  controller->connectToSite(s, 3);  // camera 0 on plane 3
  auto fifth = site();
  fifth->setIndex(6);
  controller->connectToSite(fifth, 20);  // camera 5 on plane 20
  A()->logIn(8, 8);
  take();
  view.setSelectedPlane(16);  // page 1 of 4 x 4: planes 16..31
  EventLog log = take();
  EXPECT_EQ(count("A.video(0x20)", log), 1);
  expectResetBeforeEveryVideoMask(log);
  view.setSelectedPlane(40);  // page 2: none of A's cameras
  log = take();
  EXPECT_EQ(count("A.video(0x0)", log), 1);
  expectResetBeforeEveryVideoMask(log);
  view.setPlanesPerPage(64);
  log = take();
  EXPECT_EQ(log, (EventLog{"reset(A)", "A.video(0x21)"}));
}

TEST_F(WallMediaTest, EveryClientOnTheWallGetsItsMaskWhenThePageChanges) {
  connectA(2);
  auto b = site("10.0.0.2");
  b->setCameraCount(2);
  controller->connectToSite(b, 20);
  take();
  view.setPlanesPerPage(25);
  EventLog log = take();
  EXPECT_EQ(log, (EventLog{"reset(A)", "A.video(0x3)", "reset(B)", "B.video(0x3)"}));
}

TEST_F(WallMediaTest, EveryVideoMaskOfALoginAndOfBindingIsPrecededByAReset) {
  auto s = site();
  s->setCameraCount(3);
  controller->connectToSite(s, 0);
  A()->logIn(4, 4);
  controller->connectToSite(s, 8);
  controller->closeSelectedPlane();
  view.setSelectedPlane(20);
  EXPECT_GE(count(".video("), 5);
  expectResetBeforeEveryVideoMask(log);
}

TEST_F(WallMediaTest, AFortyCameraSiteBindsEveryPlaneButMasksOnlyCameras0To31) {
  auto s = site();
  s->setCameraCount(40);
  controller->connectToSite(s, 0);
  A()->logIn(40, 40);
  view.setPlanesPerPage(64);
  EXPECT_EQ(log.back(), "A.video(0xFFFFFFFF)");
  EXPECT_EQ(controller->cameraForPlane(39), 39);
  take();
  view.setSelectedPlane(35);
  EXPECT_EQ(take(), (EventLog{"A.audio(0x0)", "audio.stop"}));
  A()->deliver(test::audioFrameOfCameras(0xFFFFFFFF));
  EXPECT_FALSE(controller->isAudioFrame(*test::audioFrameOfCameras(0xFFFFFFFF), A().get(), 35));
  EXPECT_EQ(count("audio.play"), 0);
  EXPECT_EQ(VideoViewController::convertNumbersToBitMask32({0, 31, 32, 63, -1}).asUint32(), 0x80000001u);
  EXPECT_EQ(VideoViewController::convertNumbersToBitMask32({}).asUint32(), 0u);
}

struct SelectionCase {
  const char* name;
  int64_t plane;
  FakeState stateOfA;
  EventLog expected;
};

class Selection : public WallMediaTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(Selection, SendsAudioMasksOnlyForABoundConnectedPlane) {
  auto a = site();
  a->setCameraCount(3);
  controller->connectToSite(a, 2);  // camera 2 on plane 4
  auto b = site("10.0.0.2");
  b->setCameraCount(1);
  controller->connectToSite(b, 10);
  A()->setState(GetParam().stateOfA);
  B()->setState(FakeState::Connected);
  view.selectQuietly(1);
  take();
  view.setSelectedPlane(GetParam().plane);
  EXPECT_EQ(take(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    VideoViewController, Selection,
    ::testing::Values(SelectionCase{"AConnectedClientsCamera", 4, FakeState::Connected,
                                    {"A.audio(0x4)", "B.audio(0x0)", "audio.stop"}},
                      SelectionCase{"AnUnboundPlane", 7, FakeState::Connected, {"audio.stop"}},
                      SelectionCase{"ADisconnectedClientsCamera", 4, FakeState::Disconnected, {"audio.stop"}},
                      SelectionCase{"AConnectingClientsCamera", 4, FakeState::Connecting, {"audio.stop"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WallMediaTest, ALoginSendsTheSelectedCamerasAudioMask) {
  auto s = site();
  s->setCameraCount(4);
  controller->connectToSite(s, 0);
  view.selectQuietly(2);
  A()->logIn(4, 4);
  EXPECT_EQ(count("A.audio(0x4)"), 1);
}

// ---- Pictures

TEST_F(WallMediaTest, APictureGoesToEveryPlaneOfItsCameraInPlaneOrderUnderOneLock) {
  connectA(4, 10);  // cameras 0..3 on planes 10..13
  auto third = site();
  third->setIndex(4);
  controller->connectToSite(third, 1);  // camera 3 on plane 1
  controller->connectToSite(third, 9);  // and on plane 9
  view.selectQuietly(20);
  take();
  A()->deliver(test::videoFrameOfCamera(3));
  // Straight to the planes' slots: no context lock on the way.
  EXPECT_EQ(take(), (EventLog{"decode(A,3)", "picture(1,704x480,1.0)", "picture(9,704x480,1.0)",
                              "picture(13,704x480,1.0)"}));
}

struct ScaleCase {
  uint16_t width, height;
  float scale;
};

class VerticalScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(VerticalScale, DoublesOnlyWideFlatPictures) {
  EXPECT_EQ(VideoViewController::verticalScaleForPicture(GetParam().width, GetParam().height), GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(VideoViewController, VerticalScale,
                         ::testing::Values(ScaleCase{704, 240, 2.0f}, ScaleCase{704, 480, 1.0f},
                                           ScaleCase{352, 240, 1.0f}, ScaleCase{501, 299, 2.0f},
                                           ScaleCase{500, 299, 1.0f}, ScaleCase{501, 300, 1.0f}));

TEST_F(WallMediaTest, AFieldPictureIsDrawnAtDoubleHeight) {
  connectA();
  take();
  decoders.setPicture(704, 240);
  A()->deliver(test::videoFrameOfCamera(1));
  EXPECT_EQ(count("picture(1,704x240,2.0)"), 1);
}

TEST_F(WallMediaTest, ADecoderWithoutAPictureLogsAndDrawsNothing) {
  connectA();
  decoders.setProducesPictures(false);
  test::LogCapture logs;
  A()->deliver(test::videoFrameOfCamera(0));
  EXPECT_EQ(take(), (EventLog{"decode(A,0)"}));
  EXPECT_TRUE(logs.contains("DECODER ERROR"));
}

TEST_F(WallMediaTest, AFrameOfACameraWithoutADecoderSlotIsNeverDecoded) {
  auto s = site();
  s->setCameraCount(8);
  controller->connectToSite(s, 0);
  A()->logIn(4, 8);  // the recorder has four video inputs, whatever its table says
  take();
  A()->deliver(test::videoFrameOfCamera(5));
  A()->deliver(test::videoFrameOfCamera(3));
  EXPECT_EQ(count("decode("), 1);
  EXPECT_EQ(count("decode(A,3)"), 1);
}

// The channel comes from the wire: whatever it says, only a camera with a decoder
// slot is decoded, even where a plane shows that camera.
TEST_F(WallMediaTest, AFrameWithAChannelOutsideTheDecoderSlotsIsDropped) {
  auto s = site();
  s->setCameraCount(8);
  controller->connectToSite(s, 0);  // cameras 0..7 on planes 0..7
  A()->logIn(4, 8);
  take();
  struct Hostile {
    const char* name;
    uint32_t channelMask;
  };
  for (const Hostile& frame : {Hostile{"the decoder count itself", 1u << 4}, Hostile{"a bound camera past the slots", 1u << 7},
                               Hostile{"the last channel", 1u << 31}, Hostile{"no channel (-1)", 0u}}) {
    emulator::live::Frame description;
    description.channelMask = frame.channelMask;
    description.data = {0, 0, 0, 1, 9};
    A()->deliver(test::receivedFrame(description));
    EXPECT_EQ(count("decode("), 0) << frame.name;
  }
  A()->deliver(test::videoFrameOfCamera(3));
  EXPECT_EQ(take(), (EventLog{"decode(A,3)", "picture(3,704x480,1.0)"}));
}

// The controller's routing is reached from a client's network thread: a client has a
// frame handler from its making until the controller lets it go, and none after.
TEST_F(WallMediaTest, AClientHasAFrameHandlerOnlyWhileTheControllerObservesIt) {
  auto s = site();
  s->setCameraCount(1);
  controller->connectToSite(s, 0);
  std::shared_ptr<test::FakeClient> a = A();
  auto other = site("10.0.0.2");
  other->setCameraCount(1);
  controller->connectToSite(other, 1);
  std::shared_ptr<test::FakeClient> b = B();
  EXPECT_TRUE(a->hasMediaFrameHandler());
  EXPECT_TRUE(b->hasMediaFrameHandler());
  controller->closeSelectedPlane();  // A leaves the wall, down already: let go at once
  EXPECT_EQ(controller->observedClientCount(), 1u);
  EXPECT_FALSE(a->hasMediaFrameHandler());
  take();
  a->deliver(test::videoFrameOfCamera(0));
  EXPECT_TRUE(take().empty());
  controller.reset();
  EXPECT_FALSE(b->hasMediaFrameHandler());
}

TEST_F(WallMediaTest, AFrameBeforeLoginOrAfterTheDisconnectionIsNeverDecoded) {
  auto s = site();
  controller->connectToSite(s, 0);
  A()->deliver(test::videoFrameOfCamera(0));
  A()->logIn(4, 4);
  A()->drop();
  take();
  A()->deliver(test::videoFrameOfCamera(0));
  EXPECT_EQ(count("decode("), 0);
}

TEST_F(WallMediaTest, AClientDisconnectedWhileItsPictureDecodedDrawsNothing) {
  connectA();
  decoders.setHold(true);
  A()->deliver(test::videoFrameOfCamera(0));
  A()->setState(FakeState::Disconnected);
  take();
  decoders.runHeld();
  EXPECT_TRUE(take().empty());
}

TEST_F(WallMediaTest, TheSelectedCamerasPicturesPostTheirTimeAndTrimTheSound) {
  connectA();
  view.selectQuietly(1);
  A()->deliver(test::videoFrameOfCamera(1));
  // Told once the view has drawn the picture, not when it was handed over.
  EXPECT_EQ(take(), (EventLog{"decode(A,1)", "picture(1,704x480,1.0)"}));
  view.drew({1});
  EXPECT_EQ(take(), (EventLog{"state(9)", "audio.discard"}));
  ASSERT_EQ(frameTimes.size(), 1u);
  EXPECT_EQ(frameTimes[0].date().year(), 2026);
  // Once per render, however many pictures it drew.
  A()->deliver(test::videoFrameOfCamera(1));
  A()->deliver(test::videoFrameOfCamera(1));
  take();
  view.drew({0, 1, 2});
  EXPECT_EQ(take(), (EventLog{"state(9)", "audio.discard"}));
  A()->deliver(test::videoFrameOfCamera(2));
  view.drew({2});
  EXPECT_EQ(take(), (EventLog{"decode(A,2)", "picture(2,704x480,1.0)"}));
  // A render that drew no new picture of the selected plane tells nothing.
  view.drew({2, 3});
  EXPECT_TRUE(take().empty());
}

// ---- Sound

struct AudioCase {
  const char* name;
  uint32_t relatedMask;
  int status, covert;
  bool cameraTable, codec, played;
};

class AudioFrames : public WallMediaTest, public ::testing::WithParamInterface<AudioCase> {};

TEST_P(AudioFrames, PlayOnlyForTheSelectedVisibleCamera) {
  const AudioCase& c = GetParam();
  connectA();
  view.setSelectedPlane(2);
  auto cameras = std::make_shared<std::vector<CameraInfo>>(*test::cameraTable(4));
  (*cameras)[2] = test::liveCameraInfo(2, c.status, c.covert);
  A()->setCameras(c.cameraTable ? CameraInfoArray(cameras) : CameraInfoArray(std::make_shared<std::vector<CameraInfo>>()));
  take();
  A()->deliver(test::audioFrameOfCameras(c.relatedMask, c.codec));
  if (c.played)
    EXPECT_EQ(take(), (EventLog{"queue(A,2)", "audio.play(40)"}));
  else
    EXPECT_TRUE(take().empty());
}

INSTANTIATE_TEST_SUITE_P(
    VideoViewController, AudioFrames,
    ::testing::Values(AudioCase{"OfTheSelectedCamera", 0x4, 1, 1, true, true, true},
                      AudioCase{"RelatedToSeveralCameras", 0x6, 1, 1, true, true, true},
                      AudioCase{"OfAnotherCamera", 0x2, 1, 1, true, true, false},
                      AudioCase{"VideoLoss", 0x4, 3, 1, true, true, false},
                      AudioCase{"Inactive", 0x4, 2, 1, true, true, false},
                      AudioCase{"Covert", 0x4, 1, 2, true, true, false},
                      AudioCase{"BeforeTheCameraTable", 0x4, 1, 1, false, true, false},
                      AudioCase{"WithoutCodecInformation", 0x4, 1, 1, true, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WallMediaTest, SoundOfAnotherClientIsNotPlayed) {
  connectA();
  auto b = site("10.0.0.2");
  b->setCameraCount(1);
  controller->connectToSite(b, 10);
  B()->logIn(1, 1);
  take();
  B()->deliver(test::audioFrameOfCameras(0x1));
  EXPECT_EQ(count("audio.play"), 0);
}

TEST_F(WallMediaTest, SoundQueuedBeforeTheSelectionMovedIsDropped) {
  connectA();
  decoders.setHold(true);
  A()->deliver(test::audioFrameOfCameras(0x1));
  view.selectQuietly(1);
  take();
  decoders.runHeld();
  EXPECT_TRUE(take().empty());
}

TEST_F(WallMediaTest, SoundWithoutADecodingQueueIsDroppedWithALogLine) {
  connectA();
  decoders.setHasQueue(false);
  test::LogCapture logs;
  A()->deliver(test::audioFrameOfCameras(0x1));
  EXPECT_TRUE(take().empty());
  EXPECT_TRUE(logs.contains("No decoding queue"));
}

// Decodes on a real serial queue of its own, as the decoder group does: the
// handler runs there and the picture is shown through the waiting hop.
class QueuedDecoders : public test::FakeDecoders {
 public:
  explicit QueuedDecoders(EventLog& log) : FakeDecoders(log) {}
  ~QueuedDecoders() override { open(); }
  void asyncDecodeMediaFrame(const MediaFrame& frame, const LiveClientPort& client,
                             CompletionHandler handler) override {
    (void)frame;
    (void)client;
    queue_.async([this, handler] {
      {
        std::unique_lock lock(mutex_);
        decoding_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
      }
      DecodedVideoFrame picture;
      picture.gotPicture = true;
      picture.width = 352;
      picture.height = 240;
      handler(picture);
    });
  }
  bool dispatchAsyncOnQueueForCamera(int64_t, const LiveClientPort&, std::function<void()> task) override {
    queue_.async(std::move(task));
    return true;
  }
  // Lets the decoding go on.
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void waitUntilDecoding() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return decoding_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  bool decoding_ = false;
  SerialQueue queue_{"com.ostrel-security.decoder"};
};

TEST_F(WallMediaTest, SoundIsPlayedOnlyAfterTheEarlierPictureOfItsCameraWasUploaded) {
  QueuedDecoders queued(log);
  VideoViewController wall(view, {&factory, &queued, &audio, &timers});
  wall.awake();
  auto s = site();
  s->setCameraCount(1);
  wall.connectToSite(s, 0);
  A()->logIn(1, 1);
  take();
  A()->deliver(test::videoFrameOfCamera(0));
  A()->deliver(test::audioFrameOfCameras(0x1));
  // The sound was handed to the camera's queue while its picture still decodes.
  EXPECT_EQ(count("audio.play"), 0);
  queued.open();
  ASSERT_TRUE(test::waitUntil([&] { return count("audio.play") == 1; }));
  EXPECT_LT(indexOf("picture(0,352x240,1.0)"), indexOf("audio.play"));
}

TEST_F(WallMediaTest, AControllerGoingAwayWhilePicturesDecodeLeavesNoQueueWaiting) {
  auto queued = std::make_unique<QueuedDecoders>(log);
  auto wall = std::make_unique<VideoViewController>(view, VideoViewController::Collaborators{&factory, queued.get(), &audio, &timers});
  wall->awake();
  auto s = site();
  s->setCameraCount(1);
  wall->connectToSite(s, 0);
  A()->logIn(1, 1);
  A()->deliver(test::videoFrameOfCamera(0));
  queued->waitUntilDecoding();
  // The controller goes while the picture decodes; the queue then finishes it without
  // a way to the view, and without waiting for this thread, which serves no events.
  wall.reset();
  queued->open();
  queued.reset();  // joins the decoding thread
  QCoreApplication::processEvents();
  EXPECT_EQ(count("picture("), 0);
}

}  // namespace
}  // namespace zelvo
