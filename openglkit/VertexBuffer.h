#pragma once
// One buffer object for vertex data (GL_ARRAY_BUFFER) or indices (GL_ELEMENT_ARRAY_BUFFER).

#include "openglkit/OpenGL.h"
#include "openglkit/OpenGLESObject.h"

namespace zelvo {

class VertexBuffer : public OpenGLESObject {
 public:
  explicit VertexBuffer(GLenum target);
  virtual ~VertexBuffer();

  void bind() override;
  GLuint name() const { return name_; }
  GLenum target() const { return target_; }

  // These act on the buffer bound to target.
  void setData(GLsizeiptr size, const void* data, GLenum usage);
  void updateData(GLintptr offset, GLsizeiptr size, const void* data);
  void attributePointer(GLuint location, GLint components, GLenum type, GLboolean normalized, GLsizei stride,
                        const void* pointer);

 private:
  GLuint name_ = 0;
  GLenum target_;
};

}  // namespace zelvo
