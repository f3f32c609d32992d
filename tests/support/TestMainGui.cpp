// Test main for tests that need a display (Xvfb in CI). Listing them needs none.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "Foundation/KeepLibrariesLoaded.h"
#include "Foundation/MainThread.h"
#include "support/Listing.h"
#include "support/TestApplication.h"

namespace {

// main's own: a test that leaves with exit() does not destroy it among the statics.
std::unique_ptr<QApplication>* application = nullptr;

// Closing the display unloads Mesa's GL driver (swrast_dri.so). ThreadSanitizer then
// fails the run, its suppressions naming a library that is gone, which the AddressSanitizer
// build's dlclose (Foundation/KeepLibrariesLoaded.h) does not cover. Pinned, the driver
// stays mapped until the process ends.
void keepGLDriversMapped() {
  std::vector<std::string> drivers;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* found) {
        if (info->dlpi_name && std::string(info->dlpi_name).find("/dri/") != std::string::npos)
          static_cast<std::vector<std::string>*>(found)->push_back(info->dlpi_name);
        return 0;
      },
      &drivers);
  for (const std::string& driver : drivers) dlopen(driver.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

}  // namespace

void zelvo::test::endTestApplication() { application->reset(); }

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
  if (auto listed = zelvo::test::runListing(argc, argv)) return *listed;
  auto app = std::make_unique<QApplication>(argc, argv);
  application = &app;
  zelvo::installMainThreadHops();
  int status = RUN_ALL_TESTS();
  // Threads still posting to the main thread must not wait for it while the process ends.
  zelvo::closeMainThreadHops();
  keepGLDriversMapped();
  app.reset();
  return zelvo::test::finishTestProcess(status);
}
