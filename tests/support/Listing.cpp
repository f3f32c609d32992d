#include "support/Listing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace zelvo::test {

namespace {

std::vector<std::pair<std::string, std::string>>& childProcessTests() {
  static std::vector<std::pair<std::string, std::string>> tests;
  return tests;
}

// "Instance/Suite/0" names suite "Suite"; "Test/3" names test "Test".
bool suiteMatches(const std::string& full, const std::string& suite) {
  size_t start = 0;
  while (start <= full.size()) {
    size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    if (full.compare(start, end - start, suite) == 0) return true;
    start = end + 1;
  }
  return false;
}

bool testMatches(const std::string& full, const std::string& name) { return full.substr(0, full.find('/')) == name; }

}  // namespace

bool registerChildProcessTest(const char* suite, const char* name) {
  childProcessTests().emplace_back(suite, name);
  return true;
}

std::optional<int> runListing(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--zelvo_list_child_process_tests") == 0) {
      const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
      for (int s = 0; s < unit.total_test_suite_count(); ++s) {
        const ::testing::TestSuite& suite = *unit.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
          const ::testing::TestInfo& test = *suite.GetTestInfo(t);
          for (const auto& [suiteName, testName] : childProcessTests())
            if (suiteMatches(suite.name(), suiteName) && testMatches(test.name(), testName)) {
              std::printf("%s.%s\n", suite.name(), test.name());
              break;
            }
        }
      }
      return 0;
    }
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  return std::nullopt;
}

}  // namespace zelvo::test
