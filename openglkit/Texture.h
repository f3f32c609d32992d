#pragma once
// One 2D texture. width_ and height_ record the size given to the last setImage
// (0 x 0 until then); updateImage checks its region against them.

#include "openglkit/OpenGL.h"
#include "openglkit/OpenGLESObject.h"

namespace zelvo {

class Texture : public OpenGLESObject {
 public:
  Texture();
  ~Texture();

  void bind() override;
  GLuint name() const { return name_; }
  int width() const { return width_; }
  int height() const { return height_; }

  static void activeTexture(GLenum unit);
  // GL_TEXTURE0 .. GL_TEXTURE8 -> 0 .. 8 (the value for a sampler uniform), else -1.
  static int unitIndex(GLenum unit);

  // Acts on the texture bound to GL_TEXTURE_2D on the active unit. pixels may be null.
  void setImage(GLenum format, int width, int height, GLenum type, const void* pixels);
  void setImage(GLint internalFormat, GLenum format, int width, int height, GLenum type, const void* pixels);
  void updateImage(GLenum format, int xoffset, int yoffset, int width, int height, GLenum type,
                   const void* pixels);
  // The whole image replaced by pixels (not null). While size and formats stay those of
  // the last call, the storage is written in place (glTexSubImage2D): a new image of the
  // same size needs no new allocation. Anything else allocates as setImage does.
  void replaceImage(GLint internalFormat, GLenum format, int width, int height, GLenum type, const void* pixels);
  // How many times storage was given to this texture (setImage, or replaceImage at a new
  // size or format).
  int allocationCount() const { return allocations_; }
  // pixels must hold the whole level-0 image of this texture, which must be the bound one.
  void getImage(GLenum format, GLenum type, void* pixels);
  void setFilter(GLenum minification, GLenum magnification);
  void setWrapMode(GLenum s, GLenum t);
  void setWrapMode(GLenum mode) { setWrapMode(mode, mode); }
  void setParameter(GLenum pname, GLint value);

 private:
  GLuint name_ = 0;
  int width_ = 0;
  int height_ = 0;
  // The formats of the last allocation; 0 until then, and after setImage (which may leave
  // the storage uninitialised or be given formats replaceImage does not compare).
  GLint internalFormat_ = 0;
  GLenum format_ = 0;
  GLenum type_ = 0;
  int allocations_ = 0;
};

}  // namespace zelvo
