#pragma once
// Plays the live sound of the selected camera: compressed frames are decoded into
// 16-bit mono PCM, stored in a ring, and pulled from there by the sound output,
// which plays silence when the ring runs dry. Output starts once 0.24 s of sound
// is stored; the rate follows the recorder's chip. One player in the process.
//
// play, stop, adjustGain and discardDelayedData are called on the main thread;
// the output pulls on its own thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "Decoder/AudioOutput.h"
#include "Decoder/CircularByteQueue.h"
#include "Network/CodecInfo.h"

namespace zelvo {

class AudioPlayer {
 public:
  static constexpr int BufferCount = 3;
  static constexpr uint32_t BufferCapacity = 12800;

  // The process's player: 96000 bytes of store, the system's sound output.
  static AudioPlayer& sharedPlayer();

  AudioPlayer(uint32_t capacity, std::unique_ptr<AudioOutput> output);
  ~AudioPlayer();
  AudioPlayer(const AudioPlayer&) = delete;
  AudioPlayer& operator=(const AudioPlayer&) = delete;

  // Does nothing: callers use it to make the shared player exist.
  void initialize() {}

  // The chip code is field 1 of the frame's codec information.
  void play(std::span<const uint8_t> frame, uint32_t chipCode);
  void play(const uint8_t* frame, int length, const CodecInfo& codec) {
    play(std::span<const uint8_t>(frame, frame && length > 0 ? static_cast<size_t>(length) : 0), codec.chip());
  }
  // When playing: stops the output at once, empties the store and primes again.
  // When not playing: nothing.
  void stop();
  void adjustGain(float gain);
  float gain() const { return gain_; }
  // Keeps at most the newest 0.24 s of stored sound.
  void discardDelayedData();
  bool isPlaying() const;

  // The output's pull: what it plays next, from the primed buffers, then the
  // store, or silence when the store is empty.
  size_t enqueue(uint8_t* data, size_t max);

  double sampleRate() const { return sampleRate_; }
  uint32_t bufferSize() const { return bufferSize_.load(); }
  uint32_t minBufferingSize() const { return minBufferingSize_; }
  uint32_t storedBytes() const { return inputQueue_.size(); }
  uint32_t sizeOfDuration(double seconds) const;

 private:
  void updateBufferingSize();
  void createAudioQueue();
  void prepare();
  bool doesCodecChanged(uint32_t chipCode) const;
  void changeCodec(uint32_t chipCode);
  size_t fillOne(uint8_t* data, size_t max);

  const std::unique_ptr<AudioOutput> output_;
  double sampleRate_ = 8000.0;
  std::atomic<uint32_t> bufferSize_{0};
  uint32_t minBufferingSize_ = 0;
  std::vector<int16_t> decodeBuffer_;
  CircularByteQueue inputQueue_;
  float gain_ = 1.0f;

  // The three buffers that priming fills before the output starts; the output
  // plays them first.
  std::mutex primedMutex_;
  std::vector<uint8_t> primed_;
  size_t primedOffset_ = 0;
};

}  // namespace zelvo
