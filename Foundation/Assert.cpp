#include "Foundation/Assert.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Foundation/Log.h"

namespace zelvo {

const char* sourceName(const char* path, char* scratch, unsigned scratchSize) {
  const char* root = ZELVO_SOURCE_ROOT;
  size_t rootLength = std::strlen(root);
  const char* name = path;
  if (std::strncmp(path, root, rootLength) == 0) {
    name = path + rootLength;
  } else {
    // A compiler cache may hand the compiler the source relative to the build
    // directory ("../../Network/ByteBuffer.cpp"), which lies inside the project.
    while (std::strncmp(name, "../", 3) == 0 || std::strncmp(name, "./", 2) == 0) name += name[1] == '.' ? 3 : 2;
  }
  std::snprintf(scratch, scratchSize, "%s", name);
  if (char* dot = std::strrchr(scratch, '.'); dot && !std::strchr(dot, '/')) *dot = '\0';
  return scratch;
}

void preconditionFailed(const char* function, const char* file, int line, const char* condition) {
  char scratch[512];
  zelvoLog("*** Assertion failure in %s, %s:%d: Invalid parameter not satisfying: %s", function,
           sourceName(file, scratch, sizeof scratch), line, condition);
  std::fprintf(stderr, "*** Assertion failure in %s, %s:%d: Invalid parameter not satisfying: %s\n", function,
               scratch, line, condition);
  std::abort();
}

void assertionFailed(const char* function, const char* file, int line, const char* condition, const char* format,
                     ...) {
  char scratch[512];
  char message[1024] = "";
  if (format) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
  }
  const char* name = sourceName(file, scratch, sizeof scratch);
  zelvoLog("*** Assertion failure in %s, %s:%d: (%s) %s", function, name, line, condition, message);
  std::fprintf(stderr, "*** Assertion failure in %s, %s:%d: (%s) %s\n", function, name, line, condition, message);
  std::abort();
}

}  // namespace zelvo
