#include "Decoder/VideoDecoderGroup.h"

#include <algorithm>

#include "Foundation/Log.h"

namespace zelvo {

VideoDecoderGroup& VideoDecoderGroup::sharedDecoderGroup() {
  static VideoDecoderGroup* group = new VideoDecoderGroup();
  return *group;
}

VideoDecoderGroup::VideoDecoderGroup(ClockFactory clocks) : clocks_(std::move(clocks)) {}

void VideoDecoderGroup::registerDecodersForNetworkClient(const NetworkClient* client, int64_t count) {
  if (count > MaxCameras) zelvoLog("Recorder reports %lld cameras; decoding the first %lld",
                                   static_cast<long long>(count), static_cast<long long>(MaxCameras));
  std::vector<std::shared_ptr<VideoDecoder>> slots(static_cast<size_t>(std::clamp<int64_t>(count, 0, MaxCameras)));
  {
    std::lock_guard lock(mutex_);
    decoders_[client].swap(slots);
  }
  // The earlier decoders go here, after the lock.
}

void VideoDecoderGroup::unregisterDecodersForNetworkClient(const NetworkClient* client) {
  std::vector<std::shared_ptr<VideoDecoder>> gone;
  std::lock_guard lock(mutex_);
  auto it = decoders_.find(client);
  if (it == decoders_.end()) return;
  gone.swap(it->second);
  decoders_.erase(it);
}

void VideoDecoderGroup::unregisterAllDecoders() {
  std::map<const NetworkClient*, std::vector<std::shared_ptr<VideoDecoder>>> gone;
  std::lock_guard lock(mutex_);
  gone.swap(decoders_);
}

std::shared_ptr<VideoDecoder>* VideoDecoderGroup::slotLocked(int64_t camera, const NetworkClient* client) {
  auto it = decoders_.find(client);
  if (it == decoders_.end()) return nullptr;
  auto& slots = it->second;
  if (camera < 0 || camera >= static_cast<int64_t>(slots.size())) return nullptr;
  return &slots[static_cast<size_t>(camera)];
}

std::shared_ptr<VideoDecoder> VideoDecoderGroup::decoderForCamera(int64_t camera, const NetworkClient* client) {
  {
    std::lock_guard lock(mutex_);
    std::shared_ptr<VideoDecoder>* slot = slotLocked(camera, client);
    if (!slot) return nullptr;
    if (*slot) return *slot;
  }
  // Opening a decoder takes a while: made without the lock, then kept unless the
  // slot went or was filled meanwhile (the first one made stays).
  std::shared_ptr<VideoDecoder> made = VideoDecoder::create(clocks_ ? clocks_() : nullptr);
  std::lock_guard lock(mutex_);
  std::shared_ptr<VideoDecoder>* slot = slotLocked(camera, client);
  if (!slot) return nullptr;
  if (!*slot) *slot = std::move(made);
  return *slot;
}

DecodedVideoFrame VideoDecoderGroup::decodeMediaFrame(const MediaFrame& frame, const NetworkClient* client) {
  auto decoder = decoderForCamera(frame.channel(), client);
  return decoder ? decoder->decodeMediaFrame(frame) : DecodedVideoFrame{};
}

void VideoDecoderGroup::asyncDecodeMediaFrame(const MediaFrame& frame, const NetworkClient* client,
                                              VideoDecoder::CompletionHandler handler) {
  if (auto decoder = decoderForCamera(frame.channel(), client))
    decoder->asyncDecodeMediaFrame(frame, std::move(handler));
}

void VideoDecoderGroup::resetForNetworkClient(const NetworkClient* client) {
  std::lock_guard lock(mutex_);
  auto it = decoders_.find(client);
  if (it == decoders_.end()) return;
  for (auto& decoder : it->second)
    if (decoder) decoder->reset();
}

std::shared_ptr<SerialQueue> VideoDecoderGroup::dispatchQueueForCamera(int64_t camera, const NetworkClient* client) {
  auto decoder = decoderForCamera(camera, client);
  return decoder ? decoder->dispatchQueue() : nullptr;
}

bool VideoDecoderGroup::asyncAfterPicturesForCamera(int64_t camera, const NetworkClient* client,
                                                    std::function<void()> task) {
  auto decoder = decoderForCamera(camera, client);
  if (!decoder) return false;
  decoder->asyncAfterPictures(std::move(task));
  return true;
}

std::shared_ptr<VideoDecoder> VideoDecoderGroup::madeDecoder(int64_t camera, const NetworkClient* client) const {
  std::lock_guard lock(mutex_);
  auto it = decoders_.find(client);
  if (it == decoders_.end() || camera < 0 || camera >= static_cast<int64_t>(it->second.size())) return nullptr;
  return it->second[static_cast<size_t>(camera)];
}

size_t VideoDecoderGroup::framesInFlightForCamera(int64_t camera, const NetworkClient* client) const {
  std::shared_ptr<VideoDecoder> decoder = madeDecoder(camera, client);
  return decoder ? decoder->framesInFlight() : 0;
}

uint64_t VideoDecoderGroup::droppedFramesForCamera(int64_t camera, const NetworkClient* client) const {
  std::shared_ptr<VideoDecoder> decoder = madeDecoder(camera, client);
  return decoder ? decoder->droppedFrames() : 0;
}

}  // namespace zelvo
