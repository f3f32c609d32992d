#include "Decoder/VideoDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <mutex>

#include "Decoder/H264Payload.h"
#include "Foundation/Assert.h"
#include "Foundation/Log.h"

namespace zelvo {

namespace {

std::atomic<uint64_t> copies{0};
std::atomic<uint64_t> dropped{0};

// The library's complaints about damaged streams go to our log, errors only.
void libraryLog(void*, int level, const char* format, va_list args) {
  if (level > AV_LOG_ERROR) return;
  char line[512];
  std::vsnprintf(line, sizeof line, format, args);
  size_t n = std::strlen(line);
  while (n > 0 && line[n - 1] == '\n') line[--n] = '\0';
  zelvoLog("libavcodec: %s", line);
}

constexpr size_t kInitialInput = 256 * 1024;

// Ends the queues of released decoders. Lives as long as the process.
SerialQueue& reaper() {
  static SerialQueue* queue = new SerialQueue("com.ostrel-security.decoder.reaper");
  return *queue;
}

}  // namespace

uint64_t VideoDecoder::compressedCopies() { return copies.load(); }

uint64_t VideoDecoder::totalDroppedFrames() { return dropped.load(); }

namespace {

// A frame that starts a group of pictures: decoding may resume there.
bool startsGroup(const MediaFrame& frame) {
  if (!frame.data()) return false;
  CodecInfo codec;
  const bool hasCodecInfo = frame.getCodecInfo(&codec);
  std::span<const uint8_t> payload(frame.data(), frame.mediaDataSize());
  std::optional<H264Payload> range = H264Payload::locate(payload, hasCodecInfo, codec.vendor(), codec.chip());
  return range && H264Payload::isKeyFrame(payload.subspan(range->offset, range->size));
}

}  // namespace

std::shared_ptr<VideoDecoder> VideoDecoder::create(std::shared_ptr<PacingClock> clock) {
  return std::make_shared<VideoDecoder>(ConstructionTag{}, std::move(clock));
}

VideoDecoder::VideoDecoder(ConstructionTag, std::shared_ptr<PacingClock> clock)
    : queue_(std::make_shared<SerialQueue>(QueueLabel)), syncher_(std::move(clock)) {
  static std::once_flag logging;
  std::call_once(logging, [] { av_log_set_callback(libraryLog); });

  // AV_CODEC_ID_H264: the old numeric id names another codec in this library.
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  ZELVO_ASSERT(codec);
  codec_ = codec;
  context_ = avcodec_alloc_context3(codec_);
  ZELVO_ASSERT(context_);
  // One thread: frame threads would hold pictures back by several frames.
  context_->thread_count = 1;
  // The picture size comes from the recorder's stream: bound it, so that a hostile
  // parameter set cannot make every reference picture hundreds of megabytes.
  context_->max_pixels = MaxPicturePixels;
  const int err = avcodec_open2(context_, codec_, nullptr);
  ZELVO_ASSERT(err == 0);
  AVFrame* picture = av_frame_alloc();
  ZELVO_ASSERT(picture);
  picture_ = picture;
  received_ = av_frame_alloc();
  ZELVO_ASSERT(received_);
  packet_ = av_packet_alloc();
  ZELVO_ASSERT(packet_);
  input_ = av_buffer_alloc(kInitialInput + AV_INPUT_BUFFER_PADDING_SIZE);
  ZELVO_ASSERT(input_);
  shown_ = picture_;
  syncher_.setRealtime(true);
}

VideoDecoder::~VideoDecoder() {
  av_packet_free(&packet_);
  av_buffer_unref(&input_);
  av_frame_free(&picture_);
  av_frame_free(&received_);
  av_frame_free(&converted_);
  sws_freeContext(scaler_);
  avcodec_free_context(&context_);
  // The queue may be blocked in a hop to the main thread right now (an audio
  // block queued behind the last frame), and this may be the main thread, which
  // must never wait for it. Ending a queue waits for its thread, so the queue is
  // handed to a reaper that does the waiting.
  reaper().async([queue = std::move(queue_)]() mutable { queue.reset(); });
}

void VideoDecoder::reset() { syncher_.reset(AVSynchronizer::VideoClock); }

DecodedVideoFrame VideoDecoder::result(bool gotPicture) const {
  DecodedVideoFrame r;
  const AVFrame* shown = gotPicture ? shown_ : nullptr;
  r.width = static_cast<uint16_t>(shown ? shown->width : context_->width);
  r.height = static_cast<uint16_t>(shown ? shown->height : context_->height);
  r.picture = shown_;
  r.gotPicture = gotPicture;
  return r;
}

DecodedVideoFrame VideoDecoder::decodePayload(std::span<const uint8_t> payload, bool hasCodecInfo, uint32_t vendor,
                                              uint32_t chip, uint16_t syncIndex) {
  std::optional<H264Payload> range = H264Payload::locate(payload, hasCodecInfo, vendor, chip);
  if (!range) {
    zelvoLog("Video frame %u dropped: its prefix does not fit its %zu bytes of data", syncIndex, payload.size());
    zelvoLog("GOT PICTURE FAILURE! %d", syncIndex);
    return result(false);
  }

  // One copy into our own padded buffer, which the packet references, so the
  // library takes it without a copy of its own.
  const size_t need = size_t{range->size} + AV_INPUT_BUFFER_PADDING_SIZE;
  if (static_cast<size_t>(input_->size) < need || !av_buffer_is_writable(input_)) {
    const size_t held = static_cast<size_t>(input_->size);
    const size_t capacity = held >= need ? held : std::max(need, held * 2);
    AVBufferRef* fresh = av_buffer_alloc(capacity);
    if (!fresh) {
      zelvoLog("Video frame %u dropped: no memory for %zu bytes", syncIndex, need);
      return result(false);
    }
    av_buffer_unref(&input_);
    input_ = fresh;
  }
  std::memcpy(input_->data, payload.data() + range->offset, range->size);
  std::memset(input_->data + range->size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
  copies.fetch_add(1, std::memory_order_relaxed);

  packet_->buf = av_buffer_ref(input_);
  packet_->data = input_->data;
  packet_->size = static_cast<int>(range->size);
  bool got = false;
  if (packet_->buf) {
    int sent = avcodec_send_packet(context_, packet_);
    while (sent == AVERROR(EAGAIN)) {  // pictures still waiting: take them, then send again
      while (avcodec_receive_frame(context_, received_) == 0) {
        av_frame_unref(picture_);
        av_frame_move_ref(picture_, received_);
        got = true;
      }
      sent = avcodec_send_packet(context_, packet_);
    }
    if (sent >= 0) {
      while (avcodec_receive_frame(context_, received_) == 0) {
        av_frame_unref(picture_);
        av_frame_move_ref(picture_, received_);
        got = true;
      }
    }
  }
  av_packet_unref(packet_);

  if (got) {
    shown_ = toPlanar420(picture_);
    got = shown_ != nullptr;
    if (!shown_) shown_ = picture_;
  }
  if (!got) zelvoLog("GOT PICTURE FAILURE! %d", syncIndex);
  return result(got);
}

AVFrame* VideoDecoder::toPlanar420(AVFrame* picture) {
  const bool planar420 = picture->format == AV_PIX_FMT_YUV420P || picture->format == AV_PIX_FMT_YUVJ420P;
  if (planar420 && picture->linesize[1] * 2 == picture->linesize[0] && picture->linesize[2] == picture->linesize[1])
    return picture;

  const int width = picture->width, height = picture->height;
  if (width <= 0 || height <= 0) return nullptr;
  if (!converted_ || converted_->width != width || converted_->height != height) {
    av_frame_free(&converted_);
    converted_ = av_frame_alloc();
    if (!converted_) return nullptr;
    converted_->width = width;
    converted_->height = height;
    converted_->format = AV_PIX_FMT_YUV420P;
    const int luma = FFALIGN(width, 64), chroma = luma / 2;
    const int chromaHeight = (height + 1) / 2;
    converted_->buf[0] = av_buffer_alloc(static_cast<size_t>(luma) * height +
                                         2 * static_cast<size_t>(chroma) * chromaHeight + 64);
    if (!converted_->buf[0]) {
      av_frame_free(&converted_);
      return nullptr;
    }
    uint8_t* base = converted_->buf[0]->data;
    converted_->data[0] = base;
    converted_->data[1] = base + static_cast<size_t>(luma) * height;
    converted_->data[2] = converted_->data[1] + static_cast<size_t>(chroma) * chromaHeight;
    converted_->linesize[0] = luma;
    converted_->linesize[1] = chroma;
    converted_->linesize[2] = chroma;
  }
  scaler_ = sws_getCachedContext(scaler_, width, height, static_cast<AVPixelFormat>(picture->format), width, height,
                                 AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!scaler_) return nullptr;
  sws_scale(scaler_, picture->data, picture->linesize, 0, height, converted_->data, converted_->linesize);
  return converted_;
}

bool VideoDecoder::admitLocked(const MediaFrame& frame, bool key, std::vector<Pending>& garbage) {
  const size_t bytes = frame.mediaDataSize();
  const size_t waiting = pendingFrames_.load();
  const bool full = waiting >= MaxBacklogFrames || (waiting > 0 && pendingBytes_ + bytes > MaxBacklogBytes);
  if (!key && (skipping_ || full)) {
    // Every picture up to the next key frame refers back to this one: decoding
    // them without it would show damaged pictures.
    if (!skipping_)
      zelvoLog("Decoding falls behind (%zu frames, %zu bytes waiting): pictures dropped up to the next key frame",
               waiting, pendingBytes_);
    skipping_ = true;
    ++skippedInRun_;
    droppedFrames_.fetch_add(1);
    dropped.fetch_add(1);
    return false;
  }
  // The pictures still waiting are older than this key frame, and nothing from it
  // on refers to them.
  if (full) dropWaitingFramesLocked(garbage);
  if (skippedInRun_ > 0)
    zelvoLog("Decoding resumes at a key frame after %llu pictures dropped",
             static_cast<unsigned long long>(skippedInRun_));
  skipping_ = false;
  skippedInRun_ = 0;
  pendingFrames_.fetch_add(1);
  pendingBytes_ += bytes;
  inFlight_.fetch_add(1);
  if (waiting + 1 > longestBacklog_.load()) longestBacklog_.store(waiting + 1);
  return true;
}

void VideoDecoder::dropEntryLocked(Pending& entry, std::vector<Pending>& garbage) {
  // The entry stays, so that its queue task finds it, and keeps its hold on the
  // decoder; what it held is let go of once the lock is.
  if (entry.kind == Kind::Video) {
    pendingFrames_.fetch_sub(1);
    pendingBytes_ -= entry.frame.mediaDataSize();
    inFlight_.fetch_sub(1);
    ++skippedInRun_;
    droppedFrames_.fetch_add(1);
    dropped.fetch_add(1);
  } else if (entry.kind == Kind::Task) {
    --waitingTasks_;
    droppedTasks_.fetch_add(1);
  }
  garbage.push_back(Pending{nullptr, Kind::Dropped, std::move(entry.frame), std::move(entry.handler),
                            std::move(entry.task)});
  entry.frame = MediaFrame();
  entry.kind = Kind::Dropped;
}

void VideoDecoder::dropWaitingFramesLocked(std::vector<Pending>& garbage) {
  for (size_t i = 0; i < count_; ++i) {
    Pending& entry = ring_[(head_ + i) % ring_.size()];
    if (entry.kind == Kind::Video) dropEntryLocked(entry, garbage);
  }
}

void VideoDecoder::dropOldestTaskLocked(std::vector<Pending>& garbage) {
  for (size_t i = 0; i < count_; ++i) {
    Pending& entry = ring_[(head_ + i) % ring_.size()];
    if (entry.kind == Kind::Task) {
      dropEntryLocked(entry, garbage);
      return;
    }
  }
}

DecodedVideoFrame VideoDecoder::decodeMediaFrame(const MediaFrame& frame) {
  CodecInfo codec;
  const bool hasCodecInfo = frame.getCodecInfo(&codec);
  std::span<const uint8_t> payload;
  if (frame.data()) payload = std::span<const uint8_t>(frame.data(), frame.mediaDataSize());
  return decodePayload(payload, hasCodecInfo, codec.vendor(), codec.chip(), frame.syncIndex());
}

void VideoDecoder::asyncDecodeMediaFrame(const MediaFrame& frame, CompletionHandler handler) {
  const bool key = startsGroup(frame);
  std::vector<Pending> garbage;  // let go of after the lock
  {
    std::lock_guard lock(pendingMutex_);
    if (!admitLocked(frame, key, garbage)) return;
    pushLocked(Pending{shared_from_this(), Kind::Video, frame, std::move(handler), {}});
  }
  // A raw pointer: the entry just queued holds the decoder until this task has taken it.
  queue_->async([this] { runNext(); });
}

void VideoDecoder::asyncAfterPictures(std::function<void()> task) {
  std::vector<Pending> garbage;
  {
    std::lock_guard lock(pendingMutex_);
    if (waitingTasks_ >= MaxBacklogTasks) dropOldestTaskLocked(garbage);
    pushLocked(Pending{shared_from_this(), Kind::Task, MediaFrame(), nullptr, std::move(task)});
    ++waitingTasks_;
  }
  queue_->async([this] { runNext(); });
}

void VideoDecoder::pushLocked(Pending pending) {
  if (count_ == ring_.size()) {
    std::vector<Pending> larger(std::max<size_t>(16, ring_.size() * 2));
    for (size_t i = 0; i < count_; ++i) larger[i] = std::move(ring_[(head_ + i) % ring_.size()]);
    ring_ = std::move(larger);
    head_ = 0;
  }
  ring_[(head_ + count_) % ring_.size()] = std::move(pending);
  ++count_;
}

VideoDecoder::Pending VideoDecoder::pop() {
  std::lock_guard lock(pendingMutex_);
  ZELVO_ASSERT(count_ > 0);
  Pending pending = std::move(ring_[head_]);
  ring_[head_] = Pending{};  // the store keeps no hold on a packet or a handler
  head_ = (head_ + 1) % ring_.size();
  --count_;
  if (pending.kind == Kind::Video) {
    pendingFrames_.fetch_sub(1);
    pendingBytes_ -= pending.frame.mediaDataSize();
  } else if (pending.kind == Kind::Task) {
    --waitingTasks_;
  }
  return pending;
}

void VideoDecoder::runNext() {
  // Tasks and entries are queued in pairs, so this task's entry is the oldest one.
  Pending pending = pop();
  if (pending.kind == Kind::Video) {
    runPaced(pending.frame, pending.handler);
  } else if (pending.kind == Kind::Task && pending.task) {
    pending.task();
  }
  // The frame, the handler and the hold on the decoder go here, on the queue,
  // as they did when the task captured them.
}

void VideoDecoder::runPaced(const MediaFrame& frame, const CompletionHandler& handler) {
  const size_t behind = pendingFrames_.load();
  // A long queue is worked off without waiting until it is empty again; the
  // frames keep their order.
  if (behind > PacingBacklog) draining_ = true;
  const double delay = syncher_.delayFromCurrent(frame, AVSynchronizer::Speedx1, 1);
  if (delay > 0.0 && !draining_) syncher_.waitForInterval(delay);
  if (behind == 0) draining_ = false;
  if (handler) handler(decode_ ? decode_(*this, frame) : decodeMediaFrame(frame));
  syncher_.updateSync(frame, false, 43200.0);
  inFlight_.fetch_sub(1);
}

}  // namespace zelvo
