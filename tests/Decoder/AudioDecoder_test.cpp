#include "Decoder/AudioDecoder.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <fstream>
#include <random>
#include <vector>

#include "Decoder/DM816xDecoder.h"
#include "Decoder/Hi3511Decoder.h"
#include "Decoder/Hr320Decoder.h"
#include "Decoder/ImaAdpcmDecoder.h"
#include "Decoder/AdpcmFixture.h"

namespace zelvo {
namespace {

std::vector<int16_t> decodeCodes(std::vector<uint8_t> codes, int index, int16_t predictor, int* written = nullptr) {
  std::vector<int16_t> out(codes.size() * 2, 0x5555);
  int n = ImaAdpcmDecoder::decode(codes, ImaAdpcmState{index, predictor}, out);
  if (written) *written = n;
  return out;
}

TEST(ImaAdpcmDecoder, HighNibbleFirstWithShiftAndAdd) {
  int n = 0;
  EXPECT_EQ(decodeCodes({0x70}, 0, 0, &n), (std::vector<int16_t>{11, 13}));
  EXPECT_EQ(n, 4);
  EXPECT_EQ(decodeCodes({0x80}, 0, 0), (std::vector<int16_t>{0, 0}));
  EXPECT_EQ(decodeCodes({0x70}, 88, 32760)[0], 32767);    // saturates up
  EXPECT_EQ(decodeCodes({0xF0}, 88, -32760)[0], -32768);  // and down
  EXPECT_EQ(decodeCodes({0x70}, 200, 0), decodeCodes({0x70}, 88, 0));  // index clamped before the first nibble
  EXPECT_EQ(decodeCodes({0x70}, -5, 0), decodeCodes({0x70}, 0, 0));
}

TEST(ImaAdpcmDecoder, NothingToDecodeOrNoRoomWritesNothing) {
  std::vector<int16_t> out(4, 0x5555);
  EXPECT_EQ(ImaAdpcmDecoder::decode({}, {}, out), 0);
  const std::vector<uint8_t> codes{1, 2, 3};
  EXPECT_EQ(ImaAdpcmDecoder::decode(codes, {}, std::span<int16_t>(out).first(5)), 0);
  EXPECT_EQ(out, (std::vector<int16_t>(4, 0x5555)));
}

// One frame of each layout, from its header fields.
std::vector<uint8_t> hi3511Frame(int16_t predictor, uint8_t index, const std::vector<uint8_t>& codes) {
  std::vector<uint8_t> f{0xAA, 0xBB, 0xCC, 0xDD, uint8_t(predictor & 0xFF), uint8_t(uint16_t(predictor) >> 8), index,
                         0xEE};
  f.insert(f.end(), codes.begin(), codes.end());
  return f;
}
std::vector<uint8_t> hr320Frame(int16_t predictor, uint8_t byte10, const std::vector<uint8_t>& codes) {
  std::vector<uint8_t> f{1, 2, 3, 4, 5, 6, 7, 8, 0x99, 0x98, byte10, 0x97, uint8_t(uint16_t(predictor) >> 8),
                         uint8_t(predictor & 0xFF), 0x96, 0x95};
  f.insert(f.end(), codes.begin(), codes.end());
  return f;
}
std::vector<uint8_t> dm816xFrame(int16_t predictor, int16_t index, const std::vector<uint8_t>& codes) {
  std::vector<uint8_t> f{uint8_t(predictor & 0xFF), uint8_t(uint16_t(predictor) >> 8), uint8_t(index & 0xFF),
                         uint8_t(uint16_t(index) >> 8)};
  f.insert(f.end(), codes.begin(), codes.end());
  return f;
}

struct LayoutCase {
  const char* name;
  const char* chip;
  std::vector<uint8_t> frame;
  int bytes;                 // PCM bytes expected
  int index;                 // state the codes must start from
  int16_t predictor;
};

class Layout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, ReadsTheHeaderAndDecodesTheCodes) {
  const LayoutCase& c = GetParam();
  const uint32_t chip = AudioDecoder::tag(*reinterpret_cast<const char(*)[5]>(c.chip));
  std::vector<int16_t> out(4096, 0x5555);
  EXPECT_EQ(AudioDecoder::decode(c.frame, chip, out), c.bytes);
  if (c.bytes == 0) {
    EXPECT_EQ(out[0], 0x5555);
    return;
  }
  const size_t header = AudioDecoder::headerSize(chip);
  std::vector<uint8_t> codes(c.frame.begin() + header, c.frame.end());
  std::vector<int16_t> expected = decodeCodes(codes, c.index, c.predictor);
  EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + c.bytes / 2), expected);
}

