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
  // Past these, further video frames are dropped (pictures may be damaged until
  // the next key frame).
  static constexpr size_t MaxBacklogFrames = 256;
  static constexpr size_t MaxBacklogBytes = 32 * 1024 * 1024;

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
  // returns). Returns at once. A frame that finds the queue over its bound is
  // dropped with a log line and the handler is not called.
  void asyncDecodeMediaFrame(const MediaFrame& frame, CompletionHandler handler);

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

  // Copies of compressed data made by all decoders, for measuring.
  static uint64_t compressedCopies();

  struct ConstructionTag {};
  VideoDecoder(ConstructionTag, std::shared_ptr<PacingClock> clock);

 private:
  // A frame queued for decoding. It holds its decoder, so that the task queued for
  // it may reach the decoder until it has taken the frame out.
  struct Pending {
    std::shared_ptr<VideoDecoder> self;
    MediaFrame frame;
    CompletionHandler handler;
  };

  bool admit(size_t bytes);
  void push(Pending pending);
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

  // Frames waiting for the queue, oldest at head_: a ring that grows (to the
  // backlog bound) and is reused, so queuing a frame allocates nothing; the task
  // queued per frame only names the decoder and fits in std::function itself.
  std::mutex pendingMutex_;
  std::vector<Pending> ring_;
  size_t head_ = 0;
  size_t count_ = 0;

  std::atomic<size_t> pendingFrames_{0};
  std::atomic<size_t> inFlight_{0};
  std::atomic<size_t> pendingBytes_{0};
  bool draining_ = false;     // on the queue only
  bool dropping_ = false;     // on the caller's thread only: a drop has been logged
};

}  // namespace zelvo
