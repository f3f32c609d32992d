#pragma once
// One framebuffer object. Framebuffer 0 is not always the screen (a QOpenGLWidget
// draws into a framebuffer of its own), so the host names the framebuffer that
// stands for the window, and unbind returns to it.

#include "openglkit/OpenGL.h"
#include "openglkit/OpenGLESObject.h"

namespace zelvo {

class RenderBuffer;
class Texture;

class FrameBuffer : public OpenGLESObject {
 public:
  FrameBuffer();
  ~FrameBuffer();

  void bind() override;
  GLuint name() const { return name_; }

  // Drawing goes to the window again: the host's framebuffer.
  static void unbind();
  // Called by the host (on the GL thread) whenever its framebuffer may have changed,
  // before it lets the kit draw. 0 until set; each thread has its own.
  static void setDefaultFramebuffer(GLuint framebuffer);
  static GLuint defaultFramebuffer();

  // These act on the bound framebuffer.
  void attachTexture(GLenum attachment, const Texture& texture);
  void attachRenderBuffer(GLenum attachment, const RenderBuffer& renderBuffer);

 private:
  GLuint name_ = 0;
};

}  // namespace zelvo
