#include "support/Listing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace zelvo::test {

namespace {

// The compiler names the file absolutely, or (through a compiler cache) relative to
// the build directory, which lies inside the project.
std::string projectRelative(const char* file) {
  std::string path = file ? file : "";
  const std::string root = ZELVO_SOURCE_ROOT;
  if (path.compare(0, root.size(), root) == 0) return path.substr(root.size());
  size_t start = 0;
  while (path.compare(start, 3, "../") == 0 || path.compare(start, 2, "./") == 0) start += path[start + 1] == '.' ? 3 : 2;
  return path.substr(start);
}

}  // namespace

std::optional<int> runListing(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--zelvo_list_test_files") == 0) {
      const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
      for (int s = 0; s < unit.total_test_suite_count(); ++s) {
        const ::testing::TestSuite& suite = *unit.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
          const ::testing::TestInfo& test = *suite.GetTestInfo(t);
          std::printf("%s.%s %s\n", suite.name(), test.name(), projectRelative(test.file()).c_str());
        }
      }
      return 0;
    }
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  return std::nullopt;
}

}  // namespace zelvo::test
