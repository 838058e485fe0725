// tamrix-probe MODULE PARENT_PID REPORT_FD: tries a driver module as the
// device layer would use it, in a process of its own. Writes one byte to
// REPORT_FD when it lived through loading the module, starting the driver,
// one request and the unload, whether or not the module or the driver
// refused; any fault of the module kills only this process.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdlib>

#include "tamrix_platform/driver_module.h"
#include "tamrix_platform/win32_names.h"

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
  // A module that never returns must not outlive the process that asked.
  // The signal follows the spawning thread, which waits for this process
  // until it is done; a parent gone before the signal was set is seen here.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (argc != 4 || getppid() != std::atoi(argv[2])) _exit(2);
  const int report = std::atoi(argv[3]);
  // Whatever the module starts keeps no copy of it.
  fcntl(report, F_SETFD, FD_CLOEXEC);
  if (void *module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL)) {
    auto entry = reinterpret_cast<tmx_driver_entry_fn>(dlsym(module, TMX_DRIVER_ENTRY_NAME));
    if (entry != nullptr) TryDriver(entry());
    dlclose(module);
  }
  // The verdict is that the probe lived: nothing at exit, a leak check of a
  // sanitizer build included, may change it.
  const char lived = 1;
  (void)!write(report, &lived, 1);
  _exit(0);
}
