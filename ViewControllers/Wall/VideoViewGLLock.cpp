#include "ViewControllers/Wall/VideoViewGLLock.h"

#include "Foundation/Assert.h"

namespace zelvo {

bool VideoViewGLLock::lock() {
  if (depth_++ == 0) {
    mutex_.lock();
    holds_ = usable_ && usable_();
  }
  return holds_;
}

void VideoViewGLLock::unlock() {
  ZELVO_ASSERT(depth_ > 0, "unlock without lock");
  if (--depth_ > 0) return;
  holds_ = false;
  mutex_.unlock();
}

}  // namespace zelvo
