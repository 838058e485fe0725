#pragma once

#include <utility>

namespace tmx::platform {

// The platform's tables, given back when the library is unloaded (see
// unload.cpp). Each is made on first use.

// One such table: never destroyed by the process's exit, where a driver that
// may still post is left to the process teardown; given back by Release.
template <typename Table>
class Unloadable {
 public:
  static Table &Get() { return *Slot(); }
  static void Release() { delete std::exchange(Slot(), nullptr); }

 private:
  static Table *&Slot() {
    static auto *table = new Table;
    return table;
  }
};

// Whether a driver module is loaded. A loaded driver keeps this library
// loaded, so at unload this is true only while the process exits.
bool DriversLoaded();
void ReleaseDevices();
// Destroys the windows still open: their descriptors close, their waiters wake.
void ReleaseWindows();
void ReleaseRoutes();

}  // namespace tmx::platform
