#pragma once
// The wall's context lock: a recursive guard that makes the view's GL context current on
// first entry and releases it on the last exit. Inside the view's own paint the context
// is current already; the guard then leaves it as it is. Main thread only (rendering
// runs on the GUI thread), so the guard only counts.

#include <functional>

namespace zelvo {

class VideoViewGLLock {
 public:
  struct Host {
    std::function<bool()> isCurrent;    // the view's context is the current one
    std::function<bool()> makeCurrent;  // false when there is no context yet
    std::function<void()> doneCurrent;
    std::function<void()> entered;      // after the context became (or was) current
  };

  explicit VideoViewGLLock(Host host) : host_(std::move(host)) {}

  // False when no context could be made current (before the view's GL set-up): the
  // caller must not touch GL then. Either way a lock must be matched by an unlock.
  bool lock();
  void unlock();
  int depth() const { return depth_; }
  bool holdsContext() const { return usable_; }

 private:
  Host host_;
  int depth_ = 0;
  bool madeCurrent_ = false;
  bool usable_ = false;
};

class VideoViewGLLocker {
 public:
  explicit VideoViewGLLocker(VideoViewGLLock& lock) : lock_(lock), usable_(lock.lock()) {}
  ~VideoViewGLLocker() { lock_.unlock(); }
  VideoViewGLLocker(const VideoViewGLLocker&) = delete;
  VideoViewGLLocker& operator=(const VideoViewGLLocker&) = delete;
  bool usable() const { return usable_; }

 private:
  VideoViewGLLock& lock_;
  bool usable_;
};

}  // namespace zelvo