INSTANTIATE_TEST_SUITE_P(
    AudioDecoder, Layout,
    ::testing::Values(
        LayoutCase{"Hi3511", "3511", hi3511Frame(-1234, 40, {0x12, 0x9F, 0x70}), 12, 40, -1234},
        LayoutCase{"Hi3531UsesTheEightByteLayout", "3531", hi3511Frame(500, 10, {0x70, 0x07}), 8, 10, 500},
        LayoutCase{"UnknownChipUsesTheEightByteLayout", "zzzz", hi3511Frame(7, 3, {0x33}), 4, 3, 7},
        LayoutCase{"Hi3511IndexByteClamped", "3511", hi3511Frame(0, 255, {0x70}), 4, 88, 0},
        LayoutCase{"Hi3511HeaderOnly", "3511", hi3511Frame(0, 0, {}), 0, 0, 0},
        LayoutCase{"Hi3511ShorterThanHeader", "3511", {1, 2, 3, 4, 5}, 0, 0, 0},
        LayoutCase{"Hr320", "I320", hr320Frame(-32000, 12, {0x81, 0x18}), 8, 12, -32000},
        LayoutCase{"Hr320IndexUsesSevenBits", "I320", hr320Frame(0, 0x85, {0x70}), 4, 5, 0},
        LayoutCase{"Hr320Byte10AllOnesClampsTo88", "I320", hr320Frame(0, 0xFF, {0x70}), 4, 88, 0},
        LayoutCase{"Hr320HeaderOnly", "I320", hr320Frame(0, 0, {}), 0, 0, 0},
        LayoutCase{"Hr320ShorterThanHeader", "I320", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 0, 0, 0},
        LayoutCase{"DM816x", "816x", dm816xFrame(300, 20, {0x44, 0xC4}), 8, 20, 300},
        LayoutCase{"DM816xNegativeIndexClampsToZero", "816x", dm816xFrame(-3, -7, {0x70}), 4, 0, -3},
        LayoutCase{"DM816xLargeIndexClampsTo88", "816x", dm816xFrame(9, 1000, {0x70}), 4, 88, 9},
        LayoutCase{"DM816xOfFourBytesDecodesToNothing", "816x", dm816xFrame(1, 1, {}), 0, 0, 0},
        LayoutCase{"DM816xShorterThanHeader", "816x", {1, 2}, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AudioDecoder, SampleRateFollowsTheChip) {
  struct Row {
    const char* chip;
    int rate;
  };
  for (Row r : {Row{"816x", 16000}, Row{"3531", 32000}, Row{"3511", 8000}, Row{"I320", 8000}, Row{"3520", 8000},
                Row{"\0\0\0\0", 8000}})
    EXPECT_EQ(AudioDecoder::sampleRate(AudioDecoder::tag(*reinterpret_cast<const char(*)[5]>(r.chip))), r.rate)
        << r.chip;
}

TEST(AudioDecoder, FrameWhosePcmWouldNotFitIsNotDecoded) {
  std::vector<uint8_t> frame = hi3511Frame(0, 0, std::vector<uint8_t>(101, 0x77));
  std::vector<int16_t> out(201, 0x5555);  // one sample short
  EXPECT_EQ(AudioDecoder::decode(frame, AudioDecoder::tag("3511"), out), 0);
  EXPECT_EQ(out[0], 0x5555);
  out.resize(202);
  EXPECT_EQ(AudioDecoder::decode(frame, AudioDecoder::tag("3511"), out), 404);
}

// FFmpeg's SMJPEG IMA ADPCM decoder reads a packet [BE16 predictor][index][pad]
// [codes, high nibble first] with the same arithmetic: the oracle.
class SmjpegOracle {
 public:
  SmjpegOracle() {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_ADPCM_IMA_SMJPEG);
    context_ = avcodec_alloc_context3(codec);
    context_->sample_rate = 8000;
    av_channel_layout_default(&context_->ch_layout, 1);
    EXPECT_EQ(avcodec_open2(context_, codec, nullptr), 0);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
  }
  ~SmjpegOracle() {
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&context_);
  }
  std::vector<int16_t> decode(ImaAdpcmState state, std::span<const uint8_t> codes) {
    int index = std::clamp(state.index, 0, 88);  // SMJPEG refuses an index above 88
    std::vector<uint8_t> data{uint8_t(uint16_t(state.predictor) >> 8), uint8_t(state.predictor & 0xFF),
                              uint8_t(index), 0};
    data.insert(data.end(), codes.begin(), codes.end());
    data.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    packet_->data = data.data();
    packet_->size = static_cast<int>(data.size() - AV_INPUT_BUFFER_PADDING_SIZE);
    std::vector<int16_t> pcm;
    if (avcodec_send_packet(context_, packet_) < 0) return pcm;
    while (avcodec_receive_frame(context_, frame_) == 0) {
      const int16_t* s = reinterpret_cast<const int16_t*>(frame_->data[0]);
      pcm.insert(pcm.end(), s, s + frame_->nb_samples);
    }
    return pcm;
  }

 private:
  AVCodecContext* context_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
};

