#include "Decoder/AudioPlayer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Decoder/AudioDecoder.h"
#include "Decoder/FakeAudioOutput.h"

namespace zelvo {
namespace {

const uint32_t k3511 = AudioDecoder::tag("3511");
const uint32_t k816x = AudioDecoder::tag("816x");

// A frame in the 8-byte layout whose codes decode to 4 x codes bytes of PCM.
std::vector<uint8_t> hi3511Frame(size_t codes, uint8_t code = 0x70) {
  std::vector<uint8_t> f(8 + codes, code);
  f[4] = f[5] = f[6] = f[7] = 0;
  return f;
}
std::vector<uint8_t> dm816xFrame(size_t codes) {
  std::vector<uint8_t> f(4 + codes, 0x11);
  f[0] = f[1] = f[2] = f[3] = 0;
  return f;
}

struct Player {
  test::FakeAudioOutput* output;
  std::unique_ptr<AudioPlayer> player;
  explicit Player(uint32_t capacity = 96000) {
    auto fake = std::make_unique<test::FakeAudioOutput>();
    output = fake.get();
    player = std::make_unique<AudioPlayer>(capacity, std::move(fake));
  }
  // Drains the three primed buffers the output plays first.
  void playPrimed() {
    for (int i = 0; i < AudioPlayer::BufferCount; ++i) output->pull(player->bufferSize());
  }
};

TEST(AudioPlayer, StartsAt8000HzWithBuffersOfEightyMilliseconds) {
  Player p;
  EXPECT_EQ(p.player->sampleRate(), 8000.0);
  EXPECT_EQ(p.player->bufferSize(), 1280u);
  EXPECT_EQ(p.player->minBufferingSize(), 3840u);
  ASSERT_EQ(p.output->created.size(), 1u);
  EXPECT_EQ(p.output->created[0].sampleRate, 8000);
  EXPECT_EQ(p.output->created[0].bufferBytes, 3u * 1280);
  EXPECT_EQ(p.output->volume, 1.0f);
  EXPECT_FALSE(p.player->isPlaying());
}

TEST(AudioPlayer, OutputStartsWithTheFrameThatBringsTheStoreToTheStartLevel) {
  Player p;
  auto frame = hi3511Frame(240);  // 960 bytes of PCM
  for (int i = 1; i <= 3; ++i) {
    p.player->play(frame, k3511);
    EXPECT_EQ(p.output->starts, 0) << i;
  }
  p.player->play(frame, k3511);  // 3840 bytes stored
  EXPECT_EQ(p.player->storedBytes(), 3840u);
  EXPECT_EQ(p.output->starts, 1);
  EXPECT_TRUE(p.player->isPlaying());
  p.player->play(frame, k3511);
  EXPECT_EQ(p.output->starts, 1);
}

TEST(AudioPlayer, ChipOfAnotherRateRecreatesTheOutputAndEmptiesTheStore) {
  Player p;
  p.player->adjustGain(0.5f);
  p.player->play(hi3511Frame(240), k3511);
  ASSERT_EQ(p.player->storedBytes(), 960u);
  p.player->play(dm816xFrame(100), k816x);
  EXPECT_EQ(p.player->sampleRate(), 16000.0);
  EXPECT_EQ(p.player->bufferSize(), 2560u);
  EXPECT_EQ(p.player->minBufferingSize(), 7680u);
  EXPECT_EQ(p.player->storedBytes(), 400u);  // only the new frame
  ASSERT_EQ(p.output->created.size(), 2u);
  EXPECT_EQ(p.output->created[1].sampleRate, 16000);
  EXPECT_EQ(p.output->created[1].bufferBytes, 3u * 2560);
  EXPECT_EQ(p.output->disposes, 1);
  EXPECT_EQ(p.output->volume, 0.5f);  // the new output has the player's volume
  // Same rate, other layout: the output stays.
  p.player->play(dm816xFrame(100), k816x);
  EXPECT_EQ(p.output->created.size(), 2u);
}

TEST(AudioPlayer, FrameThatOnlyPartlyFitsIsCut) {
  Player p;
  for (int i = 0; i < 23; ++i) p.player->play(hi3511Frame(1000), k3511);
  p.player->play(hi3511Frame(750), k3511);
  ASSERT_EQ(p.player->storedBytes(), 95000u);
  p.player->play(hi3511Frame(1000, 0x07), k3511);
  EXPECT_EQ(p.player->storedBytes(), 96000u);
  // A full store drops the next frame whole.
  p.player->play(hi3511Frame(10), k3511);
  EXPECT_EQ(p.player->storedBytes(), 96000u);
}

TEST(AudioPlayer, FrameTooLargeForTheDecodeBufferIsDropped) {
  Player p;
  p.player->play(hi3511Frame(24001), k3511);
  EXPECT_EQ(p.player->storedBytes(), 0u);
  p.player->play(hi3511Frame(24000), k3511);
  EXPECT_EQ(p.player->storedBytes(), 96000u);
}

TEST(AudioPlayer, StopWhenNotPlayingKeepsTheStore) {
  Player p;
  p.player->play(hi3511Frame(240), k3511);
  p.player->stop();
  EXPECT_EQ(p.player->storedBytes(), 960u);
  EXPECT_EQ(p.output->stops, 0);
}

TEST(AudioPlayer, StopWhenPlayingStopsAtOnceEmptiesAndPrimesAgain) {
  Player p;
  for (int i = 0; i < 4; ++i) p.player->play(hi3511Frame(240), k3511);
  ASSERT_TRUE(p.player->isPlaying());
  p.playPrimed();
  p.player->stop();
  EXPECT_EQ(p.output->stops, 1);
  EXPECT_FALSE(p.player->isPlaying());
  EXPECT_EQ(p.player->storedBytes(), 0u);
  // Primed again: three buffers of silence come first.
  for (int i = 0; i < AudioPlayer::BufferCount; ++i)
    EXPECT_EQ(p.output->pull(1280), std::vector<uint8_t>(1280, 0));
}

// As after a change of the selected plane: the new camera's frames come with its
// pictures' trims in between, and the output starts again at the start level.
TEST(AudioPlayer, AfterAStopTheNextStartLevelOfSoundStartsTheOutputAgain) {
  Player p;
  for (int i = 0; i < 4; ++i) p.player->play(hi3511Frame(240), k3511);
  ASSERT_EQ(p.output->starts, 1);
  p.player->stop();
  ASSERT_FALSE(p.player->isPlaying());
  for (int i = 1; i <= 5; ++i) {
    p.player->play(hi3511Frame(160, 0x07), k3511);  // 640 bytes
    p.player->discardDelayedData();
    EXPECT_EQ(p.output->starts, 1) << i;
  }
  p.player->play(hi3511Frame(160, 0x07), k3511);  // 3840 bytes stored
  EXPECT_EQ(p.output->starts, 2);
  EXPECT_TRUE(p.player->isPlaying());
  p.player->discardDelayedData();  // keeps exactly the start level
  EXPECT_EQ(p.player->storedBytes(), 3840u);
  // The primed silence, then the new sound.
  p.playPrimed();
  EXPECT_NE(p.output->pull(1280), std::vector<uint8_t>(1280, 0));
  EXPECT_EQ(p.player->storedBytes(), 2560u);
}

TEST(AudioPlayer, PullsTheStoreInOrderThenSilence) {
  Player p;
  p.playPrimed();
  EXPECT_EQ(p.output->pull(12800), std::vector<uint8_t>(1280, 0));  // empty store: a buffer of zeros
  p.player->play(hi3511Frame(500, 0x70), k3511);                    // 2000 bytes
  auto first = p.output->pull(12800);
  EXPECT_EQ(first.size(), 1280u);
  int16_t s0, s1;
  std::memcpy(&s0, first.data(), 2);
  std::memcpy(&s1, first.data() + 2, 2);
  EXPECT_EQ(s0, 11);
  EXPECT_EQ(s1, 13);
  EXPECT_EQ(p.output->pull(12800).size(), 720u);  // what is left, no more
  EXPECT_EQ(p.output->pull(600), std::vector<uint8_t>(600, 0));
}

TEST(AudioPlayer, DiscardDelayedDataKeepsTheNewestQuarterSecond) {
  Player p;
  for (int i = 0; i < 10; ++i) p.player->play(hi3511Frame(250), k3511);
  ASSERT_EQ(p.player->storedBytes(), 10000u);
  p.player->discardDelayedData();
  EXPECT_EQ(p.player->storedBytes(), 3840u);
}

TEST(AudioPlayer, VolumeGoesToTheOutput) {
  Player p;
  p.player->adjustGain(0.25f);
  EXPECT_EQ(p.player->gain(), 0.25f);
  EXPECT_EQ(p.output->volume, 0.25f);
}

TEST(AudioPlayer, WithoutAWorkingOutputSoundIsDroppedWithoutHarm) {
  Player p(9600);
  p.output->refuseStart = true;
  for (int i = 0; i < 20; ++i) p.player->play(hi3511Frame(240), k3511);
  EXPECT_FALSE(p.player->isPlaying());
  EXPECT_EQ(p.player->storedBytes(), 9600u);
  p.player->stop();  // not playing: nothing
}

TEST(AudioPlayer, SizeOfDurationPerRate) {
  struct Row {
    const char* chip;
    uint32_t buffer, start;
  };
  for (Row r : {Row{"3511", 1280, 3840}, Row{"816x", 2560, 7680}, Row{"3531", 5120, 15360}}) {
    Player p;
    std::vector<uint8_t> frame(20, 0);
    p.player->play(frame, AudioDecoder::tag(*reinterpret_cast<const char(*)[5]>(r.chip)));
    EXPECT_EQ(p.player->bufferSize(), r.buffer) << r.chip;
    EXPECT_EQ(p.player->minBufferingSize(), r.start) << r.chip;
  }
}

}  // namespace
}  // namespace zelvo
