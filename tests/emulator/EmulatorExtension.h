#pragma once
// How the messages of later clients join the emulator executable: a file of its
// own registers an installer, and zelvo-recorder-emulator runs every installer on
// its emulator before it starts listening. Tests call the installers (or set
// handlers) directly.
//
//   static void installLive(zelvo::emulator::RecorderEmulator& emulator) { ... }
//   ZELVO_EMULATOR_EXTENSION(live, installLive)

#include <string>
#include <vector>

namespace zelvo::emulator {

class RecorderEmulator;

struct EmulatorExtension {
  std::string name;
  void (*install)(RecorderEmulator&);
};

// Every extension registered so far, in registration order.
const std::vector<EmulatorExtension>& emulatorExtensions();

struct EmulatorExtensionRegistrar {
  EmulatorExtensionRegistrar(const char* name, void (*install)(RecorderEmulator&));
};

}  // namespace zelvo::emulator

#define ZELVO_EMULATOR_EXTENSION(name, install) \
  static ::zelvo::emulator::EmulatorExtensionRegistrar zelvoEmulatorExtension_##name(#name, install)
