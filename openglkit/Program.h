#pragma once
// A linked GLSL program with name-based access to its uniforms and attributes. The
// locations are looked up once and cached, so after the first frame no location query
// reaches GL. Every name used must be active in the linked program.

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "openglkit/InfoLog.h"
#include "openglkit/Matrix.h"
#include "openglkit/OpenGL.h"

namespace zelvo {

class Shader;

class Program {
 public:
  // Compiles and links the two sources; none when linking or validation fails (the
  // reason goes to standard error).
  static std::unique_ptr<Program> create(const char* vertexSource, const char* fragmentSource);

  Program();
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  GLuint name() const { return name_; }
  bool link();
  bool validate();
  const char* infoLog() { return infoLog_.text(); }
  void attachShader(const Shader& shader);
  void detachShader(const Shader& shader);
  void bindAttribLocation(GLuint index, const char* name);
  void use();

  GLint uniformLocation(const char* name);
  GLint attributeLocation(const char* name);

  void setUniform1i(const char* name, GLint value);
  void setUniform1f(const char* name, GLfloat value);
  void setUniform2i(const char* name, GLint a, GLint b);
  void setUniform2f(const char* name, GLfloat a, GLfloat b);
  void setUniform3i(const char* name, GLint a, GLint b, GLint c);
  void setUniform3f(const char* name, GLfloat a, GLfloat b, GLfloat c);
  void setUniform4i(const char* name, GLint a, GLint b, GLint c, GLint d);
  void setUniform4f(const char* name, GLfloat a, GLfloat b, GLfloat c, GLfloat d);
  // The sixteen column-major floats, not transposed.
  void setUniformMatrix4fv(const char* name, const Matrix& matrix);

  void enableVertexAttribArray(const char* name, bool enable);
  // pointer is a byte offset into the bound array buffer.
  void vertexAttribPointer(const char* name, GLint components, GLenum type, bool normalized, GLsizei stride,
                           GLintptr pointer);

 private:
  using LocationCache = std::map<std::string, GLint, std::less<>>;
  using Lookup = GLint (*)(GLuint program, const GLchar* name);
  GLint findLocation(const char* name, LocationCache& cache, Lookup lookup);

  GLuint name_;
  LocationCache uniformLocations_;
  LocationCache attributeLocations_;
  InfoLog infoLog_;
};

}  // namespace zelvo
