#include "support/Wait.h"

#include <QCoreApplication>
#include <QThread>
#include <mutex>

#include "Foundation/Log.h"

namespace zelvo::test {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::usleep(200);
  }
  return true;
}

namespace {
std::mutex captureMutex;
std::vector<std::string> captured;
}  // namespace

LogCapture::LogCapture() {
  {
    std::lock_guard lock(captureMutex);
    captured.clear();
  }
  setLogSinkForTesting([](const std::string& line) {
    std::lock_guard lock(captureMutex);
    captured.push_back(line);
  });
}

LogCapture::~LogCapture() { setLogSinkForTesting(nullptr); }

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard lock(captureMutex);
  return captured;
}

bool LogCapture::contains(const std::string& fragment) const {
  std::lock_guard lock(captureMutex);
  for (const std::string& line : captured)
    if (line.find(fragment) != std::string::npos) return true;
  return false;
}

}  // namespace zelvo::test
