#pragma once
// The kit's drawable: update says whether the next frame needs a redraw, render draws.
// Both run on the thread that holds the GL context.

namespace zelvo {

class RenderObject {
 public:
  virtual bool update(float time) = 0;
  virtual void render() = 0;

 protected:
  RenderObject() = default;
  ~RenderObject() = default;
  RenderObject(const RenderObject&) = delete;
  RenderObject& operator=(const RenderObject&) = delete;
};

}  // namespace zelvo
