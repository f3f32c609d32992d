// The newest picture of each plane between the decoding queues and the render thread:
// a newer picture replaces one not yet taken and is counted as skipped, a clear lets go
// of what waits, and the buffers live exactly as long as someone holds them.
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
}

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "ViewControllers/Wall/VideoViewPictureSlots.h"

namespace zelvo {
namespace {

// A 4:2:0 picture whose first luma byte is its number, in counted buffers (as a decoder
// gives them) or in plain memory that only lives while the call runs.
class TestPicture {
 public:
  TestPicture(uint8_t number, int width = 16, int height = 8, bool counted = true)
      : frame_(av_frame_alloc()), width_(width), height_(height) {
    frame_->format = 0;  // AV_PIX_FMT_YUV420P
    frame_->width = width;
    frame_->height = height;
    if (counted) {
      EXPECT_EQ(av_frame_get_buffer(frame_, 0), 0);
    } else {
      const int chroma = (height + 1) / 2;
      plain_.assign(static_cast<size_t>(width * height + 2 * (width / 2) * chroma), 0);
      frame_->data[0] = plain_.data();
      frame_->data[1] = plain_.data() + width * height;
      frame_->data[2] = frame_->data[1] + (width / 2) * chroma;
      frame_->linesize[0] = width;
      frame_->linesize[1] = frame_->linesize[2] = width / 2;
    }
    frame_->data[0][0] = number;
    // The last chroma row, which an odd height adds.
    frame_->data[2][static_cast<size_t>((height + 1) / 2 - 1) * frame_->linesize[2]] = static_cast<uint8_t>(number + 1);
  }
  ~TestPicture() { av_frame_free(&frame_); }

  DecodedVideoFrame decoded() const {
    DecodedVideoFrame d;
    d.width = static_cast<uint16_t>(width_);
    d.height = static_cast<uint16_t>(height_);
    d.picture = frame_;
    d.gotPicture = true;
    return d;
  }
  AVFrame* frame() { return frame_; }

 private:
  AVFrame* frame_;
  int width_, height_;
  std::vector<uint8_t> plain_;
};

uint8_t numberOf(const VideoViewPictureSlots::Taken& taken) { return taken.picture.frame->data[0][0]; }

TEST(VideoViewPictureSlots, TheNewestPictureWinsAndTheOnesReplacedAreCountedAsSkipped) {
  VideoViewPictureSlots slots(64);
  for (uint8_t n = 1; n <= 3; ++n) ASSERT_TRUE(slots.put(5, TestPicture(n).decoded(), 1.5f));
  ASSERT_TRUE(slots.put(63, TestPicture(9).decoded(), 1.0f));
  EXPECT_TRUE(slots.hasNew());
  EXPECT_EQ(slots.skipped(), 2u);
  EXPECT_EQ(slots.skipped(5), 2u);
  EXPECT_EQ(slots.skipped(63), 0u);
  EXPECT_EQ(slots.putCount(), 4u);

  std::vector<VideoViewPictureSlots::Taken> taken = slots.take();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0].plane, 5);
  EXPECT_EQ(numberOf(taken[0]), 3);
  EXPECT_EQ(taken[0].picture.width, 16);
  EXPECT_EQ(taken[0].picture.verticalScale, 1.5f);
  EXPECT_EQ(taken[1].plane, 63);
  EXPECT_EQ(numberOf(taken[1]), 9);
  // Taken is taken: nothing new, and a picture after it is not a skip.
  EXPECT_FALSE(slots.hasNew());
  EXPECT_TRUE(slots.take().empty());
  ASSERT_TRUE(slots.put(5, TestPicture(4).decoded(), 1.0f));
  EXPECT_EQ(slots.skipped(), 2u);
}

