#include "Foundation/Log.h"

#include <syslog.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

std::mutex& sinkMutex() {
  static std::mutex mutex;
  return mutex;
}

std::function<void(const std::string&)>& sink() {
  static std::function<void(const std::string&)> function;
  return function;
}

}  // namespace

void zelvoLog(const char* format, ...) {
  char line[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);

  static std::once_flag opened;
  std::call_once(opened, [] { openlog("zelvo", LOG_PID, LOG_USER); });
  syslog(LOG_NOTICE, "%s", line);
#ifndef NDEBUG
  std::fprintf(stderr, "zelvo: %s\n", line);
#endif
  std::lock_guard lock(sinkMutex());
  if (sink()) sink()(line);
}

namespace zelvo {

void setLogSinkForTesting(std::function<void(const std::string&)> function) {
  std::lock_guard lock(sinkMutex());
  sink() = std::move(function);
}

}  // namespace zelvo
