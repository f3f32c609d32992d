// The remote-setup client against the recorder emulator: screen size, pictures,
// busy answers, and input events byte for byte.
#include <gtest/gtest.h>

#include <QThread>

#include <cmath>
#include <limits>
#include <mutex>

#include "support/CallRecorder.h"
#include "Network/Live/NotificationLog.h"
#include "Network/Setup/SetupClient.h"
#include "emulator/LiveMessages.h"
#include "emulator/RecorderEmulator.h"
#include "emulator/SetupRecorder.h"
#include "support/Wait.h"

namespace zelvo::test {
namespace {

using emulator::Bytes;
namespace setup = emulator::setup;

class RecordingSetupDelegate : public SetupClientDelegate, public test::CallRecorder {
 public:
  void setupBusy() override { add("setupBusy"); }
  void setupOSDImageReceived(const std::shared_ptr<const OSDImage>& image) override {
    add("setupOSDImageReceived " + std::to_string(static_cast<int>(image->size().width())));
  }
  void setupOSDScreenSize(QSizeF size, QRectF rect) override {
    add("setupOSDScreenSize " + std::to_string(static_cast<int>(size.width())) + " " +
        std::to_string(static_cast<int>(rect.x())));
  }
};

class SetupLoopback : public testing::Test {
 protected:
  void connect() {
    ASSERT_TRUE(emulator_.start());
    client_->setDelegate(&delegate_);
    client_->connectToHost("127.0.0.1", emulator_.port(), "admin", "admin");
    ASSERT_TRUE(log_.waitForCount(NetworkLoginSucceedNotification, 1));
    ASSERT_TRUE(emulator_.waitForLogins(1));
  }
  void TearDown() override {
    if (client_->isConnected() || client_->isConnecting()) {
      size_t before = log_.count(NetworkDisconnectedNotification);
      client_->disconnect();
      EXPECT_TRUE(log_.waitForCount(NetworkDisconnectedNotification, before + 1));
    }
    client_->setDelegate(nullptr);
  }
  void send(uint16_t type, const Bytes& payload) { ASSERT_TRUE(emulator_.send(type, payload)); }
  // Messages are handled in order: once the size message behind them is posted,
  // whatever they were going to post has been posted.
  void fence() {
    size_t before = log_.count(SetupOSDSizeNotification);
    send(MessageTypeOSDSize, setup::osdSize(1, 1, 0, 0, 1, 1));
    ASSERT_TRUE(log_.waitForCount(SetupOSDSizeNotification, before + 1));
  }
  Bytes nextInput() {
    auto packet = emulator_.waitForPacket(MessageTypeSetupInput);
    return packet ? packet->payload : Bytes{};
  }

