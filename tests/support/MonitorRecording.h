// What the test sound server's null sink plays, recorded from its monitor with parec
// while the recording lives: 8 kHz, mono, signed 16-bit. Needs PULSE_SERVER
// (scripts/test-services starts one) and parec on the PATH.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace zelvo::test {

class MonitorRecording {
 public:
  MonitorRecording();
  ~MonitorRecording();
  MonitorRecording(const MonitorRecording&) = delete;
  MonitorRecording& operator=(const MonitorRecording&) = delete;

  bool started() const { return started_; }
  // Ends the recording; what was recorded stays readable.
  void stop();
  // Samples in the file so far (the monitor hands them over in blocks, late).
  qint64 recorded() const;
  std::string errors();
  std::vector<double> samples() const;

 private:
  QTemporaryDir dir_;
  QString path_;
  QProcess process_;
  bool started_ = false;
};

}  // namespace zelvo::test
