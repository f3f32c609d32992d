#include "ViewControllers/Wall/VideoViewPictureSlots.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cstddef>
#include <cstring>
#include <utility>

namespace zelvo {

VideoViewPictureSlots::VideoViewPictureSlots(int planes) : slots_(static_cast<size_t>(planes > 0 ? planes : 0)) {}

namespace {

// The three 4:2:0 planes at the sizes the wall uploads: Y of line size x height, U and
// V of half the line size x half the height, rounded up (an odd height has one more
// chroma row than half of it).
bool copyPlanes(AVFrame* copy, const AVFrame* source, int height) {
  const int lineSize = source->linesize[0];
  if (lineSize <= 0 || height <= 0 || !source->data[0] || !source->data[1] || !source->data[2]) return false;
  const int chromaRows = (height + 1) / 2;
  const size_t sizes[3] = {static_cast<size_t>(lineSize) * static_cast<size_t>(height),
                           static_cast<size_t>(lineSize / 2) * static_cast<size_t>(chromaRows),
                           static_cast<size_t>(lineSize / 2) * static_cast<size_t>(chromaRows)};
  const int pitches[3] = {lineSize, lineSize / 2, lineSize / 2};
  const int rows[3] = {height, chromaRows, chromaRows};
  for (int i = 0; i < 3; ++i) {
    copy->buf[i] = av_buffer_alloc(sizes[i] > 0 ? sizes[i] : 1);
    if (!copy->buf[i]) return false;
    copy->data[i] = copy->buf[i]->data;
    copy->linesize[i] = pitches[i];
    // Row by row: the source's own pitch may differ from the one uploaded.
    for (int row = 0; row < rows[i]; ++row)
      std::memcpy(copy->data[i] + static_cast<size_t>(row) * static_cast<size_t>(pitches[i]),
                  source->data[i] + static_cast<ptrdiff_t>(row) * source->linesize[i], static_cast<size_t>(pitches[i]));
  }
  copy->width = source->width;
  copy->height = source->height;
  copy->format = source->format;
  return true;
}

}  // namespace

std::shared_ptr<const AVFrame> VideoViewPictureSlots::reference(const DecodedVideoFrame& frame) {
  if (!frame.gotPicture || !frame.picture) return nullptr;
  AVFrame* copy = av_frame_alloc();
  if (!copy) return nullptr;
  // Counted buffers are shared with the decoder's pool; others are copied.
  const bool ok = frame.picture->buf[0] ? av_frame_ref(copy, frame.picture) == 0
                                        : copyPlanes(copy, frame.picture, frame.height);
  if (!ok) {
    av_frame_free(&copy);
    return nullptr;
  }
  return std::shared_ptr<const AVFrame>(copy, [](const AVFrame* f) {
    AVFrame* owned = const_cast<AVFrame*>(f);
    av_frame_free(&owned);
  });
}

bool VideoViewPictureSlots::put(int plane, const DecodedVideoFrame& frame, float verticalScale) {
  if (plane < 0 || plane >= planeCount()) return false;
  Picture picture{reference(frame), frame.width, frame.height, verticalScale};
  if (!picture.frame) return false;
  return put(plane, std::move(picture));
}

bool VideoViewPictureSlots::put(int plane, Picture picture) {
  if (plane < 0 || plane >= planeCount() || !picture.frame) return false;
  std::shared_ptr<const AVFrame> previous;
  {
    std::lock_guard lock(mutex_);
    Slot& slot = slots_[static_cast<size_t>(plane)];
    if (slot.fresh) {
      ++slot.skipped;
      ++skippedTotal_;
    }
    ++putTotal_;
    previous = std::move(slot.picture.frame);
    slot.picture = std::move(picture);
    slot.fresh = true;
  }
  // The older picture's buffers go back to its decoder outside the lock.
  previous.reset();
  return true;
}

std::vector<VideoViewPictureSlots::Taken> VideoViewPictureSlots::take() {
  std::vector<Taken> taken;
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i].fresh) continue;
    slots_[i].fresh = false;
    taken.push_back({static_cast<int>(i), std::move(slots_[i].picture)});
    slots_[i].picture = Picture{};
  }
  return taken;
}

bool VideoViewPictureSlots::hasNew() const {
  std::lock_guard lock(mutex_);
  for (const Slot& slot : slots_)
    if (slot.fresh) return true;
  return false;
}

void VideoViewPictureSlots::drop(int plane) {
  if (plane < 0 || plane >= planeCount()) return;
  std::shared_ptr<const AVFrame> previous;
  std::lock_guard lock(mutex_);
  Slot& slot = slots_[static_cast<size_t>(plane)];
  previous = std::move(slot.picture.frame);
  slot.picture = Picture{};
  slot.fresh = false;
}

void VideoViewPictureSlots::dropAll() {
  for (int plane = 0; plane < planeCount(); ++plane) drop(plane);
}

uint64_t VideoViewPictureSlots::skipped() const {
  std::lock_guard lock(mutex_);
  return skippedTotal_;
}

uint64_t VideoViewPictureSlots::skipped(int plane) const {
  if (plane < 0 || plane >= planeCount()) return 0;
  std::lock_guard lock(mutex_);
  return slots_[static_cast<size_t>(plane)].skipped;
}

uint64_t VideoViewPictureSlots::putCount() const {
  std::lock_guard lock(mutex_);
  return putTotal_;
}

}  // namespace zelvo
