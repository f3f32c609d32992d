#include "Decoder/VideoDecoderGroup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "Decoder/H264Fixture.h"
#include "Foundation/MainThread.h"
#include "Foundation/Semaphore.h"
#include "Network/FakePacingClock.h"
#include "Network/MediaFrameFixtures.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::Bytes;

const NetworkClient* client(int n) {
  static int anchors[4];
  return reinterpret_cast<const NetworkClient*>(&anchors[n]);
}

Bytes codecOption(const char* vendor, const char* chip) {
  Bytes value(20, 0);
  std::memcpy(value.data(), vendor, 4);
  std::memcpy(value.data() + 4, chip, 4);
  return test::optionList({{2, value}, {1, test::text("Gate")}});
}

// A received live frame: video by default, channel mask 1 (camera 0).
MediaFrame makeFrame(const Bytes& data, const Bytes& options = {}, uint16_t syncIndex = 0, uint64_t stamp = 90000,
                     uint32_t scale = 90000, uint32_t mask = 1, uint16_t type = 0) {
  test::FrameHeader h;
  h.type = type;
  h.syncIndex = syncIndex;
  h.channelMask = mask;
  h.timeStamp = stamp;
  h.timeStampScale = scale;
  auto packet = test::received(test::frameBytes(h, data, options));
  MediaFrame frame;
  packet->popObject(frame);
  return frame;
}

