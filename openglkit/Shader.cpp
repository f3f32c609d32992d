#include "openglkit/Shader.h"

#include "Foundation/Assert.h"

namespace zelvo {

Shader::Shader(GLenum type) : _name(glCreateShader(type)), _infoLog(_name, glGetShaderiv, glGetShaderInfoLog) {
  ZELVO_PRECONDITION(type == GL_VERTEX_SHADER || type == GL_FRAGMENT_SHADER);
}

Shader::~Shader() { glDeleteShader(_name); }

void Shader::setSource(const char* text) { glShaderSource(_name, 1, &text, nullptr); }

bool Shader::compile() {
  glCompileShader(_name);
  GLint status = 0;
  glGetShaderiv(_name, GL_COMPILE_STATUS, &status);
  return status != 0;
}

}  // namespace zelvo
