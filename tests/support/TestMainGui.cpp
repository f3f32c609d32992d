// Test main for tests that need a display (Xvfb in CI). Listing them needs none.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "Foundation/MainThread.h"
#include "support/Listing.h"
#include "support/TestApplication.h"

namespace {
std::unique_ptr<QApplication> application;
}

void zelvo::test::endTestApplication() { application.reset(); }

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
  if (auto listed = zelvo::test::runListing(argc, argv)) return *listed;
  application = std::make_unique<QApplication>(argc, argv);
  zelvo::installMainThreadHops();
  int status = RUN_ALL_TESTS();
  // Threads still posting to the main thread must not wait for it while the process ends.
  zelvo::closeMainThreadHops();
  application.reset();
  return status;
}
