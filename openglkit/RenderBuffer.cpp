#include "openglkit/RenderBuffer.h"

namespace zelvo {

RenderBuffer::RenderBuffer() { glGenRenderbuffers(1, &name_); }

RenderBuffer::~RenderBuffer() { glDeleteRenderbuffers(1, &name_); }

void RenderBuffer::bind() { glBindRenderbuffer(GL_RENDERBUFFER, name_); }

void RenderBuffer::storage(GLenum internalFormat, int width, int height) {
  width_ = width;
  height_ = height;
  glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, width, height);
}

}  // namespace zelvo
