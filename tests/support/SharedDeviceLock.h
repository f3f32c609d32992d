#pragma once
// CTest runs test processes side by side on one X server and one sound server. What a
// test does with the X server's input (its pointer, keyboard focus and Caps Lock), the
// X clipboard or the sound server's one null sink,
// every other test sees: a test that uses one of them holds its lock for as long as
// it does. The locks are files keyed by the server (DISPLAY, PULSE_SERVER), so runs on
// different servers do not wait for each other.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QPoint>

namespace zelvo::test {

// Tests that drive the X server's pointer or keyboard put their windows right of x 1300 (the test
// services' screen is 2560 wide, the other tests' windows stay left of it), so that
// no other test's window lies under the pointer's path.
inline constexpr QPoint PointerArea{1320, 40};

class SharedDeviceLock {
 public:
  // device: "input", "clipboard" or "audio-sink".
  explicit SharedDeviceLock(const char* device) {
    const char* server = device == QByteArray("audio-sink") ? "PULSE_SERVER" : "DISPLAY";
    QByteArray key = qgetenv(server);
    for (char& c : key) {
      if (c == '/' || c == ':') c = '_';
    }
    const QByteArray path = QDir::tempPath().toLocal8Bit() + "/zelvo-" + device + "-" + key + ".lock";
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~SharedDeviceLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
  }
  SharedDeviceLock(const SharedDeviceLock&) = delete;
  SharedDeviceLock& operator=(const SharedDeviceLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace zelvo::test
