#include "openglkit/Shader.h"

#include "Foundation/Assert.h"

namespace zelvo {

Shader::Shader(GLenum type) : name_(glCreateShader(type)), infoLog_(name_, glGetShaderiv, glGetShaderInfoLog) {
  ZELVO_PRECONDITION(type == GL_VERTEX_SHADER || type == GL_FRAGMENT_SHADER);
}

Shader::~Shader() { glDeleteShader(name_); }

void Shader::setSource(const char* text) { glShaderSource(name_, 1, &text, nullptr); }

bool Shader::compile() {
  glCompileShader(name_);
  GLint status = 0;
  glGetShaderiv(name_, GL_COMPILE_STATUS, &status);
  return status != 0;
}

}  // namespace zelvo
