// Test main for tests that need a display (Xvfb in CI).
#include <gtest/gtest.h>

#include <QApplication>

#include "Foundation/MainThread.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
  QApplication app(argc, argv);
  zelvo::installMainThreadHops();
  int status = RUN_ALL_TESTS();
  // Threads still posting to the main thread must not wait for it while the process ends.
  zelvo::closeMainThreadHops();
  return status;
}
