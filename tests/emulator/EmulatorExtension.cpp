#include "emulator/EmulatorExtension.h"

namespace zelvo::emulator {

namespace {
std::vector<EmulatorExtension>& registry() {
  static std::vector<EmulatorExtension> extensions;
  return extensions;
}
}  // namespace

const std::vector<EmulatorExtension>& emulatorExtensions() { return registry(); }

EmulatorExtensionRegistrar::EmulatorExtensionRegistrar(const char* name, void (*install)(RecorderEmulator&)) {
  registry().push_back({name, install});
}

}  // namespace zelvo::emulator
