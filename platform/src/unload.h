#pragma once

namespace tmx::platform {

// The platform's tables, given back when the library is unloaded (see
// unload.cpp). Each is made on first use.

// Whether a driver module is loaded. A loaded driver keeps this library
// loaded, so at unload this is true only while the process exits.
bool DriversLoaded();
void ReleaseDevices();
// Destroys the windows still open: their descriptors close, their waiters wake.
void ReleaseWindows();
void ReleaseRoutes();

}  // namespace tmx::platform
