#pragma once
// The owner of a Screen, told after every change made through the screen.

namespace zelvo {

class ScreenDelegate {
 public:
  virtual ~ScreenDelegate() = default;
  // Called on the thread that made the change, with the GL context still locked: it must
  // not call back into the screen.
  virtual void screenUpdated() = 0;
};

}  // namespace zelvo
