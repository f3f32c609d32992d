// Included by the one file of each program that holds main, and by no other: it
// defines a function, so that in builds with AddressSanitizer the program unloads no
// shared library. LeakSanitizer looks at the heap after main has returned, when
// closing the display has unloaded Mesa's driver and the libraries it brought: what
// they held then shows as leaks from modules no suppression can name, and our own
// leaks would hide among them. Defined in the program, this takes the place of the C
// library's dlclose for every library the program loads.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>

int dlclose(void* handle) noexcept {
  static_cast<void>(handle);
  return 0;
}
#endif
