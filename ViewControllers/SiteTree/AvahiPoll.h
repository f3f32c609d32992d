#pragma once
// Avahi's event loop on the Qt main thread: watches are socket notifiers, timeouts
// single-shot timers, so every Avahi callback runs on the main thread. Avahi may free
// a watch or timeout from inside its own callback; the Qt objects are let go later.

#include <avahi-common/watch.h>

namespace zelvo {

class AvahiPoll {
 public:
  AvahiPoll();
  ~AvahiPoll();
  AvahiPoll(const AvahiPoll&) = delete;
  AvahiPoll& operator=(const AvahiPoll&) = delete;

  const ::AvahiPoll* poll() const { return &api_; }

 private:
  ::AvahiPoll api_;
};

}  // namespace zelvo
