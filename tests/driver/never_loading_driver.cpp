// A driver module whose start never returns, as one stuck waiting for
// hardware that never answers: opening it must not hang the caller.
#include <unistd.h>

#include "tamrix_platform/driver_module.h"

namespace {

void *Load(const tmx_host_services *) {
  for (;;) pause();
}
void Unload(void *) {}
tmx_dword Control(void *, tmx_dword, void *, tmx_dword, void *, tmx_dword, tmx_dword *) {
  return TMX_ERROR_GEN_FAILURE;
}

const tmx_driver kDriver = {TMX_DRIVER_ABI_VERSION, &Load, &Unload, &Control};

}  // namespace

extern "C" __attribute__((visibility("default"))) const tmx_driver *tmx_driver_entry(void) {
  return &kDriver;
}
