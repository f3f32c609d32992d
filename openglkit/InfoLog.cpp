#include "openglkit/InfoLog.h"

namespace zelvo {

const char* InfoLog::text() {
  GLint length = 0;
  parameterQuery_(object_, GL_INFO_LOG_LENGTH, &length);
  if (length <= 0) return "(NO LOG)";
  if (length > capacity_) {
    buffer_ = std::make_unique<char[]>(static_cast<size_t>(length));
    capacity_ = length;
  }
  GLsizei written = 0;
  logQuery_(object_, capacity_, &written, buffer_.get());
  // The query writes the terminator itself; this only guards a short or faulty driver.
  buffer_[written >= 0 && written < capacity_ ? written : capacity_ - 1] = '\0';
  return buffer_.get();
}

}  // namespace zelvo
