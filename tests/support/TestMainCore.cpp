// Test main for everything that needs an event loop but no display.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "Foundation/MainThread.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
  QCoreApplication app(argc, argv);
  zelvo::installMainThreadHops();
  int status = RUN_ALL_TESTS();
  // Threads still posting to the main thread must not wait for it while the process ends.
  zelvo::closeMainThreadHops();
  return status;
}
