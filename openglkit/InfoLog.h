#pragma once
// The info log of one shader or program, read into a buffer that grows as needed and
// is reused while large enough. The text stays valid until the next call or destruction.

#include <memory>

#include "openglkit/OpenGL.h"

namespace zelvo {

class InfoLog {
 public:
  using ParameterQuery = void (*)(GLuint object, GLenum parameter, GLint* value);
  using LogQuery = void (*)(GLuint object, GLsizei maximum, GLsizei* length, GLchar* log);

  InfoLog(GLuint object, ParameterQuery parameterQuery, LogQuery logQuery)
      : _object(object), _parameterQuery(parameterQuery), _logQuery(logQuery) {}
  InfoLog(const InfoLog&) = delete;
  InfoLog& operator=(const InfoLog&) = delete;

  // "(NO LOG)" when the object has none.
  const char* text();
  int capacity() const { return _capacity; }

 private:
  GLuint _object;
  ParameterQuery _parameterQuery;
  LogQuery _logQuery;
  std::unique_ptr<char[]> _buffer;
  int _capacity = 0;
};

}  // namespace zelvo
