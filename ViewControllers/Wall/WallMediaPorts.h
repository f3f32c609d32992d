#pragma once
// The decoders and the sound output as the wall's controller uses them, so that
// the controller can be tested with recording fakes; the shared ones are behind
// sharedWallDecoders() and sharedWallAudio().
//
// The sound output is used on the main thread only. The decoders are handed frames
// and sound (asyncDecodeMediaFrame, dispatchAsyncOnQueueForCamera) on a client's
// network thread while the main thread registers, unregisters and resets clients:
// an implementation is safe for that, and never waits for the main thread.

#include <cstdint>
#include <functional>
#include <memory>

#include "Decoder/VideoDecoder.h"
#include "Network/CodecInfo.h"
#include "Network/MediaFrame.h"

namespace zelvo {

class LiveClientPort;

class WallDecoderPort {
 public:
  using CompletionHandler = std::function<void(DecodedVideoFrame)>;
  virtual ~WallDecoderPort() = default;

  // count empty slots for the client, replacing any earlier ones.
  virtual void registerDecodersForNetworkClient(const LiveClientPort& client, int64_t count) = 0;
  virtual void unregisterDecodersForNetworkClient(const LiveClientPort& client) = 0;
  // Resets the pacing of the client's decoders.
  virtual void resetForNetworkClient(const LiveClientPort& client) = 0;
  // Decodes on the camera's serial queue and calls the handler there; nothing
  // happens without a decoder for the frame's camera.
  virtual void asyncDecodeMediaFrame(const MediaFrame& frame, const LiveClientPort& client,
                                     CompletionHandler handler) = 0;
  // Queues the task behind the camera's decoding; false (the task dropped) when
  // the camera has no decoder.
  virtual bool dispatchAsyncOnQueueForCamera(int64_t camera, const LiveClientPort& client,
                                             std::function<void()> task) = 0;
};

class WallAudioPort {
 public:
  virtual ~WallAudioPort() = default;
  virtual void initialize() = 0;
  virtual void play(const uint8_t* data, int length, const CodecInfo& codec) = 0;
  virtual void stop() = 0;
  virtual void discardDelayedData() = 0;
};

// Over VideoDecoderGroup::sharedDecoderGroup() and AudioPlayer::sharedPlayer().
WallDecoderPort& sharedWallDecoders();
WallAudioPort& sharedWallAudio();

}  // namespace zelvo
