#pragma once
// The decoders of every connected client, one slot per camera, each made on first
// use, and the routing of frames to them. Any thread: the main thread registers
// and unregisters clients while their network thread hands frames over. A decoder
// is made outside the lock, so a caller never waits for another's decoder set-up.
//
// Clients are told apart by identity. A camera index outside the registered slots
// (a frame whose channel mask is empty gives -1) has no decoder: its frame is
// dropped. At most 32 slots per client, one per channel of a mask.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "Decoder/VideoDecoder.h"

namespace zelvo {

class NetworkClient;

class VideoDecoderGroup {
 public:
  static constexpr int64_t MaxCameras = 32;
  using ClockFactory = std::function<std::shared_ptr<PacingClock>()>;

  static VideoDecoderGroup& sharedDecoderGroup();

  // Decoders get their pacing clock from the factory (the system's by default), which
  // is called on the thread that first asks for the camera's decoder.
  explicit VideoDecoderGroup(ClockFactory clocks = nullptr);
  VideoDecoderGroup(const VideoDecoderGroup&) = delete;
  VideoDecoderGroup& operator=(const VideoDecoderGroup&) = delete;

  // count empty slots for the client, replacing (and so releasing) any earlier ones.
  void registerDecodersForNetworkClient(const NetworkClient* client, int64_t count);
  // Never waits for a decoding queue: a decoder whose queue still works ends when
  // its last queued frame has been handled.
  void unregisterDecodersForNetworkClient(const NetworkClient* client);
  void unregisterAllDecoders();

  // The camera's decoder, made on first use; none for an unregistered client or a
  // camera outside its slots.
  std::shared_ptr<VideoDecoder> decoderForCamera(int64_t camera, const NetworkClient* client);
  // An all-zero result when there is no decoder.
  DecodedVideoFrame decodeMediaFrame(const MediaFrame& frame, const NetworkClient* client);
  // Nothing happens (the handler is not called) when there is no decoder.
  void asyncDecodeMediaFrame(const MediaFrame& frame, const NetworkClient* client,
                             VideoDecoder::CompletionHandler handler);
  // Resets the pacing of every decoder made for the client.
  void resetForNetworkClient(const NetworkClient* client);
  // The camera's decoding queue (its decoder made on first use); none when there
  // is no decoder. Hold it only while queuing.
  std::shared_ptr<SerialQueue> dispatchQueueForCamera(int64_t camera, const NetworkClient* client);
  // Queues the task behind the camera's queued pictures, within the bound of
  // VideoDecoder::asyncAfterPictures (its decoder made on first use); false, and
  // the task dropped, when there is no decoder.
  bool asyncAfterPicturesForCamera(int64_t camera, const NetworkClient* client, std::function<void()> task);
  // The camera's frames waiting or decoding (VideoDecoder::framesInFlight); 0 when
  // there is no decoder. Makes none.
  size_t framesInFlightForCamera(int64_t camera, const NetworkClient* client) const;
  // The camera's pictures dropped because decoding could not keep up
  // (VideoDecoder::droppedFrames); 0 when there is no decoder. Makes none.
  uint64_t droppedFramesForCamera(int64_t camera, const NetworkClient* client) const;

 private:
  std::shared_ptr<VideoDecoder> madeDecoder(int64_t camera, const NetworkClient* client) const;
  // The slot, or null for an unregistered client or a camera outside its slots.
  std::shared_ptr<VideoDecoder>* slotLocked(int64_t camera, const NetworkClient* client);

  const ClockFactory clocks_;
  mutable std::mutex mutex_;
  std::map<const NetworkClient*, std::vector<std::shared_ptr<VideoDecoder>>> decoders_;  // under mutex_
};

}  // namespace zelvo
