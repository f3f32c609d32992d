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
  decoders_[client] = std::vector<std::shared_ptr<VideoDecoder>>(static_cast<size_t>(std::clamp<int64_t>(count, 0, MaxCameras)));
}

void VideoDecoderGroup::unregisterDecodersForNetworkClient(const NetworkClient* client) { decoders_.erase(client); }

void VideoDecoderGroup::unregisterAllDecoders() { decoders_.clear(); }

std::shared_ptr<VideoDecoder> VideoDecoderGroup::decoderForCamera(int64_t camera, const NetworkClient* client) {
  auto it = decoders_.find(client);
  if (it == decoders_.end()) return nullptr;
  auto& slots = it->second;
  if (camera < 0 || camera >= static_cast<int64_t>(slots.size())) return nullptr;
  auto& slot = slots[static_cast<size_t>(camera)];
  if (!slot) slot = VideoDecoder::create(clocks_ ? clocks_() : nullptr);
  return slot;
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

const VideoDecoder* VideoDecoderGroup::madeDecoder(int64_t camera, const NetworkClient* client) const {
  auto it = decoders_.find(client);
  if (it == decoders_.end() || camera < 0 || camera >= static_cast<int64_t>(it->second.size())) return nullptr;
  return it->second[static_cast<size_t>(camera)].get();
}

size_t VideoDecoderGroup::framesInFlightForCamera(int64_t camera, const NetworkClient* client) const {
  const VideoDecoder* decoder = madeDecoder(camera, client);
  return decoder ? decoder->framesInFlight() : 0;
}

uint64_t VideoDecoderGroup::droppedFramesForCamera(int64_t camera, const NetworkClient* client) const {
  const VideoDecoder* decoder = madeDecoder(camera, client);
  return decoder ? decoder->droppedFrames() : 0;
}

}  // namespace zelvo
