// Live media frames: accepted only after a non-empty video mask, delivered whole
// and in order, to the media-frame handler on the network thread or else posted;
// hostile frames are dropped.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "Foundation/MainThread.h"
#include "Network/Live/LiveLoopback.h"

namespace zelvo::test {
namespace {

using emulator::Bytes;
namespace live = emulator::live;

std::shared_ptr<const MediaFrame> frameOf(const Notification& n) {
  auto* frame = n.get<std::shared_ptr<const MediaFrame>>(LiveMediaFrameKey);
  return frame ? *frame : nullptr;
}

Bytes dataOf(const MediaFrame& frame) { return Bytes(frame.data(), frame.data() + frame.mediaDataSize()); }

live::Frame videoFrame(uint64_t index, Bytes data) {
  live::Frame frame;
  frame.syncIndex = static_cast<uint16_t>(index);
  frame.channelMask = 0x4;
  frame.mediaID = 1000 + index;
  frame.width = 704;
  frame.height = 480;
  frame.timeStamp = index * 40000;
  frame.data = std::move(data);
  frame.title = "CAM3";
  frame.codec = "HiSi3531h264base1.00";
  return frame;
}

class LiveMedia : public LiveLoopback {
 protected:
  void requestVideo(uint32_t mask) {
    client_->sendVideoChannelMask(BitMask32(mask));
    auto packet = emulator_->waitForPacket(MessageTypeVideoChannelMask);
    ASSERT_TRUE(packet);
  }
};

TEST_F(LiveMedia, FramesBeforeAVideoMaskAreDropped) {
  connect();
  EXPECT_FALSE(client_->receiveMedia());
  send(MessageTypeLiveMediaFrame, live::mediaFrame(videoFrame(0, {1, 2, 3})));
  client_->sendAudioChannelMask(BitMask32(0x4));
  ASSERT_TRUE(emulator_->waitForPacket(MessageTypeAudioChannelMask));
  send(MessageTypeLiveMediaFrame, live::mediaFrame(videoFrame(1, {1, 2, 3})));
  fence();
  EXPECT_EQ(log_->count(LiveMediaFrameReceivedNotification), 0u) << "an audio mask alone accepts nothing";
}

TEST_F(LiveMedia, H264PicturesArriveWholeAndInOrder) {
  connect();
  requestVideo(0x4);
  EXPECT_TRUE(client_->receiveMedia());
  std::vector<Bytes> pictures = emulator::h264Frames("d1_baseline.264");
  ASSERT_EQ(pictures.size(), 25u);
  for (size_t i = 0; i < pictures.size(); ++i)
    send(MessageTypeLiveMediaFrame, live::mediaFrame(videoFrame(i, pictures[i])));
  ASSERT_TRUE(log_->waitForCount(LiveMediaFrameReceivedNotification, pictures.size()));
  std::vector<Notification> posts = log_->named(LiveMediaFrameReceivedNotification);
  for (size_t i = 0; i < pictures.size(); ++i) {
    auto frame = frameOf(posts[i]);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->type(), MediaFrameTypeVideo);
    EXPECT_EQ(frame->syncIndex(), i);
    EXPECT_EQ(frame->mediaID(), 1000 + i);
    EXPECT_EQ(frame->timeStamp(), i * 40000);
    EXPECT_EQ(frame->channel(), 2);
    EXPECT_EQ(frame->width(), 704);
    EXPECT_EQ(dataOf(*frame), pictures[i]) << i;
    EXPECT_EQ(frame->title(), std::optional<std::string>("CAM3"));
    CodecInfo codec;
    ASSERT_TRUE(frame->getCodecInfo(&codec));
    EXPECT_TRUE(CodecTagEquals(codec.vendor(), CodecTagHiSi));
    EXPECT_TRUE(CodecTagEquals(codec.chip(), CodecTag3531));
    EXPECT_TRUE(CodecTagEquals(codec.codes[2], CodecTagH264));
  }
  for (const LoggedNotification& seen : log_->all()) EXPECT_TRUE(seen.onMainThread);
}

TEST_F(LiveMedia, AudioFramesInTheRecorderLayoutArrive) {
  connect();
  requestVideo(0x1);
  std::vector<Bytes> sounds = emulator::lengthPrefixedFrames("tone_i320_8k.adpcm");
  ASSERT_FALSE(sounds.empty());
  live::Frame frame;
  frame.type = 1;
  frame.channelMask = 0x1;
  frame.relatedChannelMask = 0x1;
  frame.data = sounds[0];
  frame.codec = "HiSiI320apcmima 1.00";
  frame.littleEndianOptions = false;  // the other marker order
  send(MessageTypeLiveMediaFrame, live::mediaFrame(frame));
  ASSERT_TRUE(log_->waitForCount(LiveMediaFrameReceivedNotification, 1));
  auto received = frameOf(log_->named(LiveMediaFrameReceivedNotification)[0]);
  ASSERT_TRUE(received);
  EXPECT_EQ(received->type(), MediaFrameTypeAudio);
  EXPECT_TRUE(received->relatedChannelMask().isSet(0));
  EXPECT_EQ(dataOf(*received), sounds[0]);
  CodecInfo codec;
  ASSERT_TRUE(received->getCodecInfo(&codec));
  EXPECT_TRUE(CodecTagEquals(codec.chip(), CodecTagI320));
}

TEST_F(LiveMedia, AnEmptyVideoMaskStopsMediaEvenWithAudioRequested) {
  connect();
  requestVideo(0x1);
  client_->sendAudioChannelMask(BitMask32(0x1));
  client_->clearVideoChannelMask();
  auto cleared = emulator_->waitForPacket(MessageTypeVideoChannelMask);
  ASSERT_TRUE(cleared);
  EXPECT_EQ(cleared->payload, Bytes(8, 0));
  EXPECT_FALSE(client_->receiveMedia());
  live::Frame audio;
  audio.type = 1;
  audio.data = {1, 2};
  send(MessageTypeLiveMediaFrame, live::mediaFrame(audio));
  send(MessageTypeLiveMediaFrame, live::mediaFrame(videoFrame(0, {1})));
  fence();
  EXPECT_EQ(log_->count(LiveMediaFrameReceivedNotification), 0u);
}

// What a media-frame handler saw, from the network thread.
struct HandledFrames {
  std::mutex mutex;
  std::vector<std::shared_ptr<const MediaFrame>> frames;
  bool anyOnMainThread = false;

