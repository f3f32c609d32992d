#pragma once
// The kit's drawable: update says whether the next frame needs a redraw, render draws.
// Both run on the thread that holds the GL context.

namespace zelvo {

class RenderObject {
 public:
  // Virtual so that a drawable owned through any pointer goes away whole.
  virtual ~RenderObject() = default;
  virtual bool update(float time) = 0;
  virtual void render() = 0;

 protected:
  RenderObject() = default;
  RenderObject(const RenderObject&) = delete;
  RenderObject& operator=(const RenderObject&) = delete;
};

}  // namespace zelvo
