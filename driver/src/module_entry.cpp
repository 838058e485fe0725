// The loadable module: the one exported entry the device layer looks up, and
// the glue from its C table to the driver.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "request_dispatch.h"
#include "scenario_source.h"
#include "tamrix_platform/driver_module.h"

namespace {

using tamrix::vxd::Driver;

// The platform tries a module in its probe program before it loads it for
// real, with the same environment: a refused scenario is told by the real
// load alone, so that the user reads it once.
bool InProbe() { return std::strcmp(program_invocation_short_name, "tamrix-probe") == 0; }

void *Load(const tmx_host_services *host) {
  if (host == nullptr || host->abi_version != TMX_DRIVER_ABI_VERSION ||
      host->post_message == nullptr) {
    return nullptr;
  }
  try {
    std::shared_ptr<const tamrix::vxd::Scenario> scenario;
    try {
      scenario = tamrix::vxd::StartingScenario();
    } catch (const tamrix::vxd::ScenarioError &refused) {
      // The driver refuses to load: the open fails, and this line says why.
      if (!InProbe()) std::fprintf(stderr, "%s\n", refused.line.c_str());
      return nullptr;
    }
    return new Driver(
        [host](HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
          host->post_message(window, message, wparam, lparam);
        },
        Driver::Clock::now(), std::move(scenario));
  } catch (...) {
    return nullptr;
  }
}

void Unload(void *context) { delete static_cast<Driver *>(context); }

DWORD Control(void *context, DWORD io_control_code, void *in_buffer, DWORD in_size,
              void *out_buffer, DWORD out_size, DWORD *bytes_returned) {
  if (context == nullptr) return ERROR_INVALID_HANDLE;
  try {
    return static_cast<Driver *>(context)->Control(io_control_code, in_buffer, in_size, out_buffer,
                                                   out_size, bytes_returned);
  } catch (const std::bad_alloc &) {
    return ERROR_NOT_ENOUGH_MEMORY;
  } catch (...) {
    return ERROR_GEN_FAILURE;
  }
}

constexpr tmx_driver kDriverTable{TMX_DRIVER_ABI_VERSION, Load, Unload, Control};

}  // namespace

extern "C" __attribute__((visibility("default"))) const tmx_driver *tmx_driver_entry(void) {
  return &kDriverTable;
}
