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
  GLuint name() const { return _name; }
  int width() const { return _width; }
  int height() const { return _height; }

  // Acts on the bound renderbuffer.
  void storage(GLenum internalFormat, int width, int height);

 private:
  GLuint _name = 0;
  int _width = 0;
  int _height = 0;
};

}  // namespace zelvo
