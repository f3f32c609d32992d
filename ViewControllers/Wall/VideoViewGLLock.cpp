#include "ViewControllers/Wall/VideoViewGLLock.h"

#include "Foundation/Assert.h"

namespace zelvo {

bool VideoViewGLLock::lock() {
  if (depth_++ == 0) {
    madeCurrent_ = false;
    if (host_.isCurrent && host_.isCurrent()) {
      usable_ = true;
    } else {
      usable_ = host_.makeCurrent && host_.makeCurrent();
      madeCurrent_ = usable_;
    }
  }
  if (usable_ && host_.entered) host_.entered();
  return usable_;
}

void VideoViewGLLock::unlock() {
  ZELVO_ASSERT(depth_ > 0, "unlock without lock");
  if (--depth_ > 0) return;
  if (madeCurrent_ && host_.doneCurrent) host_.doneCurrent();
  madeCurrent_ = false;
  usable_ = false;
}

}  // namespace zelvo