TEST(VideoViewPictureSlots, ADropLetsGoOfWhatWaitsWithoutCountingASkip) {
  VideoViewPictureSlots slots(4);
  ASSERT_TRUE(slots.put(1, TestPicture(1).decoded(), 1.0f));
  ASSERT_TRUE(slots.put(2, TestPicture(2).decoded(), 1.0f));
  slots.drop(1);
  std::vector<VideoViewPictureSlots::Taken> taken = slots.take();
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].plane, 2);
  ASSERT_TRUE(slots.put(3, TestPicture(3).decoded(), 1.0f));
  slots.dropAll();
  EXPECT_FALSE(slots.hasNew());
  EXPECT_EQ(slots.skipped(), 0u);
}

TEST(VideoViewPictureSlots, WhatCannotBeShownIsRefused) {
  VideoViewPictureSlots slots(4);
  TestPicture picture(1);
  for (int plane : {-1, 4, 1000}) EXPECT_FALSE(slots.put(plane, picture.decoded(), 1.0f)) << plane;
  DecodedVideoFrame none = picture.decoded();
  none.gotPicture = false;
  EXPECT_FALSE(slots.put(0, none, 1.0f));
  none = DecodedVideoFrame{};
  none.gotPicture = true;
  EXPECT_FALSE(slots.put(0, none, 1.0f));
  EXPECT_FALSE(slots.hasNew());
  slots.drop(-1);
  slots.drop(4);
  EXPECT_EQ(slots.skipped(-1), 0u);
}

// The decoder's next picture reuses or frees its buffers: the slot holds a reference of
// its own to counted buffers, and a copy of everything uploaded (the last chroma row of
// an odd height too) when they are not counted.
TEST(VideoViewPictureSlots, APictureOutlivesTheDecodersFrame) {
  for (const bool counted : {true, false}) {
    SCOPED_TRACE(counted ? "counted buffers" : "plain buffers");
    VideoViewPictureSlots slots(1);
    {
      TestPicture picture(7, 16, 9, counted);
      ASSERT_TRUE(slots.put(0, picture.decoded(), 1.0f));
      picture.frame()->data[0][0] = counted ? 7 : 99;  // the decoder's next use of plain memory
    }
    std::vector<VideoViewPictureSlots::Taken> taken = slots.take();
    ASSERT_EQ(taken.size(), 1u);
    const AVFrame* kept = taken[0].picture.frame.get();
    EXPECT_EQ(kept->data[0][0], 7);
    EXPECT_EQ(kept->data[2][static_cast<size_t>(4) * kept->linesize[2]], 8);
    if (!counted) {
      EXPECT_EQ(kept->linesize[1] * 2, kept->linesize[0]);
    }
  }
}

// Decoding queues put while the render thread takes: every picture is either taken or
// counted as skipped, and each plane's pictures come out in the order they were put.
TEST(VideoViewPictureSlots, PutsFromManyThreadsAreEachTakenOrSkipped) {
  constexpr int Planes = 8, PerPlane = 200;
  VideoViewPictureSlots slots(Planes);
  std::atomic<int> running{Planes};
  std::vector<std::thread> queues;
  for (int plane = 0; plane < Planes; ++plane)
    queues.emplace_back([&, plane] {
      for (int n = 1; n <= PerPlane; ++n) slots.put(plane, TestPicture(static_cast<uint8_t>(n)).decoded(), 1.0f);
      --running;
    });
  uint64_t takenCount = 0;
  std::vector<int> last(Planes, 0);
  bool ordered = true;
  auto takeAll = [&] {
    for (const auto& taken : slots.take()) {
      ++takenCount;
      ordered = ordered && numberOf(taken) > last[static_cast<size_t>(taken.plane)];
      last[static_cast<size_t>(taken.plane)] = numberOf(taken);
    }
  };
  while (running > 0) takeAll();
  for (std::thread& queue : queues) queue.join();
  takeAll();
  EXPECT_TRUE(ordered);
  EXPECT_EQ(takenCount + slots.skipped(), static_cast<uint64_t>(Planes * PerPlane));
  for (int plane = 0; plane < Planes; ++plane) EXPECT_EQ(last[static_cast<size_t>(plane)], PerPlane) << plane;
}

}  // namespace
}  // namespace zelvo
