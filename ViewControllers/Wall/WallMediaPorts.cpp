#include "ViewControllers/Wall/WallMediaPorts.h"

#include "Decoder/AudioPlayer.h"
#include "Decoder/VideoDecoderGroup.h"
#include "Network/NetworkClient.h"
#include "ViewControllers/Wall/LiveClientPort.h"

namespace zelvo {

namespace {

// A client without a connection of its own has no decoders: every call is a no-op.
class SharedDecoders : public WallDecoderPort {
 public:
  void registerDecodersForNetworkClient(const LiveClientPort& client, int64_t count) override {
    if (auto key = client.networkClient()) group().registerDecodersForNetworkClient(key.get(), count);
  }
  void unregisterDecodersForNetworkClient(const LiveClientPort& client) override {
    if (auto key = client.networkClient()) group().unregisterDecodersForNetworkClient(key.get());
  }
  void resetForNetworkClient(const LiveClientPort& client) override {
    if (auto key = client.networkClient()) group().resetForNetworkClient(key.get());
  }
  void asyncDecodeMediaFrame(const MediaFrame& frame, const LiveClientPort& client,
                             CompletionHandler handler) override {
    if (auto key = client.networkClient()) group().asyncDecodeMediaFrame(frame, key.get(), std::move(handler));
  }
  bool dispatchAsyncOnQueueForCamera(int64_t camera, const LiveClientPort& client,
                                     std::function<void()> task) override {
    // Bounded: while the pictures ahead are slow, the oldest sound waiting goes.
    auto key = client.networkClient();
    return key && group().asyncAfterPicturesForCamera(camera, key.get(), std::move(task));
  }

 private:
  static VideoDecoderGroup& group() { return VideoDecoderGroup::sharedDecoderGroup(); }
};

class SharedAudio : public WallAudioPort {
 public:
  void initialize() override { AudioPlayer::sharedPlayer().initialize(); }
  void play(const uint8_t* data, int length, const CodecInfo& codec) override {
    AudioPlayer::sharedPlayer().play(data, length, codec);
  }
  void stop() override { AudioPlayer::sharedPlayer().stop(); }
  void discardDelayedData() override { AudioPlayer::sharedPlayer().discardDelayedData(); }
};

}  // namespace

WallDecoderPort& sharedWallDecoders() {
  static SharedDecoders* decoders = new SharedDecoders;
  return *decoders;
}

WallAudioPort& sharedWallAudio() {
  static SharedAudio* audio = new SharedAudio;
  return *audio;
}

}  // namespace zelvo
