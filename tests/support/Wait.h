#pragma once
// Waiting in tests: spin the main thread's event loop until a condition holds.
// The limit is generous and only there so that a deadlock fails instead of hanging;
// the wait ends as soon as the condition holds. Never a timing assertion.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace zelvo::test {

bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(20));

// Collects the lines the code logs while it lives.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  std::vector<std::string> lines() const;
  bool contains(const std::string& fragment) const;
};

}  // namespace zelvo::test
