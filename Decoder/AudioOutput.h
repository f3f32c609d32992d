#pragma once
// The sound output that the audio player drives: 16-bit signed mono PCM at a
// given rate, pulled from the player on the output's own thread, with a running
// state and a volume. One output at a time; create() replaces the earlier one.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace zelvo {

class AudioOutput {
 public:
  // Fills up to max bytes (an even number) and returns how many it wrote. Called
  // on the output's thread while the output runs.
  using Pull = std::function<size_t(uint8_t* data, size_t max)>;

  virtual ~AudioOutput() = default;
  // A new output, not running, that holds about bufferBytes of sound between the
  // player and the speaker. Any earlier output is stopped and disposed at once.
  virtual void create(int sampleRate, size_t bufferBytes, Pull pull) = 0;
  // Stops and disposes the output at once; no pull runs after it returns.
  virtual void dispose() = 0;
  virtual void start() = 0;
  // Stops at once, dropping what the output still holds; no pull runs after it returns.
  virtual void stopNow() = 0;
  virtual bool isRunning() const = 0;
  // Linear, 0.0 to 1.0.
  virtual void setVolume(float volume) = 0;
};

}  // namespace zelvo