struct OracleLayout {
  const char* name;
  const char* chip;
};

class Oracle : public ::testing::TestWithParam<OracleLayout> {};

// Random frames: predictors over the whole range, header index fields of any
// value the layout can carry, random codes of 1 to 400 bytes.
TEST_P(Oracle, RandomFramesMatchFfmpegBitForBit) {
  const uint32_t chip = AudioDecoder::tag(*reinterpret_cast<const char(*)[5]>(GetParam().chip));
  SmjpegOracle oracle;
  std::mt19937 random(20261210);
  std::vector<int16_t> out(800);
  for (int i = 0; i < 400; ++i) {
    std::vector<uint8_t> codes(1 + random() % 400);
    for (uint8_t& b : codes) b = static_cast<uint8_t>(random());
    const int16_t predictor = static_cast<int16_t>(random());
    std::vector<uint8_t> frame;
    int index;
    if (chip == AudioDecoder::tag("I320")) {
      const uint8_t byte10 = static_cast<uint8_t>(random());
      frame = hr320Frame(predictor, byte10, codes);
      index = byte10 & 0x7F;
    } else if (chip == AudioDecoder::tag("816x")) {
      const int16_t field = static_cast<int16_t>(random() % 4 == 0 ? random() : random() % 89);
      frame = dm816xFrame(predictor, field, codes);
      index = field;
    } else {
      const uint8_t byte6 = static_cast<uint8_t>(random());
      frame = hi3511Frame(predictor, byte6, codes);
      index = byte6;
    }
    const int bytes = AudioDecoder::decode(frame, chip, out);
    ASSERT_EQ(bytes, static_cast<int>(codes.size() * 4));
    std::vector<int16_t> ours(out.begin(), out.begin() + bytes / 2);
    ASSERT_EQ(ours, oracle.decode(ImaAdpcmState{index, predictor}, codes)) << "frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(AudioDecoder, Oracle,
                         ::testing::Values(OracleLayout{"Hi3511", "3511"}, OracleLayout{"Hr320", "I320"},
                                           OracleLayout{"DM816x", "816x"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ToneCase {
  const char* name;
  const char* file;
  const char* chip;
};

class ToneFixture : public ::testing::TestWithParam<ToneCase> {};

// The recorder-layout fixtures decode to what FFmpeg decodes from the same state
// and codes, and to a clean 1 kHz tone.
TEST_P(ToneFixture, MatchesFfmpegAndHoldsTheTone) {
  const ToneCase& c = GetParam();
  const uint32_t chip = AudioDecoder::tag(*reinterpret_cast<const char(*)[5]>(c.chip));
  auto frames = test::readAdpcmFixture(c.file);
  ASSERT_FALSE(frames.empty());
  SmjpegOracle oracle;
  std::vector<int16_t> all, out(96000 / 2);
  const size_t header = AudioDecoder::headerSize(chip);
  for (const auto& frame : frames) {
    const int bytes = AudioDecoder::decode(frame, chip, out);
    ASSERT_EQ(bytes, static_cast<int>((frame.size() - header) * 4));
    std::vector<int16_t> ours(out.begin(), out.begin() + bytes / 2);
    ImaAdpcmState state = test::adpcmHeaderState(frame, chip);
    ASSERT_EQ(ours, oracle.decode(state, std::span(frame).subspan(header)));
    all.insert(all.end(), ours.begin(), ours.end());
  }
  const int rate = AudioDecoder::sampleRate(chip);
  EXPECT_EQ(all.size(), static_cast<size_t>(rate * 2));
  std::vector<double> samples(all.begin() + rate / 10, all.end());
  EXPECT_GT(test::goertzelPower(samples, rate, 1000.0), 100.0 * test::goertzelPower(samples, rate, 700.0));
  EXPECT_NEAR(test::rms(samples), 8000.0 / std::sqrt(2.0), 300.0);
}

INSTANTIATE_TEST_SUITE_P(AudioDecoder, ToneFixture,
                         ::testing::Values(ToneCase{"Hi3511", "tone_3511_8k.adpcm", "3511"},
                                           ToneCase{"Hi3531", "tone_3531_32k.adpcm", "3531"},
                                           ToneCase{"Hr320", "tone_i320_8k.adpcm", "I320"},
                                           ToneCase{"DM816x", "tone_816x_16k.adpcm", "816x"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvo
