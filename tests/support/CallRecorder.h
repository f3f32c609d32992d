#pragma once
// What a spy delegate was called with, one line per call, in order. Delegates are
// called on the network thread while the test reads on the main thread.

#include <mutex>
#include <string>
#include <vector>

namespace zelvo::test {

class CallRecorder {
 public:
  std::vector<std::string> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 protected:
  void add(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
};

}  // namespace zelvo::test
