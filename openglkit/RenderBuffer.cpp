#include "openglkit/RenderBuffer.h"

namespace zelvo {

RenderBuffer::RenderBuffer() { glGenRenderbuffers(1, &_name); }

RenderBuffer::~RenderBuffer() { glDeleteRenderbuffers(1, &_name); }

void RenderBuffer::bind() { glBindRenderbuffer(GL_RENDERBUFFER, _name); }

void RenderBuffer::storage(GLenum internalFormat, int width, int height) {
  _width = width;
  _height = height;
  glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, width, height);
}

}  // namespace zelvo
