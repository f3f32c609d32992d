#include "openglkit/InfoLog.h"

namespace zelvo {

const char* InfoLog::text() {
  GLint length = 0;
  _parameterQuery(_object, GL_INFO_LOG_LENGTH, &length);
  if (length <= 0) return "(NO LOG)";
  if (length > _capacity) {
    _buffer = std::make_unique<char[]>(static_cast<size_t>(length));
    _capacity = length;
  }
  GLsizei written = 0;
  _logQuery(_object, _capacity, &written, _buffer.get());
  // The query writes the terminator itself; this only guards a short or faulty driver.
  _buffer[written >= 0 && written < _capacity ? written : _capacity - 1] = '\0';
  return _buffer.get();
}

}  // namespace zelvo
