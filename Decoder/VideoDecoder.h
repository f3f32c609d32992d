#pragma once
// Decodes one camera's live H.264 into YUV 4:2:0 pictures. Each decoder has its
// own serial queue, on which frames are paced to their time stamps and then
// decoded one at a time, in arrival order.
//
// The compressed data is copied once per frame into the decoder's own padded
// input buffer (the library reads a little past the data and wants zeros
// there), reused from frame to frame; nothing is ever written into the received
// packet. Pictures always come out as planar 4:2:0 whose chroma line size is half
// the luma line size: any other layout is converted first.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "Foundation/SerialQueue.h"
#include "Network/MediaFrame.h"
#include "Network/Playback/AVSynchronizer.h"

struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVBufferRef;
struct SwsContext;

namespace zelvo {

struct DecodedVideoFrame {
  uint16_t width = 0;
  uint16_t height = 0;
  // The decoder's own picture: data[0..2] are Y, U, V with linesize[0..2]. Valid
  // until the same decoder decodes its next frame.
  // When gotPicture holds, the picture is planar 4:2:0 with chroma lines exactly half
  // the luma line: linesize[1] == linesize[2] == linesize[0] / 2 (linesize[0] even),
  // U and V each (height + 1) / 2 lines. The decoder converts any other layout or
  // stride first, so a reader may pass linesize[0] alone on (Screen::setVideoFrame
  // relies on it) and need not look at linesize[1] or linesize[2].
  AVFrame* picture = nullptr;
  bool gotPicture = false;
};

class VideoDecoder : public std::enable_shared_from_this<VideoDecoder> {
 public:
  // The largest picture decoded (4096 x 2304 pixels); larger ones give no picture.
  static constexpr int64_t MaxPicturePixels = int64_t{4096} * 2304;

  static constexpr const char* QueueLabel = "com.ostrel-security.decoder";
  // Past this many frames waiting, frames are decoded without their pacing wait
  // until the queue has drained.
  static constexpr size_t PacingBacklog = 8;
  // The most video frames that wait for decoding: twice the pacing backlog, so a
  // burst that pacing works off is kept whole, and at most 0.64 s of 25 fps
  // video behind its arrival. A frame that finds the queue full cannot be kept;
  // from it on every picture up to the next key frame is dropped (they all
  // refer back to it), and decoding resumes at that key frame.
  static constexpr size_t MaxBacklogFrames = 16;
  // The same in bytes of compressed data; a frame alone in the queue always fits.
  static constexpr size_t MaxBacklogBytes = 8 * 1024 * 1024;
  // The most tasks queued behind the pictures (asyncAfterPictures: the selected
  // camera's sound, about 40 ms a task); past it the oldest is dropped.
  static constexpr size_t MaxBacklogTasks = 12;

  // The clock defaults to the system's.
  static std::shared_ptr<VideoDecoder> create(std::shared_ptr<PacingClock> clock = nullptr);
  ~VideoDecoder();
  VideoDecoder(const VideoDecoder&) = delete;
  VideoDecoder& operator=(const VideoDecoder&) = delete;

  using CompletionHandler = std::function<void(DecodedVideoFrame)>;

  // Decodes on the caller's thread: only from the decoder's queue, or where no
  // other decode of this decoder can run.
  DecodedVideoFrame decodeMediaFrame(const MediaFrame& frame);
  // Queues the frame on the decoder's queue, where it is paced, decoded and handed
  // to the handler (on that queue; the picture is valid only until the handler
  // returns). Returns at once. When decoding cannot keep up, whole groups of
  // pictures are dropped (see MaxBacklogFrames) and counted in droppedFrames();
  // the handler of a dropped frame is not called. A key frame always gets in:
  // when the queue is still full, the pictures waiting ahead of it go instead.
  void asyncDecodeMediaFrame(const MediaFrame& frame, CompletionHandler handler);
  // Queues a task behind the pictures queued so far (the selected camera's sound,
  // so that it never runs ahead of them). At most MaxBacklogTasks wait: past that
  // the oldest waiting task is dropped, counted in droppedTasks().
  void asyncAfterPictures(std::function<void()> task);

  // decodeMediaFrame on the payload itself: vendor and chip are fields 0 and 1 of
  // the frame's codec information.
  DecodedVideoFrame decodePayload(std::span<const uint8_t> payload, bool hasCodecInfo, uint32_t vendor,
                                  uint32_t chip, uint16_t syncIndex);

