#pragma once
// The sound output over Qt Multimedia: a QAudioSink in pull mode, living on a
// thread of its own (the sink reads its device from a timer in the thread that
// owns it), with its buffer kept to the size the player asks for so that the
// sound stays close to the picture. Every call hops to that thread and waits;
// that thread never waits on the caller's. Without a sound device the output
// never runs and the sound is dropped.

#include <QThread>
#include <atomic>
#include <memory>

#include "Decoder/AudioOutput.h"

class QAudioSink;
class QIODevice;

namespace zelvo {

class QtAudioOutput final : public AudioOutput {
 public:
  QtAudioOutput();
  ~QtAudioOutput() override;

  void create(int sampleRate, size_t bufferBytes, Pull pull) override;
  void dispose() override;
  void start() override;
  void stopNow() override;
  bool isRunning() const override { return running_.load(); }
  void setVolume(float volume) override;

  // The sink's buffer as Qt granted it, in bytes (0 without an output).
  size_t grantedBufferBytes() const { return granted_.load(); }

 private:
  void onThread(const std::function<void()>& fn);
  void disposeOnThread();

  QThread thread_;
  std::unique_ptr<QObject> context_;  // lives on thread_
  // Owned on thread_ only.
  QAudioSink* sink_ = nullptr;
  QIODevice* device_ = nullptr;
  size_t bufferBytes_ = 0;
  float volume_ = 1.0f;
  std::atomic<bool> running_{false};
  std::atomic<size_t> granted_{0};
};

}  // namespace zelvo
