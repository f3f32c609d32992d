// Test main for everything that needs an event loop but no display.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>

#include "Foundation/KeepLibrariesLoaded.h"
#include "Foundation/MainThread.h"
#include "support/Listing.h"
#include "support/TestApplication.h"

namespace {
// main's own: a test that leaves with exit() does not destroy it among the statics.
std::unique_ptr<QCoreApplication>* application = nullptr;
}

void zelvo::test::endTestApplication() { application->reset(); }

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
  if (auto listed = zelvo::test::runListing(argc, argv)) return *listed;
  auto app = std::make_unique<QCoreApplication>(argc, argv);
  application = &app;
  zelvo::installMainThreadHops();
  int status = RUN_ALL_TESTS();
  // Threads still posting to the main thread must not wait for it while the process ends.
  zelvo::closeMainThreadHops();
  app.reset();
  return zelvo::test::finishTestProcess(status);
}
