#pragma once
// One GLSL shader object (vertex or fragment), compiled from a fixed source text.

#include "openglkit/InfoLog.h"
#include "openglkit/OpenGL.h"

namespace zelvo {

class Shader {
 public:
  explicit Shader(GLenum type);
  virtual ~Shader();
  Shader(const Shader&) = delete;
  Shader& operator=(const Shader&) = delete;

  GLuint name() const { return name_; }
  void setSource(const char* text);
  bool compile();
  const char* infoLog() { return infoLog_.text(); }

 private:
  GLuint name_;
  InfoLog infoLog_;
};

}  // namespace zelvo
