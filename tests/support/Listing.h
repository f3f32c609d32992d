#pragma once
// Listing the tests of an executable, which both test mains do before they make
// an application object: listing needs none, so it works without a display
// (CTest lists every test, the gui ones too, before it runs any).
//
// Tests that start a child process (QProcess) say so next to the test:
//   ZELVO_STARTS_CHILD_PROCESS(MD5Digest, MatchesMd5sumAtEveryLengthUpTo200);
// CTest gives them the label "fork" (every instance of a parameterised test).
// The ThreadSanitizer run leaves that label out: clang 14's runtime aborts when a
// process with threads forks.

#include <optional>

namespace zelvo::test {

bool registerChildProcessTest(const char* suite, const char* name);

// When the command line only asks for a list (--gtest_list_tests, or
// --zelvo_list_child_process_tests: the full names of the tests declared above, one
// a line), prints it and gives the exit status; otherwise nothing.
std::optional<int> runListing(int argc, char** argv);

}  // namespace zelvo::test

#define ZELVO_STARTS_CHILD_PROCESS(suite, name)                        \
  [[maybe_unused]] static const bool zelvoStartsChildProcess_##suite##_##name = \
      ::zelvo::test::registerChildProcessTest(#suite, #name)
