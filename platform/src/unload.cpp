// Unloading the platform library gives back its tables and the descriptors
// of the windows left open, however often a program loads and unloads it.
#include "unload.h"

namespace {

// Runs when the library is unloaded and at process exit, after the static
// destructors of every module that uses it.
__attribute__((destructor)) void ReleaseTables() {
  using namespace tmx::platform;
  // Only while the process exits: a driver's threads may still post, and its
  // module's statics may already be gone, so it is not unloaded now;
  // everything is left to the process teardown.
  if (DriversLoaded()) return;
  ReleaseDevices();
  ReleaseWindows();  // before the routes: destroying a window removes its route
  ReleaseRoutes();
}

}  // namespace