  // Resets the pacing (the video clock). Any thread.
  void reset();
  // The decoder's serial queue. Callers may queue their own work behind this
  // camera's frames; hold the pointer only while queuing.
  std::shared_ptr<SerialQueue> dispatchQueue() const { return queue_; }
  AVSynchronizer& synchronizer() { return syncher_; }

  // Video frames queued and not yet started.
  size_t pendingFrames() const { return pendingFrames_.load(); }
  // Video frames queued and not yet handed on: waiting, being paced, decoded, or in
  // their handler (for the wall, the hop that uploads the picture). Any thread; it
  // only tells how far this camera's decoding is behind its arrivals.
  size_t framesInFlight() const { return inFlight_.load(); }

  // Video frames dropped because decoding could not keep up, and tasks dropped
  // behind them, since this decoder was made. Any thread.
  uint64_t droppedFrames() const { return droppedFrames_.load(); }
  uint64_t droppedTasks() const { return droppedTasks_.load(); }
  // The most video frames that have waited at once. Any thread.
  size_t longestBacklog() const { return longestBacklog_.load(); }

  // Copies of compressed data made by all decoders, for measuring.
  static uint64_t compressedCopies();
  // Video frames dropped by all decoders, for measuring.
  static uint64_t totalDroppedFrames();

  // A seam for tests: what decodes a frame on the queue, in place of
  // decodeMediaFrame (a decoder slower than the frames, say). Set it before the
  // first frame is queued.
  using DecodeFunction = std::function<DecodedVideoFrame(VideoDecoder&, const MediaFrame&)>;
  void setDecodeFunction(DecodeFunction decode) { decode_ = std::move(decode); }

  struct ConstructionTag {};
  VideoDecoder(ConstructionTag, std::shared_ptr<PacingClock> clock);

 private:
  // What waits on the queue: a video frame, a task behind the pictures, or
  // either of them dropped after it was queued (its queue task then does nothing).
  enum class Kind { Dropped, Video, Task };
  // It holds its decoder, so that the task queued for it may reach the decoder
  // until it has taken the entry out.
  struct Pending {
    std::shared_ptr<VideoDecoder> self;
    Kind kind = Kind::Dropped;
    MediaFrame frame;
    CompletionHandler handler;
    std::function<void()> task;
  };

  bool admitLocked(const MediaFrame& frame, bool key, std::vector<Pending>& garbage);
  void dropEntryLocked(Pending& entry, std::vector<Pending>& garbage);
  void dropWaitingFramesLocked(std::vector<Pending>& garbage);
  void dropOldestTaskLocked(std::vector<Pending>& garbage);
  void pushLocked(Pending pending);
  Pending pop();
  void runNext();
  void runPaced(const MediaFrame& frame, const CompletionHandler& handler);
  DecodedVideoFrame result(bool gotPicture) const;
  AVFrame* toPlanar420(AVFrame* picture);

  const AVCodec* codec_ = nullptr;
  AVCodecContext* context_ = nullptr;
  AVFrame* picture_ = nullptr;
  AVFrame* received_ = nullptr;
  AVFrame* converted_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVBufferRef* input_ = nullptr;
  SwsContext* scaler_ = nullptr;
  AVFrame* shown_ = nullptr;  // the picture handed out: picture_ or converted_

  std::shared_ptr<SerialQueue> queue_;
  AVSynchronizer syncher_;

  DecodeFunction decode_;

  // What waits for the queue, oldest at head_: a ring that grows (to the backlog
  // bounds) and is reused, so queuing a frame allocates nothing; the task queued
  // per entry only names the decoder and fits in std::function itself.
  std::mutex pendingMutex_;
  std::vector<Pending> ring_;
  size_t head_ = 0;
  size_t count_ = 0;
  size_t waitingTasks_ = 0;     // under pendingMutex_
  size_t pendingBytes_ = 0;     // under pendingMutex_
  bool skipping_ = false;       // under pendingMutex_: dropping up to the next key frame
  uint64_t skippedInRun_ = 0;   // under pendingMutex_

  std::atomic<size_t> pendingFrames_{0};
  std::atomic<size_t> inFlight_{0};
  std::atomic<size_t> longestBacklog_{0};
  std::atomic<uint64_t> droppedFrames_{0};
  std::atomic<uint64_t> droppedTasks_{0};
  bool draining_ = false;     // on the queue only
};

}  // namespace zelvo
