// The audio player end to end: a recorder's tone decoded and played through the
// system's sound server into a null sink, recorded from the sink's monitor.
// Needs PULSE_SERVER (scripts/test-services starts one) and parec.

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <cmath>
#include <cstdlib>

#include "Decoder/AdpcmFixture.h"
#include "Decoder/AudioDecoder.h"
#include "Decoder/AudioPlayer.h"
#include "Decoder/QtAudioOutput.h"
#include "support/MonitorRecording.h"
#include "support/SharedDeviceLock.h"
#include "support/TestApplication.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

constexpr int kRate = 8000;
constexpr int kBlock = kRate / 50;  // 20 ms

using test::MonitorRecording;

// The loud part of a recording: 20 ms blocks whose level is above the noise.
struct Analysis {
  int firstLoud = -1, lastLoud = -1;
  size_t blocks = 0;
  std::vector<double> loud;   // samples of the loud run, its edges trimmed
  double tailRms = 0.0;       // after the loud run
};

Analysis analyse(const std::vector<double>& x) {
  Analysis a;
  a.blocks = x.size() / kBlock;
  for (size_t b = 0; b < a.blocks; ++b) {
    std::vector<double> block(x.begin() + b * kBlock, x.begin() + (b + 1) * kBlock);
    if (test::rms(block) > 300.0) {
      if (a.firstLoud < 0) a.firstLoud = static_cast<int>(b);
      a.lastLoud = static_cast<int>(b);
    }
  }
  if (a.firstLoud >= 0 && a.lastLoud - a.firstLoud > 10) {
    a.loud.assign(x.begin() + (a.firstLoud + 3) * kBlock, x.begin() + (a.lastLoud - 2) * kBlock);
    const size_t tailStart = std::min(x.size(), static_cast<size_t>(a.lastLoud + 2) * kBlock);
    a.tailRms = test::rms(std::vector<double>(x.begin() + tailStart, x.end()));
  }
  return a;
}

struct GainCase {
  const char* name;
  float gain;
};

class AudioPlayerEndToEnd : public ::testing::TestWithParam<GainCase> {
 protected:
  void SetUp() override { test::endWithoutLibraryTeardown(); }
  // The null sink is shared with every other test that plays sound.
  test::SharedDeviceLock sink{"audio-sink"};
};

TEST_P(AudioPlayerEndToEnd, PlaysTheToneThenSilence) {
  if (!std::getenv("PULSE_SERVER") || QStandardPaths::findExecutable("parec").isEmpty())
    GTEST_SKIP() << "needs a sound server (scripts/test-services) and parec";
  const float gain = GetParam().gain;
  auto frames = test::readAdpcmFixture("tone_3511_8k.adpcm");
  ASSERT_EQ(frames.size(), 50u);  // 2 s

  MonitorRecording recording;
  ASSERT_TRUE(recording.started());
  auto output = std::make_unique<QtAudioOutput>();
  QtAudioOutput* sink = output.get();
  AudioPlayer player(96000, std::move(output));
  player.adjustGain(gain);
  for (const auto& frame : frames) player.play(frame, AudioDecoder::tag("3511"));
  ASSERT_TRUE(player.isPlaying());
  // The sink holds no more than the three buffers the latency bound counts on.
  EXPECT_GT(sink->grantedBufferBytes(), 0u);
  EXPECT_LE(sink->grantedBufferBytes(), 3u * player.bufferSize());

  // The store drains; the tone must then be followed by at least 0.4 s of silence
  // in the recording (the store ran dry and the output kept playing zeros).
  Analysis a;
  ASSERT_TRUE(test::waitUntil(
      [&] {
        a = analyse(recording.samples());
        return a.lastLoud - a.firstLoud >= 90 && a.blocks >= static_cast<size_t>(a.lastLoud) + 22;
      },
      std::chrono::seconds(30)))
      << "loud blocks " << a.firstLoud << ".." << a.lastLoud << " of " << a.blocks;
  EXPECT_TRUE(player.isPlaying());  // an empty store plays silence; playback never stops by itself
  EXPECT_EQ(player.storedBytes(), 0u);

  // About 2 s of tone, at 1 kHz, at the level the volume gives.
  EXPECT_NEAR((a.lastLoud - a.firstLoud + 1) * 0.02, 2.0, 0.15);
  EXPECT_GT(test::goertzelPower(a.loud, kRate, 1000.0), 100.0 * test::goertzelPower(a.loud, kRate, 700.0));
  EXPECT_GT(test::goertzelPower(a.loud, kRate, 1000.0), 100.0 * test::goertzelPower(a.loud, kRate, 1500.0));
  const double expectedRms = gain * 8000.0 / std::sqrt(2.0);
  EXPECT_NEAR(test::rms(a.loud), expectedRms, expectedRms * 0.2);
  EXPECT_LT(a.tailRms, 50.0);

  player.stop();
  EXPECT_FALSE(player.isPlaying());
}

INSTANTIATE_TEST_SUITE_P(AudioPlayer, AudioPlayerEndToEnd,
                         ::testing::Values(GainCase{"FullVolume", 1.0f}, GainCase{"HalfVolume", 0.5f}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvo
