#include "support/MonitorRecording.h"

#include <QFileInfo>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace zelvo::test {

MonitorRecording::MonitorRecording() {
  path_ = dir_.filePath("monitor.raw");
  process_.setStandardOutputFile(path_);
  process_.start("parec", {"-d", "null.monitor", "--raw", "--rate=8000", "--channels=1", "--format=s16le",
                           "--latency-msec=5"});
  started_ = process_.waitForStarted(10000);
}

MonitorRecording::~MonitorRecording() { stop(); }

void MonitorRecording::stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(10000)) process_.kill();
  process_.waitForFinished(10000);
}

qint64 MonitorRecording::recorded() const { return QFileInfo(path_).size() / 2; }

std::string MonitorRecording::errors() { return process_.readAllStandardError().toStdString(); }

std::vector<double> MonitorRecording::samples() const {
  std::ifstream in(path_.toStdString(), std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<double> out(bytes.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) {
    int16_t s;
    std::memcpy(&s, bytes.data() + 2 * i, 2);
    out[i] = s;
  }
  return out;
}

}  // namespace zelvo::test
