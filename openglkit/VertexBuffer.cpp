#include "openglkit/VertexBuffer.h"

#include "Foundation/Assert.h"

namespace zelvo {

VertexBuffer::VertexBuffer(GLenum target) : target_(target) {
  ZELVO_PRECONDITION(target == GL_ARRAY_BUFFER || target == GL_ELEMENT_ARRAY_BUFFER);
  glGenBuffers(1, &name_);
}

VertexBuffer::~VertexBuffer() { glDeleteBuffers(1, &name_); }

void VertexBuffer::bind() { glBindBuffer(target_, name_); }

void VertexBuffer::setData(GLsizeiptr size, const void* data, GLenum usage) {
  ZELVO_PRECONDITION(usage == GL_STATIC_DRAW || usage == GL_DYNAMIC_DRAW || usage == GL_STREAM_DRAW);
  glBufferData(target_, size, data, usage);
}

void VertexBuffer::updateData(GLintptr offset, GLsizeiptr size, const void* data) {
  glBufferSubData(target_, offset, size, data);
}

void VertexBuffer::attributePointer(GLuint location, GLint components, GLenum type, GLboolean normalized,
                                    GLsizei stride, const void* pointer) {
  glEnableVertexAttribArray(location);
  glVertexAttribPointer(location, components, type, normalized, stride, pointer);
}

}  // namespace zelvo
