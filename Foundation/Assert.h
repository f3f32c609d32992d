#pragma once
// Preconditions on the program's own calls and impossible states. Always on, in
// release builds too: a broken caller stops the program with the function, the
// source ("Network/ByteBuffer"), the line and the condition. Nothing the network,
// a file or the operator can cause may reach these.

namespace zelvo {

[[noreturn]] void preconditionFailed(const char* function, const char* file, int line, const char* condition);
[[noreturn]] void assertionFailed(const char* function, const char* file, int line, const char* condition,
                                  const char* format = nullptr, ...) __attribute__((format(printf, 5, 6)));

// "Network/ByteBuffer" from the compiler's absolute path of Network/ByteBuffer.cpp.
const char* sourceName(const char* path, char* scratch, unsigned scratchSize);

}  // namespace zelvo

// Logs "Invalid parameter not satisfying: <condition>" and aborts.
#define ZELVO_PRECONDITION(cond)                                              \
  do {                                                                        \
    if (!(cond)) [[unlikely]]                                                 \
      ::zelvo::preconditionFailed(__func__, __FILE__, __LINE__, #cond);       \
  } while (0)

// An impossible state; an optional printf-style description follows the condition.
#define ZELVO_ASSERT(cond, ...)                                               \
  do {                                                                        \
    if (!(cond)) [[unlikely]]                                                 \
      ::zelvo::assertionFailed(__func__, __FILE__, __LINE__, #cond __VA_OPT__(, ) __VA_ARGS__); \
  } while (0)