  LiveClient::MediaFrameHandler handler() {
    return [this](const std::shared_ptr<const MediaFrame>& frame) {
      std::lock_guard lock(mutex);
      frames.push_back(frame);
      anyOnMainThread = anyOnMainThread || isMainThread();
    };
  }
  size_t count() {
    std::lock_guard lock(mutex);
    return frames.size();
  }
};

TEST_F(LiveMedia, WithAHandlerFramesGoToItOnTheNetworkThreadAndAreNotPosted) {
  connect();
  HandledFrames handled;
  client_->setMediaFrameHandler(handled.handler());
  requestVideo(0x4);
  live::Frame audio;
  audio.type = 1;
  audio.channelMask = 0x4;
  audio.relatedChannelMask = 0x4;
  audio.data = {1, 2};
  send(MessageTypeLiveMediaFrame, live::mediaFrame(videoFrame(0, {1, 2, 3})));
  send(MessageTypeLiveMediaFrame, live::mediaFrame(audio));
  send(MessageTypeLiveMediaFrame, live::mediaFrame(videoFrame(1, {4})));
  fence();
  {
    std::lock_guard lock(handled.mutex);
    ASSERT_EQ(handled.frames.size(), 3u);
    EXPECT_EQ(handled.frames[0]->syncIndex(), 0);
    EXPECT_EQ(handled.frames[1]->type(), MediaFrameTypeAudio);
    EXPECT_EQ(handled.frames[2]->syncIndex(), 1);
    EXPECT_FALSE(handled.anyOnMainThread);
  }
  EXPECT_EQ(log_->count(LiveMediaFrameReceivedNotification), 0u);

  // Cleared: posted again.
  client_->setMediaFrameHandler({});
  send(MessageTypeLiveMediaFrame, live::mediaFrame(videoFrame(2, {5})));
  ASSERT_TRUE(log_->waitForCount(LiveMediaFrameReceivedNotification, 1));
  EXPECT_EQ(frameOf(log_->named(LiveMediaFrameReceivedNotification)[0])->syncIndex(), 2);
  EXPECT_EQ(handled.count(), 3u);
}

// Clearing the handler while frames arrive waits for a call in progress, and once it
// has returned the handler is never called again: what it reaches may go right after.
TEST_F(LiveMedia, AClearedHandlerIsNeverCalledAfterTheClearingReturns) {
  connect();
  requestVideo(0x1);
  constexpr uint16_t Frames = 200;
  constexpr size_t HeldAt = 20;
  std::mutex mutex;
  std::condition_variable changed;
  size_t calls = 0;
  bool clearing = false, inCall = false, calledAfterClearing = false;
  auto gone = std::make_shared<std::atomic<bool>>(false);  // what the handler reaches
  client_->setMediaFrameHandler([&, gone](const std::shared_ptr<const MediaFrame>&) {
    std::unique_lock lock(mutex);
    if (gone->load()) calledAfterClearing = true;
    inCall = true;
    ++calls;
    changed.notify_all();
    // One call is held until the main thread is about to clear, so that the clearing
    // meets a call in progress and the frames behind it.
    if (calls == HeldAt) changed.wait_for(lock, std::chrono::seconds(20), [&] { return clearing; });
    inCall = false;
  });
  for (uint16_t i = 0; i < Frames; ++i) send(MessageTypeLiveMediaFrame, live::mediaFrame(videoFrame(i, {1})));
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(20), [&] { return calls >= HeldAt; }));
    clearing = true;
    changed.notify_all();
  }
  client_->setMediaFrameHandler({});
  {
    std::lock_guard lock(mutex);
    EXPECT_FALSE(inCall) << "the clearing returned while the handler still ran";
  }
  gone->store(true);
  // Every frame arrives once: to the handler before the clearing, posted after it.
  ASSERT_TRUE(test::waitUntil([&] {
    std::lock_guard lock(mutex);
    return calls + log_->count(LiveMediaFrameReceivedNotification) == Frames;
  }));
  fence();
  std::lock_guard lock(mutex);
  EXPECT_FALSE(calledAfterClearing);
  EXPECT_EQ(calls + log_->count(LiveMediaFrameReceivedNotification), Frames);
}

