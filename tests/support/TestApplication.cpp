#include "support/TestApplication.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define ZELVO_TEST_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELVO_TEST_LEAK_CHECK 1
#endif
#endif
#ifdef ZELVO_TEST_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace zelvo::test {

namespace {
std::atomic<bool> withoutLibraryTeardown{false};
}

void endWithoutLibraryTeardown() { withoutLibraryTeardown = true; }

int finishTestProcess(int status) {
  if (!withoutLibraryTeardown) return status;
  std::fflush(nullptr);
#ifdef ZELVO_TEST_LEAK_CHECK
  // What the sanitizer would have checked at exit, with the libraries' statics still
  // alive (and so reachable, not leaked).
  __lsan_do_leak_check();
#endif
  std::_Exit(status);
}

}  // namespace zelvo::test
