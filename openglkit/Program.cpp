#include "openglkit/Program.h"

#include <cstdio>

#include "Foundation/Assert.h"
#include "openglkit/FragmentShader.h"
#include "openglkit/FrameBuffer.h"
#include "openglkit/VertexShader.h"

namespace zelvo {

std::unique_ptr<Program> Program::create(const char* vertexSource, const char* fragmentSource) {
  FrameBuffer::unbind();
  auto program = std::make_unique<Program>();
  VertexShader vertexShader;
  FragmentShader fragmentShader;

  // A shader that does not compile is reported and left to fail the link.
  vertexShader.setSource(vertexSource);
  if (!vertexShader.compile()) std::fprintf(stderr, "Shader compile failed: %s", vertexShader.infoLog());
  fragmentShader.setSource(fragmentSource);
  if (!fragmentShader.compile()) std::fprintf(stderr, "Shader compile failed: %s", fragmentShader.infoLog());

  program->attachShader(vertexShader);
  program->attachShader(fragmentShader);
  if (!program->link()) {
    std::fprintf(stderr, "Failed to link program: %s", program->infoLog());
    return nullptr;
  }
  if (!program->validate()) {
    std::fprintf(stderr, "Failed to validate: %s", program->infoLog());
    return nullptr;
  }
  // The shaders are deleted on return; the linked program keeps working.
  return program;
}

Program::Program() : name_(glCreateProgram()), infoLog_(name_, glGetProgramiv, glGetProgramInfoLog) {}

Program::~Program() { glDeleteProgram(name_); }

bool Program::link() {
  glLinkProgram(name_);
  GLint status = 0;
  glGetProgramiv(name_, GL_LINK_STATUS, &status);
  return status != 0;
}

bool Program::validate() {
  glValidateProgram(name_);
  GLint status = 0;
  glGetProgramiv(name_, GL_VALIDATE_STATUS, &status);
  return status != 0;
}

void Program::attachShader(const Shader& shader) { glAttachShader(name_, shader.name()); }

void Program::detachShader(const Shader& shader) { glDetachShader(name_, shader.name()); }

void Program::bindAttribLocation(GLuint index, const char* name) { glBindAttribLocation(name_, index, name); }

void Program::use() { glUseProgram(name_); }

GLint Program::findLocation(const char* name, LocationCache& cache, Lookup lookup) {
  if (auto found = cache.find(std::string_view(name)); found != cache.end()) return found->second;
  GLint result = lookup(name_, name);
  // A name the linked program lacks (or that the compiler dropped as unused) is a
  // fault of the kit's own shaders and calls.
  ZELVO_ASSERT(result != -1, "no active uniform or attribute \"%s\"", name);
  cache.emplace(name, result);
  return result;
}

GLint Program::uniformLocation(const char* name) {
  return findLocation(name, uniformLocations_, glGetUniformLocation);
}

GLint Program::attributeLocation(const char* name) {
  return findLocation(name, attributeLocations_, glGetAttribLocation);
}

void Program::setUniform1i(const char* name, GLint value) { glUniform1i(uniformLocation(name), value); }

void Program::setUniform1f(const char* name, GLfloat value) { glUniform1f(uniformLocation(name), value); }

void Program::setUniform2i(const char* name, GLint a, GLint b) { glUniform2i(uniformLocation(name), a, b); }

void Program::setUniform2f(const char* name, GLfloat a, GLfloat b) { glUniform2f(uniformLocation(name), a, b); }

void Program::setUniform3i(const char* name, GLint a, GLint b, GLint c) {
  glUniform3i(uniformLocation(name), a, b, c);
}

void Program::setUniform3f(const char* name, GLfloat a, GLfloat b, GLfloat c) {
  glUniform3f(uniformLocation(name), a, b, c);
}

void Program::setUniform4i(const char* name, GLint a, GLint b, GLint c, GLint d) {
  glUniform4i(uniformLocation(name), a, b, c, d);
}

void Program::setUniform4f(const char* name, GLfloat a, GLfloat b, GLfloat c, GLfloat d) {
  glUniform4f(uniformLocation(name), a, b, c, d);
}

void Program::setUniformMatrix4fv(const char* name, const Matrix& matrix) {
  glUniformMatrix4fv(uniformLocation(name), 1, GL_FALSE, matrix.data());
}

void Program::enableVertexAttribArray(const char* name, bool enable) {
  GLuint location = static_cast<GLuint>(attributeLocation(name));
  if (enable)
    glEnableVertexAttribArray(location);
  else
    glDisableVertexAttribArray(location);
}

void Program::vertexAttribPointer(const char* name, GLint components, GLenum type, bool normalized, GLsizei stride,
                                  GLintptr pointer) {
  glVertexAttribPointer(static_cast<GLuint>(attributeLocation(name)), components, type,
                        normalized ? GL_TRUE : GL_FALSE, stride, reinterpret_cast<const void*>(pointer));
}

}  // namespace zelvo
