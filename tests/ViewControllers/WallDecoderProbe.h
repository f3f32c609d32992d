// The shared decoders, looked at as every video frame arrives: a probe hears how many
// earlier frames of that camera still wait or decode, and may wrap the frame's
// completion, before the frame goes on to the real decoders. The test of the wall's
// one-frame bound and the wall bench both measure through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

#include "Decoder/VideoDecoderGroup.h"
#include "Network/NetworkClient.h"
#include "ViewControllers/Wall/LiveClientPort.h"
#include "ViewControllers/Wall/WallMediaPorts.h"

namespace zelvo::test {

class WallDecoderProbe : public WallDecoderPort {
 public:
  void registerDecodersForNetworkClient(const LiveClientPort& client, int64_t count) override {
    inner_.registerDecodersForNetworkClient(client, count);
  }
  void unregisterDecodersForNetworkClient(const LiveClientPort& client) override {
    inner_.unregisterDecodersForNetworkClient(client);
  }
  void resetForNetworkClient(const LiveClientPort& client) override { inner_.resetForNetworkClient(client); }
  void asyncDecodeMediaFrame(const MediaFrame& frame, const LiveClientPort& client,
                             CompletionHandler handler) override {
    const int64_t camera = frame.channel();
    if (auto key = client.networkClient(); key && camera >= 0)
      arrivedFrame(*key, camera, VideoDecoderGroup::sharedDecoderGroup().framesInFlightForCamera(camera, key.get()),
                   frame);
    inner_.asyncDecodeMediaFrame(frame, client, completion(std::move(handler)));
  }
  bool dispatchAsyncOnQueueForCamera(int64_t camera, const LiveClientPort& client,
                                     std::function<void()> task) override {
    return inner_.dispatchAsyncOnQueueForCamera(camera, client, std::move(task));
  }

 protected:
  // On the thread that hands the frame over (the client's network thread), before it
  // is queued.
  virtual void arrived(const NetworkClient& client, int64_t camera, size_t earlierFrames) = 0;
  // The same with the frame itself (its stamps); the three-argument form by default.
  virtual void arrivedFrame(const NetworkClient& client, int64_t camera, size_t earlierFrames, const MediaFrame&) {
    arrived(client, camera, earlierFrames);
  }
  // The handler the decoders call on the camera's queue; the frame's own by default.
  virtual CompletionHandler completion(CompletionHandler handler) { return handler; }

 private:
  WallDecoderPort& inner_ = sharedWallDecoders();
};

}  // namespace zelvo::test
