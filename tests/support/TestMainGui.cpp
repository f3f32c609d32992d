// Test main for tests that need a display (Xvfb in CI).
#include <gtest/gtest.h>

#include <QApplication>

#include "Foundation/MainThread.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
  QApplication app(argc, argv);
  zelvo::installMainThreadHops();
  return RUN_ALL_TESTS();
}
