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
      : object_(object), parameterQuery_(parameterQuery), logQuery_(logQuery) {}
  InfoLog(const InfoLog&) = delete;
  InfoLog& operator=(const InfoLog&) = delete;

  // "(NO LOG)" when the object has none.
  const char* text();
  int capacity() const { return capacity_; }

 private:
  GLuint object_;
  ParameterQuery parameterQuery_;
  LogQuery logQuery_;
  std::unique_ptr<char[]> buffer_;
  int capacity_ = 0;
};

}  // namespace zelvo
