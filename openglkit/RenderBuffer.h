#pragma once
// One renderbuffer object, attachable to a FrameBuffer.

#include "openglkit/OpenGL.h"
#include "openglkit/OpenGLESObject.h"

namespace zelvo {

class RenderBuffer : public OpenGLESObject {
 public:
  RenderBuffer();
  ~RenderBuffer();

  void bind() override;
  GLuint name() const { return name_; }
  int width() const { return width_; }
  int height() const { return height_; }

  // Acts on the bound renderbuffer.
  void storage(GLenum internalFormat, int width, int height);

 private:
  GLuint name_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace zelvo