Bytes withWord(uint32_t n, size_t junk, const Bytes& data) {
  Bytes p{uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
  p.resize(4 + junk, 0xAB);
  p.insert(p.end(), data.begin(), data.end());
  return p;
}

// How each codec wrapping of a picture's payload is read.
struct WrapCase {
  const char* name;
  Bytes (*wrap)(const Bytes& unit);
  bool decodes;
};

class Wrapping : public ::testing::TestWithParam<WrapCase> {};

TEST_P(Wrapping, DecodesThePictureOrDropsTheFrame) {
  auto units = test::accessUnits("d1_baseline.264");
  auto reference = test::referenceDecode("d1_baseline.framemd5");
  auto decoder = VideoDecoder::create();
  MediaFrame frame = makeFrame(GetParam().wrap(units[0]));
  DecodedVideoFrame f = decoder->decodeMediaFrame(frame);
  EXPECT_EQ(f.gotPicture, GetParam().decodes);
  if (f.gotPicture) {
    EXPECT_EQ(test::pictureMd5(f.picture, f.width, f.height).md5, reference[0].md5);
  }
}

// The wrapped payloads carry no option list; the codec cases are in the next test.
INSTANTIATE_TEST_SUITE_P(
    VideoDecoder, Wrapping,
    ::testing::Values(WrapCase{"NoCodecInfoFirstWord3", [](const Bytes& u) { return withWord(3, 12, u); }, true},
                      WrapCase{"NoCodecInfoFirstWord0", [](const Bytes& u) { return withWord(0, 0, u); }, true},
                      WrapCase{"NoCodecInfoWrappingPrefix",
                               [](const Bytes& u) { return withWord(0x40000000, 0, u); }, false},
                      WrapCase{"NoCodecInfoBareUnitIsReadAsPrefix", [](const Bytes& u) { return u; }, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct CodecCase {
  const char* name;
  const char* vendor;
  const char* chip;
  size_t prefix;  // bytes before the unit, first word (prefix - 4) / 4
};

class CodecWrapping : public ::testing::TestWithParam<CodecCase> {};

TEST_P(CodecWrapping, FollowsTheTags) {
  const CodecCase& c = GetParam();
  auto units = test::accessUnits("d1_baseline.264");
  auto reference = test::referenceDecode("d1_baseline.framemd5");
  Bytes payload = c.prefix ? withWord(static_cast<uint32_t>((c.prefix - 4) / 4), c.prefix - 4, units[0]) : units[0];
  const Bytes options = codecOption(c.vendor, c.chip);
  MediaFrame frame = makeFrame(payload, options);
  const Bytes before(frame.buffer()->data(), frame.buffer()->data() + frame.buffer()->limit());
  auto decoder = VideoDecoder::create();
  DecodedVideoFrame f = decoder->decodeMediaFrame(frame);
  ASSERT_TRUE(f.gotPicture);
  EXPECT_EQ(test::pictureMd5(f.picture, f.width, f.height).md5, reference[0].md5);
  // Nothing was written into the received packet: its option list still reads.
  EXPECT_EQ(Bytes(frame.buffer()->data(), frame.buffer()->data() + frame.buffer()->limit()), before);
  CodecInfo codec;
  ASSERT_TRUE(frame.getCodecInfo(&codec));
  EXPECT_EQ(std::memcmp(&codec.codes[0], c.vendor, 4), 0);
  EXPECT_EQ(frame.title(), std::optional<std::string>("Gate"));
}

INSTANTIATE_TEST_SUITE_P(VideoDecoder, CodecWrapping,
                         ::testing::Values(CodecCase{"HiSi3511HasAPrefix", "HiSi", "3511", 12},
                                           CodecCase{"HiSi3531HasNone", "HiSi", "3531", 0},
                                           CodecCase{"TI816xHasNone", "T.I.", "816x", 0},
                                           CodecCase{"HiSiI320HasAPrefix", "HiSi", "I320", 8}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VideoDecoder, I320SizeComesFromTheHeader) {
  auto units = test::accessUnits("d1_baseline.264");
  auto reference = test::referenceDecode("d1_baseline.framemd5");
  // 20 header bytes, then the unit, zero-padded to 4m - 20 bytes (m a multiple
  // of 4, so byte 6 has its two low bits clear).
  const size_t m = ((units[0].size() + 20 + 15) / 16) * 4;
  ASSERT_LT(m, 0x10000u);
  Bytes payload(20, 0);
  payload[5] = static_cast<uint8_t>(m >> 8);
  payload[6] = static_cast<uint8_t>(m & 0xFF);
  const size_t size = 4 * m - 20;
  payload.insert(payload.end(), units[0].begin(), units[0].end());
  payload.resize(20 + size, 0);
  auto decoder = VideoDecoder::create();
  DecodedVideoFrame f = decoder->decodeMediaFrame(makeFrame(payload, codecOption("T.I.", "I320")));
  ASSERT_TRUE(f.gotPicture);
  EXPECT_EQ(test::pictureMd5(f.picture, f.width, f.height).md5, reference[0].md5);
  // One byte short of what the header claims: dropped.
  payload.pop_back();
  EXPECT_FALSE(decoder->decodeMediaFrame(makeFrame(payload, codecOption("T.I.", "I320"))).gotPicture);
}

// Video frames of d1_baseline as live frames 40 ms apart at 90 kHz.
std::vector<MediaFrame> liveFrames(size_t count, uint64_t firstStamp = 90000) {
  auto units = test::accessUnits("d1_baseline.264");
  std::vector<MediaFrame> frames;
  for (size_t i = 0; i < count; ++i)
    frames.push_back(makeFrame(units[i % units.size()], codecOption("HiSi", "3531"), static_cast<uint16_t>(i),
                               firstStamp + i * 3600));
  return frames;
}

struct Handled {
  std::mutex mutex;
  std::vector<std::pair<int, double>> frames;  // sync index (or -1 for an audio block), virtual time
  std::vector<bool> pictures;
  void add(int index, double t, bool picture) {
    std::lock_guard lock(mutex);
    frames.push_back({index, t});
    pictures.push_back(picture);
  }
  size_t size() {
    std::lock_guard lock(mutex);
    return frames.size();
  }
};

TEST(VideoDecoderPacing, FramesAreDecodedInOrderAtTheirTimeStamps) {
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  auto decoder = VideoDecoder::create(clock);
  Handled handled;
  for (const MediaFrame& f : liveFrames(VideoDecoder::PacingBacklog))
    decoder->asyncDecodeMediaFrame(f, [&, index = f.syncIndex()](DecodedVideoFrame d) {
      handled.add(index, clock->now(), d.gotPicture);
    });
  ASSERT_TRUE(test::waitUntil([&] { return handled.size() == VideoDecoder::PacingBacklog; }));
  for (size_t i = 0; i < handled.frames.size(); ++i) {
    EXPECT_EQ(handled.frames[i].first, static_cast<int>(i));
    EXPECT_NEAR(handled.frames[i].second, 1000.0 + i * 0.04, 2.0 / 90000);
    EXPECT_TRUE(handled.pictures[i]);
  }
}

// Frames queued while the queue is busy keep their order however the store of
// waiting entries fills, wraps round and grows (7 frames leave its oldest one
// mid-store; 14 more with a task behind each of the first 10 wrap round and make
// it grow), and tasks behind pictures keep their place among them.
TEST(VideoDecoderPacing, QueuedFramesKeepTheirOrderAsTheQueueGrowsAndWraps) {
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  auto decoder = VideoDecoder::create(clock);
  auto frames = liveFrames(7 + 14 + 5);
  Handled handled;
  std::vector<int> expected;  // sync indexes, -1 - n for the task behind frame n
  size_t queued = 0;
  for (auto [batch, tasks] : {std::pair<size_t, size_t>{7, 0}, {14, 10}, {5, 0}}) {
    Semaphore gate;
    decoder->dispatchQueue()->async([&] { gate.wait(); });
    for (size_t i = 0; i < batch; ++i, ++queued) {
      decoder->asyncDecodeMediaFrame(frames[queued], [&, index = static_cast<int>(queued)](DecodedVideoFrame d) {
        handled.add(index, clock->now(), d.gotPicture);
      });
      expected.push_back(static_cast<int>(queued));
      if (i < tasks) {
        const int marker = -1 - static_cast<int>(queued);
        decoder->asyncAfterPictures([&, marker] { handled.add(marker, clock->now(), true); });
        expected.push_back(marker);
      }
    }
    EXPECT_EQ(decoder->pendingFrames(), batch);
    gate.signal();
    ASSERT_TRUE(test::waitUntil([&] { return handled.size() == expected.size(); }));
  }
  std::vector<int> order;
  for (size_t i = 0; i < handled.frames.size(); ++i) {
    order.push_back(handled.frames[i].first);
    EXPECT_TRUE(handled.pictures[i]) << i;
  }
  EXPECT_EQ(order, expected);
  EXPECT_EQ(decoder->droppedFrames(), 0u);
}

TEST(VideoDecoderPacing, EarlyFrameWaitsTheClampOnceAndScaleZeroIsNotPaced) {
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  auto decoder = VideoDecoder::create(clock);
  auto units = test::accessUnits("d1_baseline.264");
  Handled handled;
  auto handler = [&](int index) {
    return [&, index](DecodedVideoFrame d) { handled.add(index, clock->now(), d.gotPicture); };
  };
  const Bytes options = codecOption("HiSi", "3531");
  decoder->asyncDecodeMediaFrame(makeFrame(units[0], options, 0, 90000), handler(0));
  decoder->asyncDecodeMediaFrame(makeFrame(units[1], options, 1, 90000 + 5 * 90000), handler(1));  // 5 s early
  decoder->asyncDecodeMediaFrame(makeFrame(units[2], options, 2, 123, 0), handler(2));  // scale 0
  ASSERT_TRUE(test::waitUntil([&] { return handled.size() == 3; }));
  EXPECT_EQ(clock->waits(), (std::vector<double>{1.0}));
  EXPECT_EQ(handled.frames[1].second, 1001.0);
  EXPECT_EQ(handled.frames[2].second, 1001.0);
}

TEST(VideoDecoderPacing, ResetReanchorsOnTheNextFrame) {
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  auto decoder = VideoDecoder::create(clock);
  auto frames = liveFrames(4);
  Handled handled;
  auto handler = [&](int index) {
    return [&, index](DecodedVideoFrame) { handled.add(index, clock->now(), true); };
  };
  decoder->asyncDecodeMediaFrame(frames[0], handler(0));
  ASSERT_TRUE(test::waitUntil([&] { return handled.size() == 1; }));
  clock->advance(-0.5);  // without the reset the next frame would wait
  decoder->reset();
  decoder->asyncDecodeMediaFrame(frames[1], handler(1));
  ASSERT_TRUE(test::waitUntil([&] { return handled.size() == 2; }));
  EXPECT_TRUE(clock->waits().empty());  // anchored again: no wait
}

// The key frames of d1_baseline (one every 12 pictures, and its 25th), as the
// ffmpeg command line's probe flags them; liveFrames repeats the 25 pictures.
bool isFixtureKey(size_t index) {
  const size_t i = index % 25;
  return i == 0 || i == 12 || i == 24;
}

// Past 8 waiting frames the pacing waits stop until the queue is empty; past 16
// the pictures are dropped up to the next key frame; audio blocks behind them
// keep their place.
TEST(VideoDecoderPacing, BacklogSkipsWaitsThenDropsUpToAKeyFrameButNeverAudio) {
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  auto decoder = VideoDecoder::create(clock);
  auto frames = liveFrames(2 + VideoDecoder::MaxBacklogFrames + 4);  // 0 to 21: key frames 0, 12 and 24
  Handled handled;
  auto video = [&](int index) {
    return [&, index](DecodedVideoFrame d) { handled.add(index, clock->now(), d.gotPicture); };
  };
  clock->holdWaits(true);
  decoder->asyncDecodeMediaFrame(frames[0], video(0));  // anchors: no wait
  decoder->asyncDecodeMediaFrame(frames[1], video(1));  // waits 0.04 s, held
  ASSERT_TRUE(test::waitUntil([&] { return clock->blocked() == 1; }));
  test::LogCapture log;
  for (size_t i = 2; i < frames.size(); ++i) decoder->asyncDecodeMediaFrame(frames[i], video(static_cast<int>(i)));
  EXPECT_EQ(decoder->pendingFrames(), VideoDecoder::MaxBacklogFrames);  // 2 to 17; 18 to 21 dropped
  EXPECT_EQ(decoder->droppedFrames(), 4u);
  EXPECT_TRUE(log.contains("pictures dropped up to the next key frame"));
  decoder->dispatchQueue()->async([&] { handled.add(-1, clock->now(), false); });
  clock->holdWaits(false);
  const size_t expected = 2 + VideoDecoder::MaxBacklogFrames + 1;
  ASSERT_TRUE(test::waitUntil([&] { return handled.size() == expected; }));
  // In order, every picture whole, the audio block last; only frame 1 waited.
  for (size_t i = 0; i + 1 < expected; ++i) {
    EXPECT_EQ(handled.frames[i].first, static_cast<int>(i));
    EXPECT_TRUE(handled.pictures[i]) << i;
  }
  EXPECT_EQ(handled.frames.back().first, -1);
  EXPECT_EQ(clock->waits(), (std::vector<double>{0.04}));
  // A picture that is no key frame still finds the decoder skipping; the next key
  // frame resumes, paced again (it is due long after the virtual now).
  auto later = liveFrames(25);
  decoder->asyncDecodeMediaFrame(later[23], video(23));
  EXPECT_EQ(decoder->droppedFrames(), 5u);
  decoder->asyncDecodeMediaFrame(later[24], video(24));
  ASSERT_TRUE(test::waitUntil([&] { return handled.size() == expected + 1; }));
  EXPECT_EQ(handled.frames.back().first, 24);
  EXPECT_TRUE(handled.pictures.back());
  EXPECT_TRUE(log.contains("Decoding resumes at a key frame after 5 pictures dropped"));
  EXPECT_EQ(clock->waits().size(), 2u);
  EXPECT_EQ(decoder->longestBacklog(), VideoDecoder::MaxBacklogFrames);
}

TEST(VideoDecoderPacing, BacklogIsBoundedInBytes) {
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  auto decoder = VideoDecoder::create(clock);
  // 1 MiB frames whose prefix does not fit: they never reach the library.
  MediaFrame big = makeFrame(Bytes(1 << 20, 0xFF));
  std::atomic<int> handled{0};
  clock->holdWaits(true);
  auto frames = liveFrames(2);
  decoder->asyncDecodeMediaFrame(frames[0], [&](DecodedVideoFrame) { ++handled; });
  decoder->asyncDecodeMediaFrame(frames[1], [&](DecodedVideoFrame) { ++handled; });
  ASSERT_TRUE(test::waitUntil([&] { return clock->blocked() == 1; }));
  for (int i = 0; i < 40; ++i) decoder->asyncDecodeMediaFrame(big, [&](DecodedVideoFrame) { ++handled; });
  EXPECT_EQ(decoder->pendingFrames(), VideoDecoder::MaxBacklogBytes / (1 << 20));
  EXPECT_EQ(decoder->droppedFrames(), 40 - VideoDecoder::MaxBacklogBytes / (1 << 20));
  clock->holdWaits(false);
  ASSERT_TRUE(test::waitUntil([&] { return handled == 2 + static_cast<int>(VideoDecoder::MaxBacklogBytes >> 20); }));
}

// A key frame that finds the queue full is not lost: the pictures waiting ahead
// of it are older, nothing from the key frame on refers to them, and they go.
TEST(VideoDecoderPacing, AKeyFrameAtAFullQueueTakesThePlaceOfThePicturesWaiting) {
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  auto decoder = VideoDecoder::create(clock);
  auto frames = liveFrames(25);
  Handled handled;
  clock->holdWaits(true);
  decoder->asyncDecodeMediaFrame(frames[0], [&](DecodedVideoFrame d) { handled.add(0, 0, d.gotPicture); });
  decoder->asyncDecodeMediaFrame(frames[1], [&](DecodedVideoFrame d) { handled.add(1, 0, d.gotPicture); });
  ASSERT_TRUE(test::waitUntil([&] { return clock->blocked() == 1; }));
  // 2 to 8 wait; an audio block waits among them and keeps its place.
  for (int i = 2; i <= 8; ++i)
    decoder->asyncDecodeMediaFrame(frames[static_cast<size_t>(i)],
                                   [&, i](DecodedVideoFrame d) { handled.add(i, 0, d.gotPicture); });
  decoder->asyncAfterPictures([&] { handled.add(-1, 0, false); });
  for (int i = 9; i <= 11; ++i)
    decoder->asyncDecodeMediaFrame(frames[static_cast<size_t>(i)],
                                   [&, i](DecodedVideoFrame d) { handled.add(i, 0, d.gotPicture); });
  for (int i = 0; i < 6; ++i)  // more of the same group fill the queue; then key frame 12 comes
    decoder->asyncDecodeMediaFrame(frames[11], [&](DecodedVideoFrame d) { handled.add(11, 0, d.gotPicture); });
  ASSERT_EQ(decoder->pendingFrames(), VideoDecoder::MaxBacklogFrames);
  decoder->asyncDecodeMediaFrame(frames[12], [&](DecodedVideoFrame d) { handled.add(12, 0, d.gotPicture); });
  EXPECT_EQ(decoder->pendingFrames(), 1u);
  EXPECT_EQ(decoder->droppedFrames(), VideoDecoder::MaxBacklogFrames);
  decoder->asyncDecodeMediaFrame(frames[13], [&](DecodedVideoFrame d) { handled.add(13, 0, d.gotPicture); });
  clock->holdWaits(false);
  ASSERT_TRUE(test::waitUntil([&] { return handled.size() == 5; }));
  ASSERT_TRUE(test::waitUntil([&] { return decoder->framesInFlight() == 0; }));
  std::vector<int> order;
  for (auto& f : handled.frames) order.push_back(f.first);
  EXPECT_EQ(order, (std::vector<int>{0, 1, -1, 12, 13}));
  EXPECT_TRUE(handled.pictures[3]);
  EXPECT_TRUE(handled.pictures[4]);
}

// A starved machine: decoding takes two and a half frame periods. The queue
// stays within its bound, drops from the first picture it cannot keep up to the
// next key frame and resumes there, and every picture handed on is exactly the
// one the ffmpeg command line decodes from the whole stream: none comes from a
// broken chain of references.
TEST(VideoDecoderPacing, StarvedDecodingDropsWholeGroupsAndShowsOnlyWholePictures) {
  constexpr size_t kFrames = 100;
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  auto decoder = VideoDecoder::create(clock);
  auto frames = liveFrames(kFrames);
  auto reference = test::referenceDecode("d1_baseline.framemd5");
  ASSERT_EQ(reference.size(), 25u);

  Semaphore permits;
  std::atomic<size_t> entered{0};
  decoder->setDecodeFunction([&](VideoDecoder& d, const MediaFrame& f) {
    ++entered;
    permits.wait();
    return d.decodeMediaFrame(f);
  });
  std::mutex mutex;
  std::vector<std::pair<size_t, std::string>> shown;  // sync index, picture MD5
  std::atomic<size_t> handled{0};
  auto handler = [&](size_t index) {
    return [&, index](DecodedVideoFrame d) {
      {
        std::lock_guard lock(mutex);
        shown.push_back({index, d.gotPicture ? test::pictureMd5(d.picture, d.width, d.height).md5 : "none"});
      }
      ++handled;
    };
  };

  std::optional<size_t> firstFullArrival;
  size_t released = 0;
  double owed = 0;
  for (size_t i = 0; i < kFrames; ++i) {
    if (!firstFullArrival && decoder->pendingFrames() == VideoDecoder::MaxBacklogFrames && !isFixtureKey(i))
      firstFullArrival = i;
    decoder->asyncDecodeMediaFrame(frames[i], handler(i));
    ASSERT_LE(decoder->pendingFrames(), VideoDecoder::MaxBacklogFrames);
    // One decode finishes every 2.5 arrivals.
    for (owed += 0.4; owed >= 1.0; owed -= 1.0) {
      ASSERT_TRUE(test::waitUntil([&] { return entered == released + 1; }));
      permits.signal();
      ++released;
      ASSERT_TRUE(test::waitUntil([&] {
        return handled == released && (entered == released + 1 || decoder->pendingFrames() == 0);
      }));
    }
  }
  ASSERT_TRUE(firstFullArrival.has_value());
  for (int i = 0; i < static_cast<int>(kFrames); ++i) permits.signal();
  ASSERT_TRUE(test::waitUntil([&] { return decoder->framesInFlight() == 0; }));

  std::lock_guard lock(mutex);
  EXPECT_GT(decoder->droppedFrames(), 0u);
  EXPECT_EQ(shown.size() + decoder->droppedFrames(), kFrames);
  EXPECT_EQ(decoder->longestBacklog(), VideoDecoder::MaxBacklogFrames);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front().first, 0u);
  size_t gaps = 0;
  for (size_t k = 0; k < shown.size(); ++k) {
    const size_t index = shown[k].first;
    EXPECT_EQ(shown[k].second, reference[index % 25].md5) << "picture " << index;
    if (k == 0) continue;
    const size_t previous = shown[k - 1].first;
    ASSERT_GT(index, previous);
    if (index == previous + 1) continue;
    ++gaps;
    EXPECT_TRUE(isFixtureKey(index)) << "resumed at " << index << " after " << previous;
    if (gaps == 1) {
      EXPECT_EQ(previous + 1, *firstFullArrival) << "the first picture dropped";
    }
  }
  EXPECT_GT(gaps, 1u);
}

// The selected camera's sound waits behind its pictures while the picture side
// is slow: it runs only after the pictures received before it were handed on,
// and of the sound waiting only the newest MaxBacklogTasks blocks are kept.
TEST(VideoDecoderPacing, SoundFollowsItsPicturesAndOnlyTheNewestWaits) {
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  auto decoder = VideoDecoder::create(clock);
  auto frames = liveFrames(11);
  std::mutex mutex;
  std::vector<std::string> events;
  auto note = [&](std::string event) {
    std::lock_guard lock(mutex);
    events.push_back(std::move(event));
  };
  Semaphore drawing;  // the first picture's hand-over waits for it
  std::atomic<bool> inFirst{false};
  decoder->asyncDecodeMediaFrame(frames[0], [&](DecodedVideoFrame) {
    inFirst = true;
    drawing.wait();
    note("V0");
  });
  ASSERT_TRUE(test::waitUntil([&] { return inFirst.load(); }));
  constexpr size_t kSound = 20;
  for (size_t k = 1; k <= kSound; ++k) {
    decoder->asyncAfterPictures([&, k] { note("A" + std::to_string(k)); });
    if (k < frames.size())
      decoder->asyncDecodeMediaFrame(frames[k], [&, k](DecodedVideoFrame) { note("V" + std::to_string(k)); });
  }
  EXPECT_EQ(decoder->droppedTasks(), kSound - VideoDecoder::MaxBacklogTasks);
  EXPECT_EQ(decoder->droppedFrames(), 0u);
  drawing.signal();
  const size_t expected = frames.size() + VideoDecoder::MaxBacklogTasks;
  ASSERT_TRUE(test::waitUntil([&] {
    std::lock_guard lock(mutex);
    return events.size() == expected;
  }));
  std::vector<std::string> want;
  for (size_t k = 0; k <= kSound; ++k) {
    if (k > kSound - VideoDecoder::MaxBacklogTasks) want.push_back("A" + std::to_string(k));
    if (k < frames.size()) want.push_back("V" + std::to_string(k));
  }
  std::lock_guard lock(mutex);
  EXPECT_EQ(events, want);
}

TEST(VideoDecoderGroup, SlotsAreMadeOnFirstUseAndReplacedByANewRegistration) {
  VideoDecoderGroup group;
  EXPECT_EQ(group.decoderForCamera(0, client(0)), nullptr);  // not registered
  group.registerDecodersForNetworkClient(client(0), 4);
  auto a = group.decoderForCamera(1, client(0));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(group.decoderForCamera(1, client(0)), a);
  EXPECT_NE(group.decoderForCamera(2, client(0)), a);
  EXPECT_EQ(group.dispatchQueueForCamera(1, client(0)), a->dispatchQueue());
  EXPECT_EQ(a->dispatchQueue()->label(), "com.ostrel-security.decoder");
  std::weak_ptr<VideoDecoder> watch = a;
  a.reset();
  group.registerDecodersForNetworkClient(client(0), 4);
  EXPECT_TRUE(watch.expired());  // the earlier decoders are released
  EXPECT_NE(group.decoderForCamera(1, client(0)), nullptr);
  // Clients are kept apart.
  group.registerDecodersForNetworkClient(client(1), 4);
  EXPECT_NE(group.decoderForCamera(1, client(1)), group.decoderForCamera(1, client(0)));
  group.unregisterAllDecoders();
  EXPECT_EQ(group.decoderForCamera(1, client(1)), nullptr);
}

TEST(VideoDecoderGroup, CameraOutsideTheSlotsHasNoDecoder) {
  VideoDecoderGroup group;
  group.registerDecodersForNetworkClient(client(0), 2);
  for (int64_t camera : {int64_t{-1}, int64_t{2}, int64_t{31}, int64_t{1} << 40})
    EXPECT_EQ(group.decoderForCamera(camera, client(0)), nullptr) << camera;
  EXPECT_EQ(group.dispatchQueueForCamera(-1, client(0)), nullptr);
  // A hostile count is held to one slot per channel.
  group.registerDecodersForNetworkClient(client(1), int64_t{1} << 40);
  EXPECT_NE(group.decoderForCamera(31, client(1)), nullptr);
  EXPECT_EQ(group.decoderForCamera(32, client(1)), nullptr);
  group.registerDecodersForNetworkClient(client(2), -5);
  EXPECT_EQ(group.decoderForCamera(0, client(2)), nullptr);
}

TEST(VideoDecoderGroup, FramesGoToTheirChannelsDecoder) {
  VideoDecoderGroup group;
  auto units = test::accessUnits("d1_baseline.264");
  const Bytes options = codecOption("HiSi", "3531");
  // Unregistered: all zero.
  DecodedVideoFrame none = group.decodeMediaFrame(makeFrame(units[0], options), client(0));
  EXPECT_EQ(none.width, 0);
  EXPECT_EQ(none.height, 0);
  EXPECT_EQ(none.picture, nullptr);
  EXPECT_FALSE(none.gotPicture);
  group.registerDecodersForNetworkClient(client(0), 3);
  // Mask 6: channel 1.
  DecodedVideoFrame f = group.decodeMediaFrame(makeFrame(units[0], options, 0, 90000, 90000, 6), client(0));
  EXPECT_TRUE(f.gotPicture);
  EXPECT_EQ(f.picture, group.decoderForCamera(1, client(0))->decodeMediaFrame(makeFrame(units[1], options)).picture);
  // An empty mask (channel -1) or a channel past the slots: dropped, no handler.
  std::atomic<int> calls{0};
  group.asyncDecodeMediaFrame(makeFrame(units[0], options, 0, 90000, 90000, 0), client(0),
                              [&](DecodedVideoFrame) { ++calls; });
  group.asyncDecodeMediaFrame(makeFrame(units[0], options, 0, 90000, 90000, 1u << 5), client(0),
                              [&](DecodedVideoFrame) { ++calls; });
  group.asyncDecodeMediaFrame(makeFrame(units[0], options), client(1), [&](DecodedVideoFrame) { ++calls; });
  group.asyncDecodeMediaFrame(makeFrame(units[0], options, 0, 90000, 90000, 4), client(0),
                              [&](DecodedVideoFrame d) { calls += d.gotPicture ? 100 : 1000; });
  std::atomic<bool> drained{false};
  group.decoderForCamera(2, client(0))->dispatchQueue()->async([&] { drained = true; });
  ASSERT_TRUE(test::waitUntil([&] { return drained.load(); }));
  EXPECT_EQ(calls.load(), 100);
}

TEST(VideoDecoderGroup, ResetReachesOnlyMadeDecoders) {
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  VideoDecoderGroup group([clock] { return clock; });
  group.registerDecodersForNetworkClient(client(0), 3);
  auto decoder = group.decoderForCamera(2, client(0));
  decoder->synchronizer().delayFromCurrent(90000, 90000, 1, 1);  // anchors its clock
  ASSERT_FALSE(decoder->synchronizer().videoRefTime().isReset(ReferenceTime::Base));
  test::LogCapture log;
  group.resetForNetworkClient(client(0));  // slots 0 and 1 are empty and stay so
  EXPECT_TRUE(decoder->synchronizer().videoRefTime().isReset(ReferenceTime::Both));
  EXPECT_EQ(log.lines().size(), 1u);
  group.resetForNetworkClient(client(3));  // unregistered: nothing
}

// A client's network thread hands frames and sound over while the main thread
// registers, resets and unregisters that client: each call finds the slots as they were
// before or after a change, never half-way (ThreadSanitizer watches the reads).
TEST(VideoDecoderGroup, FramesAreHandedOverWhileTheClientsSlotsChange) {
  VideoDecoderGroup group;
  const MediaFrame frame = makeFrame(test::accessUnits("d1_baseline.264")[0], codecOption("HiSi", "3531"), 0, 90000,
                                     0 /* not paced */, 2);
  std::atomic<bool> handedOver{false};
  std::thread network([&] {
    for (int i = 0; i < 2000; ++i) {
      group.asyncDecodeMediaFrame(frame, client(0), [](DecodedVideoFrame) {});
      group.asyncAfterPicturesForCamera(1, client(0), [] {});
      (void)group.framesInFlightForCamera(1, client(0));
      (void)group.droppedFramesForCamera(1, client(0));
    }
    handedOver = true;
  });
  while (!handedOver) {
    group.registerDecodersForNetworkClient(client(0), 2);
    group.resetForNetworkClient(client(0));
    group.unregisterDecodersForNetworkClient(client(0));
  }
  network.join();
  // Registered again, the client's frames are decoded.
  group.registerDecodersForNetworkClient(client(0), 2);
  std::atomic<bool> pictured{false};
  group.asyncDecodeMediaFrame(frame, client(0), [&](DecodedVideoFrame d) { pictured = d.gotPicture; });
  ASSERT_TRUE(test::waitUntil([&] { return pictured.load(); }));
}

// The main thread never waits for a decoding queue: unregistering while the
// queue is blocked in its hop to the main thread, or in a pacing wait, returns at
// once, and the decoder ends after its last queued frame.
TEST(VideoDecoderGroup, UnregisterNeverWaitsForABlockedQueue) {
  auto clock = std::make_shared<test::FakePacingClock>(1000.0);
  VideoDecoderGroup group([clock] { return clock; });
  group.registerDecodersForNetworkClient(client(0), 2);
  auto frames = liveFrames(3);
  std::weak_ptr<VideoDecoder> first = group.decoderForCamera(0, client(0));
  std::weak_ptr<VideoDecoder> second = group.decoderForCamera(1, client(0));
  std::atomic<bool> inHop{false}, hopRan{false};
  std::atomic<int> afterHop{0};
  group.asyncDecodeMediaFrame(frames[0], client(0), [&](DecodedVideoFrame) {
    inHop = true;
    runOnMainAndWait([&] { hopRan = true; });
  });
  // An audio block queued behind it, holding only the queue.
  group.dispatchQueueForCamera(0, client(0))->async([&] { runOnMainAndWait([&] { ++afterHop; }); });
  // The second camera sits in a pacing wait.
  clock->holdWaits(true);
  MediaFrame onSecond = makeFrame(test::accessUnits("d1_baseline.264")[0], codecOption("HiSi", "3531"), 0,
                                  90000, 90000, 2);
  MediaFrame laterOnSecond = makeFrame(test::accessUnits("d1_baseline.264")[1], codecOption("HiSi", "3531"), 1,
                                       93600, 90000, 2);
  group.asyncDecodeMediaFrame(onSecond, client(0), nullptr);
  group.asyncDecodeMediaFrame(laterOnSecond, client(0), nullptr);
  // Wait without serving the main thread until the first queue is in its hop.
  while (!inHop || clock->blocked() == 0) std::this_thread::yield();
  group.unregisterDecodersForNetworkClient(client(0));
  EXPECT_FALSE(hopRan);
  clock->holdWaits(false);
  ASSERT_TRUE(test::waitUntil([&] { return hopRan && afterHop == 1 && first.expired() && second.expired(); }));
}

}  // namespace
}  // namespace zelvo