  std::shared_ptr<NetworkThread> thread_ = std::make_shared<NetworkThread>();
  emulator::RecorderEmulator emulator_;
  RecordingSetupDelegate delegate_;
  std::shared_ptr<SetupClient> client_ = SetupClient::create(thread_);
  NotificationLog log_{client_.get(),
                       {NetworkLoginSucceedNotification, NetworkDisconnectedNotification, SetupOSDImageNotification,
                        SetupOSDSizeNotification, SetupBusyNotification}};
};

TEST_F(SetupLoopback, SizeMessageGivesScreenAndDialog) {
  connect();
  send(MessageTypeOSDSize, setup::osdSize(800, 600, 100, 50, 500, 350));
  ASSERT_TRUE(log_.waitForCount(SetupOSDSizeNotification, 1));
  Notification n = log_.named(SetupOSDSizeNotification)[0];
  ASSERT_TRUE(n.get<QSizeF>(SetupOSDScreenSizeKey));
  EXPECT_EQ(*n.get<QSizeF>(SetupOSDScreenSizeKey), QSizeF(800, 600));
  ASSERT_TRUE(n.get<QRectF>(SetupOSDDialogRectKey));
  EXPECT_EQ(*n.get<QRectF>(SetupOSDDialogRectKey), QRectF(100, 50, 500, 350));
  EXPECT_EQ(delegate_.calls(), (std::vector<std::string>{"setupOSDScreenSize 800 100"}));
}

TEST_F(SetupLoopback, PictureIsDecodedAtItsOffset) {
  connect();
  Bytes png = emulator::pngPicture(30, 20, 0xFF00FF00);
  send(MessageTypeOSDImage, setup::osdPicture(110, 90, "image/png", png));
  ASSERT_TRUE(log_.waitForCount(SetupOSDImageNotification, 1));
  Notification n = log_.named(SetupOSDImageNotification)[0];
  auto* image = n.get<std::shared_ptr<const OSDImage>>(SetupOSDImageKey);
  ASSERT_TRUE(image && *image);
  EXPECT_EQ((*image)->offset(), QPointF(110, 90));
  EXPECT_EQ((*image)->size(), QSizeF(30, 20));
  EXPECT_EQ((*image)->image().pixel(5, 5), 0xFF00FF00u);
  EXPECT_EQ((*image)->mime(), "image/png");
  EXPECT_EQ(Bytes((*image)->osdData().begin(), (*image)->osdData().end()), png);
  EXPECT_EQ(delegate_.calls(), (std::vector<std::string>{"setupOSDImageReceived 30"}));
  for (const LoggedNotification& seen : log_.all()) EXPECT_TRUE(seen.onMainThread) << seen.notification.name;
}

struct PictureCase {
  const char* name;
  Bytes message;
  bool posted;  // an empty picture of size 0 by 0
};

class Pictures : public SetupLoopback, public testing::WithParamInterface<PictureCase> {};

TEST_P(Pictures, BadPicturesPostEmptyOrAreDropped) {
  const PictureCase& c = GetParam();
  connect();
  send(MessageTypeOSDImage, c.message);
  fence();
  std::vector<Notification> posts = log_.named(SetupOSDImageNotification);
  ASSERT_EQ(posts.size(), c.posted ? 1u : 0u);
  if (c.posted) {
    auto image = *posts[0].get<std::shared_ptr<const OSDImage>>(SetupOSDImageKey);
    EXPECT_TRUE(image->image().isNull());
    EXPECT_EQ(image->size(), QSizeF(0, 0));
  }
}

Bytes cut(Bytes bytes, size_t length) {
  bytes.resize(length);
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pictures,
    testing::Values(
        PictureCase{"NoBytes", setup::osdPicture(0, 0, "image/png", {}), true},
        PictureCase{"CorruptPng", setup::osdPicture(0, 0, "image/png", {0x89, 'P', 'N', 'G', 1, 2, 3}), true},
        PictureCase{"NegativeLength", setup::osdPicture(0, 0, "image/png", {1, 2, 3}, -1), false},
        PictureCase{"LengthBeyondTheMessage",
                    setup::osdPicture(0, 0, "image/png", emulator::pngPicture(2, 2, 0xFFFFFFFF), 100000), false},
        PictureCase{"LargestLength", setup::osdPicture(0, 0, "image/png", {1}, 0x7FFFFFFF), false},
        PictureCase{"CutInTheMime", cut(setup::osdPicture(0, 0, "image/png", {}), 12), false},
        PictureCase{"NoLength", cut(setup::osdPicture(0, 0, "image/png", {}), 20), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupLoopback, BusyIsPostedOnTheNetworkThread) {
  connect();
  // The log hears the post before this observer does: wait for this one's word.
  enum Seen { NotYet, OnTheNetworkThread, OnTheMainThread };
  std::atomic<Seen> seen{NotYet};
  Observation observation(NotificationCenter::defaultCenter(), SetupBusyNotification, client_.get(),
                          [&](const Notification&) { seen = isMainThread() ? OnTheMainThread : OnTheNetworkThread; });
  send(MessageTypeSetupBusy, {});
  ASSERT_TRUE(log_.waitForCount(SetupBusyNotification, 1));
  ASSERT_TRUE(waitUntil([&] { return seen.load() != NotYet; }));
  EXPECT_EQ(seen.load(), OnTheNetworkThread);
  EXPECT_FALSE(log_.all().back().onMainThread);
  EXPECT_EQ(delegate_.calls(), (std::vector<std::string>{"setupBusy"}));
}

TEST_F(SetupLoopback, ClickSendsDownThenUp) {
  connect();
  client_->sendMouseClickAtPoint(QPointF(100.7, 20.2));
  EXPECT_EQ(nextInput(), (Bytes{2, 2, 1, 0, 0, 0x64, 0, 0x14}));
  EXPECT_EQ(nextInput(), (Bytes{2, 3, 1, 0, 0, 0x64, 0, 0x14}));
}

TEST_F(SetupLoopback, InputEventsByteForByte) {
  connect();
  client_->sendMouseInputState(MouseInputStateDown, QPointF(-1, 70000));
  client_->sendMouseInput(MouseInput{MouseInputTypePrimary, MouseInputStateUp, QPointF(1e300, -1e300)});
  client_->sendKeyInput(KeyInput{KeyInputKeyCharacter, KeyInputStateDown, 'a'});
  client_->sendKeyInput(KeyInput{KeyInputKeyReturn, KeyInputStateUp, 0});
  client_->sendKeyInput(KeyInput{KeyInputKeyCharacter, KeyInputStateDown, static_cast<int8_t>(0xE9)});
  EXPECT_EQ(nextInput(), (Bytes{2, 2, 1, 0, 0xFF, 0xFF, 0x11, 0x70}));
  EXPECT_EQ(nextInput(), (Bytes{2, 3, 1, 0, 0xFF, 0xFF, 0, 0}));
  EXPECT_EQ(nextInput(), (Bytes{1, 0, 0, 0, 0, 0, 0, 0x61}));
  EXPECT_EQ(nextInput(), (Bytes{1, 1, 0, 0, 0, 9, 0, 0}));
  EXPECT_EQ(nextInput(), (Bytes{1, 0, 0, 0, 0, 0, 0xFF, 0xE9}));
}

TEST_F(SetupLoopback, MouseAtAPointThatIsNotFiniteIsNotSent) {
  connect();
  LogCapture capture;
  client_->sendMouseClickAtPoint(QPointF(std::nan(""), 1));
  client_->sendMouseInputState(MouseInputStateDown, QPointF(1, std::numeric_limits<double>::infinity()));
  client_->sendKeyInput(KeyInput{KeyInputKeyHome, KeyInputStateDown, 0});
  EXPECT_EQ(nextInput(), (Bytes{1, 0, 0, 0, 0, 3, 0, 0})) << "the key is the first input that arrives";
  EXPECT_TRUE(capture.contains("not finite"));
}

TEST_F(SetupLoopback, SetupRecorderAnswersTheLoginAndAClick) {
  emulator::installSetupRecorder(emulator_);
  connect();
  ASSERT_TRUE(log_.waitForCount(SetupOSDImageNotification, 1));
  EXPECT_EQ(log_.count(SetupOSDSizeNotification), 1u);
  client_->sendMouseClickAtPoint(QPointF(200, 150));
  ASSERT_TRUE(log_.waitForCount(SetupOSDImageNotification, 2));
  auto image = *log_.named(SetupOSDImageNotification)[1].get<std::shared_ptr<const OSDImage>>(SetupOSDImageKey);
  EXPECT_EQ(image->offset(), QPointF(196, 146));
  EXPECT_EQ(image->size(), QSizeF(8, 8));
}

}  // namespace
}  // namespace zelvo::test
