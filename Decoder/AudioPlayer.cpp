#include "Decoder/AudioPlayer.h"

#include <algorithm>
#include <cstring>

#include "Decoder/AudioDecoder.h"
#include "Decoder/QtAudioOutput.h"
#include "Foundation/Assert.h"

namespace zelvo {

AudioPlayer& AudioPlayer::sharedPlayer() {
  static AudioPlayer* player = new AudioPlayer(96000, std::make_unique<QtAudioOutput>());
  return *player;
}

AudioPlayer::AudioPlayer(uint32_t capacity, std::unique_ptr<AudioOutput> output)
    : output_(std::move(output)), decodeBuffer_(capacity / 2), inputQueue_(capacity) {
  ZELVO_PRECONDITION(output_ != nullptr);
  ZELVO_PRECONDITION(capacity % 2 == 0);
  primed_.reserve(BufferCount * BufferCapacity);
  sampleRate_ = 8000.0;
  updateBufferingSize();
  createAudioQueue();
}

AudioPlayer::~AudioPlayer() { output_->dispose(); }

uint32_t AudioPlayer::sizeOfDuration(double seconds) const {
  return static_cast<uint32_t>(2 * sampleRate_ * seconds);
}

void AudioPlayer::updateBufferingSize() {
  bufferSize_ = sizeOfDuration(0.08);
  minBufferingSize_ = sizeOfDuration(0.24);
}

void AudioPlayer::createAudioQueue() {
  output_->create(static_cast<int>(sampleRate_), BufferCount * bufferSize_.load(),
                  [this](uint8_t* data, size_t max) { return enqueue(data, max); });
  adjustGain(gain_);
  prepare();
}

void AudioPlayer::play(std::span<const uint8_t> frame, uint32_t chipCode) {
  if (inputQueue_.remaining() > 0) {
    if (doesCodecChanged(chipCode)) changeCodec(chipCode);
    // A frame whose sound would not fit the decode buffer decodes to nothing.
    uint32_t n = static_cast<uint32_t>(AudioDecoder::decode(frame, chipCode, decodeBuffer_));
    n = std::min(n, inputQueue_.remaining()) & ~1u;  // the newest part that does not fit is dropped
    if (n > 0) inputQueue_.push(reinterpret_cast<const uint8_t*>(decodeBuffer_.data()), n);
  }
  if (!output_->isRunning() && inputQueue_.size() >= minBufferingSize_) output_->start();
}

void AudioPlayer::stop() {
  if (!isPlaying()) return;
  output_->stopNow();
  inputQueue_.clear();
  prepare();
}

void AudioPlayer::adjustGain(float gain) {
  gain_ = gain;
  output_->setVolume(gain);
}

void AudioPlayer::discardDelayedData() { inputQueue_.discardUntil(sizeOfDuration(0.24)); }

bool AudioPlayer::isPlaying() const { return output_->isRunning(); }

size_t AudioPlayer::fillOne(uint8_t* data, size_t max) {
  const size_t limit = std::min<size_t>(max, bufferSize_.load()) & ~size_t{1};
  size_t n = inputQueue_.popUpTo(data, static_cast<uint32_t>(limit));
  if (n == 0) {
    std::memset(data, 0, limit);
    n = limit;
  }
  return n;
}

size_t AudioPlayer::enqueue(uint8_t* data, size_t max) {
  {
    std::lock_guard lock(primedMutex_);
    if (primedOffset_ < primed_.size()) {
      const size_t n = std::min(max & ~size_t{1}, primed_.size() - primedOffset_);
      std::memcpy(data, primed_.data() + primedOffset_, n);
      primedOffset_ += n;
      return n;
    }
  }
  return fillOne(data, max);
}

void AudioPlayer::prepare() {
  std::lock_guard lock(primedMutex_);
  primed_.clear();
  primedOffset_ = 0;
  uint8_t buffer[BufferCapacity];
  for (int i = 0; i < BufferCount; ++i) {
    const size_t n = fillOne(buffer, BufferCapacity);
    primed_.insert(primed_.end(), buffer, buffer + n);
  }
}

bool AudioPlayer::doesCodecChanged(uint32_t chipCode) const {
  return AudioDecoder::sampleRate(chipCode) != sampleRate_;
}

void AudioPlayer::changeCodec(uint32_t chipCode) {
  // The old output is gone before the sizes its pulls use change.
  output_->dispose();
  sampleRate_ = AudioDecoder::sampleRate(chipCode);
  updateBufferingSize();
  inputQueue_.clear();
  createAudioQueue();
}

}  // namespace zelvo
