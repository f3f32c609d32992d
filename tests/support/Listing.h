#pragma once
// Listing the tests of an executable, which both test mains do before they make an
// application object: listing needs none, so it works without a display (CTest lists
// every test, the gui ones too, before it runs any).

#include <optional>

namespace zelvo::test {

// When the command line only asks for a list, prints it and gives the exit status;
// otherwise nothing. --gtest_list_tests is gtest's own list; --zelvo_list_test_files
// prints each test's full name and the file that declares it, relative to the project
// ("MD5Digest.RFC1321TestSuite tests/Network/MD5Digest_test.cpp"), one a line.
std::optional<int> runListing(int argc, char** argv);

}  // namespace zelvo::test
