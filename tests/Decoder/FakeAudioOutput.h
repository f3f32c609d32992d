#pragma once
// A sound output for tests: records what the player asks of it, and lets the
// test pull sound as the real output's thread would.

#include <vector>

#include "Decoder/AudioOutput.h"

namespace zelvo::test {

class FakeAudioOutput : public AudioOutput {
 public:
  struct Created {
    int sampleRate;
    size_t bufferBytes;
  };
  // Shared with the test, which keeps a pointer after handing the output over.
  std::vector<Created> created;
  int starts = 0, stops = 0, disposes = 0;
  float volume = -1.0f;
  bool running = false;
  bool refuseStart = false;  // as without a sound device
  Pull pullFunction;

  void create(int sampleRate, size_t bufferBytes, Pull pull) override {
    running = false;
    created.push_back({sampleRate, bufferBytes});
    pullFunction = std::move(pull);
  }
  void dispose() override {
    ++disposes;
    running = false;
  }
  void start() override {
    ++starts;
    running = !refuseStart;
  }
  void stopNow() override {
    ++stops;
    running = false;
  }
  bool isRunning() const override { return running; }
  void setVolume(float v) override { volume = v; }

  std::vector<uint8_t> pull(size_t max) {
    std::vector<uint8_t> data(max, 0xEE);
    data.resize(pullFunction(data.data(), max));
    return data;
  }
};

}  // namespace zelvo::test