struct HostileFrameCase {
  const char* name;
  Bytes message;
  bool kept;
};

class HostileFrames : public LiveMedia, public testing::WithParamInterface<HostileFrameCase> {};

TEST_P(HostileFrames, AreDroppedOrKeptWithoutHarm) {
  const HostileFrameCase& c = GetParam();
  connect();
  requestVideo(0x1);
  send(MessageTypeLiveMediaFrame, c.message);
  // A good frame behind it still arrives.
  send(MessageTypeLiveMediaFrame, live::mediaFrame(videoFrame(7, {9, 9})));
  size_t expected = c.kept ? 2 : 1;
  ASSERT_TRUE(log_->waitForCount(LiveMediaFrameReceivedNotification, expected));
  fence();
  std::vector<Notification> posts = log_->named(LiveMediaFrameReceivedNotification);
  ASSERT_EQ(posts.size(), expected);
  EXPECT_EQ(frameOf(posts.back())->syncIndex(), 7);
}

live::Frame with(live::Frame frame, const std::function<void(live::Frame&)>& change) {
  change(frame);
  return frame;
}

Bytes header(size_t length) {
  Bytes bytes = live::mediaFrame(videoFrame(0, {}));
  bytes.resize(length);
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileFrames,
    testing::Values(
        HostileFrameCase{"DataSizeBeyondThePayload",
                         live::mediaFrame(with(videoFrame(0, {1, 2, 3}), [](auto& f) { f.mediaDataSize = 4000; })), false},
        HostileFrameCase{"HugeDataSize",
                         live::mediaFrame(with(videoFrame(0, {1}), [](auto& f) { f.mediaDataSize = 0xFFFFFFFFu; })), false},
        HostileFrameCase{"OptionSizeBeyondThePayload",
                         live::mediaFrame(with(videoFrame(0, {1}), [](auto& f) { f.optionSize = 0xFFFFFFF0u; })), false},
        HostileFrameCase{"ShortHeader", header(63), false},
        HostileFrameCase{"EmptyMessage", Bytes{}, false},
        HostileFrameCase{"TypeTwo", live::mediaFrame(with(videoFrame(0, {1}), [](auto& f) { f.type = 2; })), false},
        HostileFrameCase{"EmptyChannelMask",
                         live::mediaFrame(with(videoFrame(0, {1}), [](auto& f) { f.channelMask = 0; })), true},
        HostileFrameCase{"MonthZero", live::mediaFrame(with(videoFrame(0, {1}), [](auto& f) { f.month = 0; })), true},
        HostileFrameCase{"NegativeYear", live::mediaFrame(with(videoFrame(0, {1}), [](auto& f) { f.year = -5; })), true},
        HostileFrameCase{"OptionsTooShortForTheirEntries",
                         live::mediaFrame(with(videoFrame(0, {1}), [](auto& f) { f.optionSize = 3; })), true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvo::test
