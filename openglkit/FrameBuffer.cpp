#include "openglkit/FrameBuffer.h"

#include "openglkit/RenderBuffer.h"
#include "openglkit/Texture.h"

namespace zelvo {

namespace {
// Per thread: each GL thread has its own context, current there, with its own target.
thread_local GLuint hostFramebuffer = 0;
}

FrameBuffer::FrameBuffer() { glGenFramebuffers(1, &name_); }

FrameBuffer::~FrameBuffer() { glDeleteFramebuffers(1, &name_); }

void FrameBuffer::bind() { glBindFramebuffer(GL_FRAMEBUFFER, name_); }

void FrameBuffer::unbind() { glBindFramebuffer(GL_FRAMEBUFFER, hostFramebuffer); }

void FrameBuffer::setDefaultFramebuffer(GLuint framebuffer) { hostFramebuffer = framebuffer; }

GLuint FrameBuffer::defaultFramebuffer() { return hostFramebuffer; }

void FrameBuffer::attachTexture(GLenum attachment, const Texture& texture) {
  glFramebufferTexture2D(GL_FRAMEBUFFER, attachment, GL_TEXTURE_2D, texture.name(), 0);
}

void FrameBuffer::attachRenderBuffer(GLenum attachment, const RenderBuffer& renderBuffer) {
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, renderBuffer.name());
}

}  // namespace zelvo
