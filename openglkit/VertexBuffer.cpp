#include "openglkit/VertexBuffer.h"

#include "Foundation/Assert.h"

namespace zelvo {

VertexBuffer::VertexBuffer(GLenum target) : _target(target) {
  ZELVO_PRECONDITION(target == GL_ARRAY_BUFFER || target == GL_ELEMENT_ARRAY_BUFFER);
  glGenBuffers(1, &_name);
}

VertexBuffer::~VertexBuffer() { glDeleteBuffers(1, &_name); }

void VertexBuffer::bind() { glBindBuffer(_target, _name); }

void VertexBuffer::setData(GLsizeiptr size, const void* data, GLenum usage) {
  ZELVO_PRECONDITION(usage == GL_STATIC_DRAW || usage == GL_DYNAMIC_DRAW || usage == GL_STREAM_DRAW);
  glBufferData(_target, size, data, usage);
}

void VertexBuffer::updateData(GLintptr offset, GLsizeiptr size, const void* data) {
  glBufferSubData(_target, offset, size, data);
}

void VertexBuffer::attributePointer(GLuint location, GLint components, GLenum type, GLboolean normalized,
                                    GLsizei stride, const void* pointer) {
  glEnableVertexAttribArray(location);
  glVertexAttribPointer(location, components, type, normalized, stride, pointer);
}

}  // namespace zelvo
