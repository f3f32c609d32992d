// The emulated wall's media: each camera's picture decodes to its own colour and
// each camera's sound to its own tone, through the client's own decoders.
#include "emulator/WallMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

#include "Decoder/AudioDecoder.h"
#include "Decoder/VideoDecoder.h"
#include "support/TonePower.h"

namespace zelvo {
namespace {

using emulator::wallCameraColour;
using emulator::wallToneFrequency;

using test::tonePower;

class WallTone : public ::testing::TestWithParam<int> {};

TEST_P(WallTone, IsTheCamerasOwn) {
  int camera = GetParam();
  std::vector<int16_t> samples;
  for (const auto& frame : emulator::wallToneFrames(camera)) {
    std::vector<int16_t> pcm(4096);
    int bytes = AudioDecoder::decode(frame, AudioDecoder::tag("3511"), pcm);
    ASSERT_GT(bytes, 0);
    samples.insert(samples.end(), pcm.begin(), pcm.begin() + bytes / 2);
  }
  ASSERT_EQ(samples.size(), 16000u);  // 2 s at 8000 Hz
  double own = tonePower(samples, wallToneFrequency(camera), emulator::WallToneRate);
  for (int other : {camera - 1, camera + 1}) {
    if (other < 0 || other >= emulator::WallCameraCount) continue;
    EXPECT_GT(own, 100.0 * tonePower(samples, wallToneFrequency(other), emulator::WallToneRate)) << other;
  }
}

INSTANTIATE_TEST_SUITE_P(WallMedia, WallTone, ::testing::Values(0, 1, 2, 3, 17, 31));

class WallPicture : public ::testing::TestWithParam<int> {};

TEST_P(WallPicture, ShowsTheCamerasOwnColour) {
  int camera = GetParam();
  auto frames = emulator::wallPictureFrames(camera);
  ASSERT_EQ(frames.size(), 50u);
  auto decoder = VideoDecoder::create();
  DecodedVideoFrame picture =
      decoder->decodePayload(frames[0], true, AudioDecoder::tag("HiSi"), AudioDecoder::tag("3531"), 0);
  ASSERT_TRUE(picture.gotPicture);
  EXPECT_EQ(picture.width, emulator::WallPictureWidth);
  EXPECT_EQ(picture.height, emulator::WallPictureHeight);
  // A point of the background, away from the moving square.
  int x = 20, y = 20;
  double Y = picture.picture->data[0][y * picture.picture->linesize[0] + x];
  double U = picture.picture->data[1][y / 2 * picture.picture->linesize[1] + x / 2];
  double V = picture.picture->data[2][y / 2 * picture.picture->linesize[2] + x / 2];
  emulator::Rgb expected = wallCameraColour(camera);
  // BT.601, limited range, as the encoder made it.
  double r = expected.r, g = expected.g, b = expected.b;
  EXPECT_NEAR(Y, 16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0, 4);
  EXPECT_NEAR(U, 128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0, 4);
  EXPECT_NEAR(V, 128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0, 4);
}

INSTANTIATE_TEST_SUITE_P(WallMedia, WallPicture, ::testing::Values(0, 1, 2, 3, 16, 31));

TEST(WallMedia, NeighbouringCamerasHaveColoursFarApart) {
  for (int camera = 0; camera + 1 < emulator::WallCameraCount; ++camera) {
    emulator::Rgb a = wallCameraColour(camera), b = wallCameraColour(camera + 1);
    int distance = std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
    EXPECT_GT(distance, 60) << camera;
  }
}

}  // namespace
}  // namespace zelvo
