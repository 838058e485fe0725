// tamrix-probe: tries a driver module as the device layer would use it, in a
// process of its own. Exits 0 when it lived through loading the module,
// starting the driver, one request and the unload, whether or not the module
// or the driver refused; any fault of the module kills only this process.
#include <dlfcn.h>
#include <unistd.h>

#include "tamrix_platform/driver_module.h"

namespace {

// Posts go nowhere: the probe has no windows.
BOOL PostNowhere(HWND, UINT, WPARAM, LPARAM) { return 0; }

const tmx_host_services kHost = {TMX_DRIVER_ABI_VERSION, &PostNowhere};

void TryDriver(const tmx_driver *driver) {
  if (driver == nullptr || driver->abi_version != TMX_DRIVER_ABI_VERSION ||
      driver->load == nullptr || driver->unload == nullptr || driver->control == nullptr) {
    return;
  }
  void *context = driver->load(&kHost);
  if (context == nullptr) return;
  // Code 0 is no request of any driver: it must be refused, and harmlessly.
  DWORD returned = 0;
  driver->control(context, 0, nullptr, 0, nullptr, 0, &returned);
  driver->unload(context);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) return 2;
  if (void *module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL)) {
    auto entry = reinterpret_cast<tmx_driver_entry_fn>(dlsym(module, TMX_DRIVER_ENTRY_NAME));
    if (entry != nullptr) TryDriver(entry());
    dlclose(module);
  }
  // The verdict is that the probe lived: nothing at exit, a leak check of a
  // sanitizer build included, may change it.
  _exit(0);
}
