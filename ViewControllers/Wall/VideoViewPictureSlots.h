#pragma once
// The newest picture of each plane, between the decoding queues and the wall's render
// thread. A decoding queue puts a reference to its decoded picture into the slot of
// each plane that shows the camera and goes on at once; the render thread takes what
// is new at each turn and uploads it. A picture that is not yet taken when a newer one
// comes is let go and counted as skipped: at most one picture per plane waits.
//
// Thread-safe. put may come from any thread; take from the render thread; drop and
// the counters from any.

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Decoder/VideoDecoder.h"

extern "C" {
struct AVFrame;
}

namespace zelvo {

class VideoViewPictureSlots {
 public:
  struct Picture {
    // Holds the decoder's buffers (a reference, or a copy when they are not counted).
    std::shared_ptr<const AVFrame> frame;
    int width = 0;
    int height = 0;
    float verticalScale = 1.0f;
  };
  struct Taken {
    int plane = 0;
    Picture picture;
  };

  explicit VideoViewPictureSlots(int planes);

  // A reference to the decoded picture, for putting into one or more slots; none when
  // the frame holds no picture.
  static std::shared_ptr<const AVFrame> reference(const DecodedVideoFrame& frame);
  // False when the plane is out of range or the frame has no picture.
  bool put(int plane, const DecodedVideoFrame& frame, float verticalScale);
  bool put(int plane, Picture picture);
  // Every picture not yet taken, in plane order; the slots are empty after.
  std::vector<Taken> take();
  // Whether any slot holds a picture not yet taken.
  bool hasNew() const;
  // Lets go of what the plane (or every plane) holds: a picture put before a clear of
  // the plane must not be drawn over the clear. Not counted as skipped.
  void drop(int plane);
  void dropAll();

  int planeCount() const { return static_cast<int>(slots_.size()); }
  uint64_t skipped() const;
  uint64_t skipped(int plane) const;
  uint64_t putCount() const;

 private:
  struct Slot {
    Picture picture;
    bool fresh = false;
    uint64_t skipped = 0;
  };
  mutable std::mutex mutex_;
  std::vector<Slot> slots_;
  uint64_t skippedTotal_ = 0;
  uint64_t putTotal_ = 0;
};

}  // namespace zelvo
