#pragma once
// One formatted line to the system log (and to standard error in debug builds).
// Never pass a password.

#include <functional>
#include <string>

void zelvoLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

namespace zelvo {

// Tests observe the lines the code logs ("dropped with a log line"). The sink is
// called on the logging thread; pass nullptr to remove it.
void setLogSinkForTesting(std::function<void(const std::string&)> sink);

}  // namespace zelvo
