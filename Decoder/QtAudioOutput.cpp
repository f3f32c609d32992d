#include "Decoder/QtAudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include "Foundation/Log.h"
#include "Foundation/QueuedHandOff.h"

namespace zelvo {

namespace {

// What the sink reads: the player's pull, never empty (an empty read would turn
// the sink idle), never written to.
class PullDevice final : public QIODevice {
 public:
  explicit PullDevice(AudioOutput::Pull pull) : pull_(std::move(pull)) {}
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return 1 << 16; }

 protected:
  qint64 readData(char* data, qint64 max) override {
    if (max < 2) return 0;
    return static_cast<qint64>(pull_(reinterpret_cast<uint8_t*>(data), static_cast<size_t>(max & ~qint64{1})));
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  AudioOutput::Pull pull_;
};

}  // namespace

QtAudioOutput::QtAudioOutput() {
  thread_.setObjectName("com.ostrel-security.audio");
  thread_.start();
  context_ = std::make_unique<QObject>();
  context_->moveToThread(&thread_);
}

QtAudioOutput::~QtAudioOutput() {
  onThread([this] { disposeOnThread(); });
  // The context must go on its own thread; then the thread ends.
  QObject* context = context_.release();
  invokeOnThreadOf(context, [context] { delete context; }, Qt::BlockingQueuedConnection);
  thread_.quit();
  thread_.wait();
}

void QtAudioOutput::onThread(const std::function<void()>& fn) {
  if (QThread::currentThread() == &thread_) {
    fn();
    return;
  }
  invokeOnThreadOf(context_.get(), [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

void QtAudioOutput::create(int sampleRate, size_t bufferBytes, Pull pull) {
  onThread([&] {
    disposeOnThread();
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
      zelvoLog("No audio output device: sound is dropped");
      return;
    }
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    sink_ = new QAudioSink(device, format);
    sink_->setBufferSize(static_cast<qsizetype>(bufferBytes));
    sink_->setVolume(volume_);
    QObject::connect(sink_, &QAudioSink::stateChanged, sink_, [this](QAudio::State state) {
      if (state == QAudio::StoppedState) running_ = false;
    });
    device_ = new PullDevice(std::move(pull));
    device_->open(QIODevice::ReadOnly);
    bufferBytes_ = bufferBytes;
  });
}

void QtAudioOutput::dispose() {
  onThread([this] { disposeOnThread(); });
}

void QtAudioOutput::disposeOnThread() {
  running_ = false;
  granted_ = 0;
  if (sink_) {
    sink_->disconnect();
    sink_->reset();
    sink_->stop();
    delete sink_;
    sink_ = nullptr;
  }
  delete device_;
  device_ = nullptr;
}

void QtAudioOutput::start() {
  onThread([this] {
    if (!sink_) return;
    sink_->setBufferSize(static_cast<qsizetype>(bufferBytes_));
    sink_->start(device_);
    granted_ = static_cast<size_t>(sink_->bufferSize());
    running_ = sink_->state() != QAudio::StoppedState;
    if (!running_) zelvoLog("Audio output failed to start: %d", static_cast<int>(sink_->error()));
  });
}

void QtAudioOutput::stopNow() {
  onThread([this] {
    running_ = false;
    if (!sink_) return;
    sink_->reset();
    sink_->stop();
  });
}

void QtAudioOutput::setVolume(float volume) {
  onThread([this, volume] {
    volume_ = volume;
    if (sink_) sink_->setVolume(volume);
  });
}

}  // namespace zelvo
