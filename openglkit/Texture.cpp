#include "openglkit/Texture.h"

#include "Foundation/Assert.h"

namespace zelvo {

Texture::Texture() { glGenTextures(1, &name_); }

Texture::~Texture() { glDeleteTextures(1, &name_); }

void Texture::bind() { glBindTexture(GL_TEXTURE_2D, name_); }

void Texture::activeTexture(GLenum unit) { glActiveTexture(unit); }

int Texture::unitIndex(GLenum unit) {
  if (unit >= GL_TEXTURE0 && unit <= GL_TEXTURE8) return static_cast<int>(unit - GL_TEXTURE0);
  return -1;
}

void Texture::setImage(GLenum format, int width, int height, GLenum type, const void* pixels) {
  setImage(static_cast<GLint>(format), format, width, height, type, pixels);
}

void Texture::setImage(GLint internalFormat, GLenum format, int width, int height, GLenum type,
                       const void* pixels) {
  width_ = width;
  height_ = height;
  internalFormat_ = 0;
  format_ = 0;
  type_ = 0;
  ++allocations_;
  glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, type, pixels);
}

void Texture::replaceImage(GLint internalFormat, GLenum format, int width, int height, GLenum type,
                           const void* pixels) {
  ZELVO_PRECONDITION(pixels != nullptr);
  if (internalFormat_ != 0 && internalFormat == internalFormat_ && format == format_ && type == type_ &&
      width == width_ && height == height_) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, type, pixels);
    return;
  }
  setImage(internalFormat, format, width, height, type, pixels);
  internalFormat_ = internalFormat;
  format_ = format;
  type_ = type;
}

void Texture::updateImage(GLenum format, int xoffset, int yoffset, int width, int height, GLenum type,
                          const void* pixels) {
  ZELVO_PRECONDITION(xoffset + width <= width_);
  ZELVO_PRECONDITION(yoffset + height <= height_);
  glTexSubImage2D(GL_TEXTURE_2D, 0, xoffset, yoffset, width, height, format, type, pixels);
}

void Texture::getImage(GLenum format, GLenum type, void* pixels) {
#ifndef NDEBUG
  // glGetTexImage writes the whole image of the bound texture: a buffer sized from this
  // one overflows when another, larger texture is bound.
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  ZELVO_ASSERT(static_cast<GLuint>(bound) == name_, "texture %u read while %d is bound", name_, bound);
#endif
  glGetTexImage(GL_TEXTURE_2D, 0, format, type, pixels);
}

void Texture::setFilter(GLenum minification, GLenum magnification) {
  ZELVO_PRECONDITION(minification == GL_NEAREST || minification == GL_LINEAR ||
                     minification == GL_NEAREST_MIPMAP_NEAREST || minification == GL_NEAREST_MIPMAP_LINEAR ||
                     minification == GL_LINEAR_MIPMAP_NEAREST || minification == GL_LINEAR_MIPMAP_LINEAR);
  ZELVO_PRECONDITION(magnification == GL_NEAREST || magnification == GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minification));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(magnification));
}

void Texture::setWrapMode(GLenum s, GLenum t) {
  ZELVO_PRECONDITION(s == GL_REPEAT || s == GL_CLAMP_TO_EDGE || s == GL_MIRRORED_REPEAT);
  ZELVO_PRECONDITION(t == GL_REPEAT || t == GL_CLAMP_TO_EDGE || t == GL_MIRRORED_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(s));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(t));
}

void Texture::setParameter(GLenum pname, GLint value) { glTexParameteri(GL_TEXTURE_2D, pname, value); }

}  // namespace zelvo
