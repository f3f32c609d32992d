#pragma once
// The wall's context lock. The context lives on the wall's render thread, which takes
// the lock around each turn's uploads and drawing commands; the GUI thread takes it,
// recursively, around its state changes of the Screen (layout, colours, titles,
// clears), which are CPU work only and never make the context current there.

#include <functional>
#include <mutex>

namespace zelvo {

class VideoViewGLLock {
 public:
  // usable: whether there is a Screen to change (asked with the lock held).
  explicit VideoViewGLLock(std::function<bool()> usable) : usable_(std::move(usable)) {}

  // GUI thread, recursive. False when there is nothing to change (before the view's GL
  // set-up): the caller must not touch the Screen then. Either way a lock must be
  // matched by an unlock.
  bool lock();
  void unlock();
  int depth() const { return depth_; }
  bool holdsContext() const { return holds_; }

  // The render thread's side: a plain, not recursive, lock of the same mutex.
  std::mutex& mutex() { return mutex_; }

 private:
  std::function<bool()> usable_;
  std::mutex mutex_;
  // GUI thread only.
  int depth_ = 0;
  bool holds_ = false;
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
