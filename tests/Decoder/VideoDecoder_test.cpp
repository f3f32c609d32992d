#include "Decoder/VideoDecoder.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include "Decoder/AudioDecoder.h"
#include "Decoder/H264Fixture.h"
#include "Decoder/H264Payload.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

const uint32_t kHiSi = AudioDecoder::tag("HiSi");
const uint32_t kTI = AudioDecoder::tag("T.I.");
const uint32_t k3531 = AudioDecoder::tag("3531");
const uint32_t k3511 = AudioDecoder::tag("3511");
const uint32_t kI320 = AudioDecoder::tag("I320");
const uint32_t k816x = AudioDecoder::tag("816x");

std::vector<uint8_t> withWord(uint32_t n, size_t junk, std::vector<uint8_t> data) {
  std::vector<uint8_t> p{uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
  p.resize(4 + junk, 0xAB);
  p.insert(p.end(), data.begin(), data.end());
  return p;
}

std::vector<uint8_t> i320(uint8_t b5, uint8_t b6, size_t total) {
  std::vector<uint8_t> p(total, 0x11);
  p[5] = b5;
  p[6] = b6;
  return p;
}

struct RangeCase {
  const char* name;
  std::vector<uint8_t> payload;
  bool hasCodecInfo;
  uint32_t vendor, chip;
  bool found;
  uint32_t offset, size;
};

class PayloadRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(PayloadRange, Locates) {
  const RangeCase& c = GetParam();
  auto r = H264Payload::locate(c.payload, c.hasCodecInfo, c.vendor, c.chip);
  ASSERT_EQ(r.has_value(), c.found);
  if (!r) return;
  EXPECT_EQ(r->offset, c.offset);
  EXPECT_EQ(r->size, c.size);
}

INSTANTIATE_TEST_SUITE_P(
    VideoDecoder, PayloadRange,
    ::testing::Values(
        RangeCase{"NoCodecInfoFirstWord3", withWord(3, 12, std::vector<uint8_t>(100, 1)), false, 0, 0, true, 16, 100},
        RangeCase{"NoCodecInfoFirstWord0", withWord(0, 0, std::vector<uint8_t>(10, 1)), false, 0, 0, true, 4, 10},
        RangeCase{"HiSi3511SkipsPrefix", withWord(2, 8, std::vector<uint8_t>(50, 1)), true, kHiSi, k3511, true, 12,
                  50},
        RangeCase{"HiSiI320TakesThePrefixRule", withWord(1, 4, std::vector<uint8_t>(50, 1)), true, kHiSi, kI320, true,
                  8, 50},
        RangeCase{"HiSi3531WholePayload", std::vector<uint8_t>(77, 1), true, kHiSi, k3531, true, 0, 77},
        RangeCase{"OtherVendorWholePayload", std::vector<uint8_t>(77, 1), true, kTI, k816x, true, 0, 77},
        RangeCase{"I320Size1068", i320(0x01, 0x10, 1088), true, kTI, kI320, true, 20, 1068},
        RangeCase{"I320RoundedSize1084", i320(0x01, 0x11, 1104), true, kTI, kI320, true, 20, 1084},
        RangeCase{"I320LargerThanPayload", i320(0x01, 0x10, 1087), true, kTI, kI320, false, 0, 0},
        RangeCase{"I320NegativeSize", i320(0x00, 0x04, 40), true, kTI, kI320, false, 0, 0},
        RangeCase{"I320SmallestSize", i320(0x00, 0x05, 40), true, kTI, kI320, true, 20, 12},
        RangeCase{"I320ShorterThanHeader", i320(0x00, 0x08, 19), true, kTI, kI320, false, 0, 0},
        RangeCase{"PrefixWrapsIn32Bits", withWord(0x40000000, 0, std::vector<uint8_t>(100, 1)), false, 0, 0, false, 0,
                  0},
        RangeCase{"PrefixAllOnes", withWord(0xFFFFFFFF, 0, std::vector<uint8_t>(100, 1)), true, kHiSi, k3511, false, 0,
                  0},
        RangeCase{"PrefixPastTheData", withWord(30, 0, std::vector<uint8_t>(100, 1)), false, 0, 0, false, 0, 0},
        RangeCase{"PrefixLeavesNoData", withWord(1, 4, {}), false, 0, 0, false, 0, 0},
        RangeCase{"ShorterThanTheFirstWord", {1, 0, 0}, false, 0, 0, false, 0, 0},
        RangeCase{"EmptyWholePayload", {}, true, kHiSi, k3531, false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Key frames as the ffmpeg command line's probe flags the fixtures' packets, in
// decoding order; an I slice that is no refresh, a slice first, and junk are not.
TEST(H264Payload, KeyFramesAreTheRefreshPictures) {
  struct Case {
    const char* stream;
    std::vector<size_t> keys;
  };
  for (const Case& c : {Case{"d1_baseline.264", {0, 12, 24}}, Case{"d1_main.264", {0, 12, 24}},
                        Case{"hd_main.264", {0, 12, 24}}, Case{"resize.264", {0, 12, 24, 25, 37, 38, 50, 62}}}) {
    auto units = test::accessUnits(c.stream);
    std::vector<size_t> keys;
    for (size_t i = 0; i < units.size(); ++i)
      if (H264Payload::isKeyFrame(units[i])) keys.push_back(i);
    EXPECT_EQ(keys, c.keys) << c.stream;
  }
  const std::vector<uint8_t> nonRefreshIntra{0, 0, 0, 1, 0x67, 0x42, 0, 0, 1, 0x68, 0xCE, 0, 0, 1, 0x61, 0x88};
  const std::vector<uint8_t> sliceThenRefresh{0, 0, 1, 0x41, 0x9A, 0, 0, 1, 0x65, 0x88};
  const std::vector<uint8_t> refreshCutAfterStartCode{0, 0, 1};
  const std::vector<uint8_t> junk(64, 0x65);
  EXPECT_FALSE(H264Payload::isKeyFrame(nonRefreshIntra));
  EXPECT_FALSE(H264Payload::isKeyFrame(sliceThenRefresh));
  EXPECT_FALSE(H264Payload::isKeyFrame(refreshCutAfterStartCode));
  EXPECT_FALSE(H264Payload::isKeyFrame(junk));
  EXPECT_TRUE(H264Payload::isKeyFrame(std::vector<uint8_t>{0, 0, 1, 0x65, 0x88}));
}

// Decodes a fixture access unit by access unit (no prefix: "HiSi"/"3531") and
// compares every picture with the ffmpeg command line's.
struct StreamCase {
  const char* name;
  const char* stream;
  int width, height;  // of the first picture
};

class FixtureStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(FixtureStream, DecodesLikeTheReference) {
  const StreamCase& c = GetParam();
  auto units = test::accessUnits(std::string(c.stream) + ".264");
  auto reference = test::referenceDecode(std::string(c.stream) + ".framemd5");
  ASSERT_FALSE(units.empty());
  ASSERT_FALSE(reference.empty());
  auto decoder = VideoDecoder::create();
  size_t next = 0;
  for (size_t i = 0; i < units.size(); ++i) {
    DecodedVideoFrame f = decoder->decodePayload(units[i], true, kHiSi, k3531, static_cast<uint16_t>(i));
    if (!f.gotPicture) continue;  // B-frames: the first pictures come later
    ASSERT_LT(next, reference.size());
    if (next == 0) {
      EXPECT_EQ(f.width, c.width);
      EXPECT_EQ(f.height, c.height);
    }
    EXPECT_EQ(f.picture->format, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(f.picture->linesize[1] * 2, f.picture->linesize[0]);
    EXPECT_EQ(f.picture->linesize[2], f.picture->linesize[1]);
    auto md5 = test::pictureMd5(f.picture, f.width, f.height);
    EXPECT_EQ(md5.size, reference[next].size) << "picture " << next;
    EXPECT_EQ(md5.md5, reference[next].md5) << "picture " << next;
    ++next;
  }
  // With no delay at the end of a live stream, B-frame streams keep their last
  // pictures in the decoder; all others come out.
  EXPECT_GE(next + 2, reference.size());
  EXPECT_GT(next, 0u);
}

INSTANTIATE_TEST_SUITE_P(VideoDecoder, FixtureStream,
                         ::testing::Values(StreamCase{"D1Baseline", "d1_baseline", 704, 480},
                                           StreamCase{"D1Main", "d1_main", 704, 480},
                                           StreamCase{"HdBaseline", "hd_baseline", 1920, 1080},
                                           StreamCase{"HdMain", "hd_main", 1920, 1080},
                                           StreamCase{"ResolutionChangesMidway", "resize", 704, 480},
                                           StreamCase{"FourTwoTwoIsConvertedTo420", "cif_422", 352, 240}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VideoDecoder, BaselineGivesOnePicturePerFrameAtOnce) {
  auto units = test::accessUnits("d1_baseline.264");
  auto decoder = VideoDecoder::create();
  for (size_t i = 0; i < units.size(); ++i)
    EXPECT_TRUE(decoder->decodePayload(units[i], true, kHiSi, k3531, 0).gotPicture) << i;
}

// A damaged stream: the decoder survives, and from the next key frame on the
// pictures are exactly the clean stream's.
TEST(VideoDecoder, CorruptStreamResumesAtTheNextKeyFrame) {
  auto units = test::accessUnits("corrupt.264");
  auto clean = test::referenceDecode("d1_baseline.framemd5");
  auto decoder = VideoDecoder::create();
  std::vector<std::string> md5s;
  for (size_t i = 0; i < units.size(); ++i) {
    DecodedVideoFrame f = decoder->decodePayload(units[i], true, kHiSi, k3531, static_cast<uint16_t>(i));
    if (f.gotPicture) md5s.push_back(test::pictureMd5(f.picture, f.width, f.height).md5);
  }
  ASSERT_GE(md5s.size(), clean.size());
  // The last 25 pictures are the second, whole copy of the clean stream.
  for (size_t k = 0; k < clean.size(); ++k)
    EXPECT_EQ(md5s[md5s.size() - clean.size() + k], clean[k].md5) << "picture " << k;
}

TEST(VideoDecoder, PicturesLargerThanTheBoundGiveNoPictureAndTheDecoderGoesOn) {
  auto decoder = VideoDecoder::create();
  for (const auto& unit : test::accessUnits("oversize.264"))
    EXPECT_FALSE(decoder->decodePayload(unit, true, kHiSi, k3531, 0).gotPicture);
  auto units = test::accessUnits("d1_baseline.264");
  EXPECT_TRUE(decoder->decodePayload(units[0], true, kHiSi, k3531, 1).gotPicture);
}

TEST(VideoDecoder, NoPictureIsLoggedWithTheSyncIndexAndKeepsTheSize) {
  auto units = test::accessUnits("d1_baseline.264");
  auto decoder = VideoDecoder::create();
  ASSERT_TRUE(decoder->decodePayload(units[0], true, kHiSi, k3531, 1).gotPicture);
  test::LogCapture log;
  std::vector<uint8_t> half(units[1].begin(), units[1].begin() + 6);  // a delimiter and nothing else
  DecodedVideoFrame f = decoder->decodePayload(half, true, kHiSi, k3531, 7);
  EXPECT_FALSE(f.gotPicture);
  EXPECT_EQ(f.width, 704);
  EXPECT_EQ(f.height, 480);
  EXPECT_TRUE(log.contains("GOT PICTURE FAILURE! 7"));
}

TEST(VideoDecoder, BadPrefixDropsTheFrameWithoutTheLibrary) {
  auto units = test::accessUnits("d1_baseline.264");
  auto decoder = VideoDecoder::create();
  const uint64_t before = VideoDecoder::compressedCopies();
  test::LogCapture log;
  auto payload = withWord(0x40000000, 0, units[0]);  // 4n + 4 wraps to 4 in 32 bits
  DecodedVideoFrame f = decoder->decodePayload(payload, false, 0, 0, 9);
  EXPECT_FALSE(f.gotPicture);
  EXPECT_EQ(VideoDecoder::compressedCopies(), before);  // never reached the library
  EXPECT_TRUE(log.contains("GOT PICTURE FAILURE! 9"));
  // The same data with a sound prefix decodes.
  EXPECT_TRUE(decoder->decodePayload(withWord(2, 8, units[0]), false, 0, 0, 10).gotPicture);
}

TEST(VideoDecoder, ThePayloadIsNeverWrittenAndCopiedOnce) {
  auto units = test::accessUnits("d1_baseline.264");
  auto decoder = VideoDecoder::create();
  for (size_t i = 0; i < 5; ++i) {
    // The data ends exactly where the buffer ends: a byte written after it
    // would be caught by the sanitizers, a changed byte by the comparison.
    std::vector<uint8_t> payload = units[i];
    const std::vector<uint8_t> copy = payload;
    const uint64_t before = VideoDecoder::compressedCopies();
    decoder->decodePayload(payload, true, kHiSi, k3531, 0);
    EXPECT_EQ(payload, copy);
    EXPECT_EQ(VideoDecoder::compressedCopies(), before + 1);
  }
}

}  // namespace
}  // namespace zelvo
