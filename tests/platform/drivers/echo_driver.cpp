// A test driver: echoes requests back and posts on request, so the device
// layer's routing, errors and load/unload can be observed.
#include <cstdint>
#include <cstring>

#include "tamrix_platform/driver_module.h"

namespace {

struct Context {
  const tmx_host_services *host;
};

void *Load(const tmx_host_services *host) { return new Context{host}; }
void Unload(void *context) { delete static_cast<Context *>(context); }

// Code 1: copy the input into the output. Code 2: post the message whose
// window and number are the two words of the input. Any other code: not
// carried out, with the code itself as the error.
tmx_dword Control(void *context, tmx_dword code, void *in, tmx_dword in_size, void *out,
                  tmx_dword out_size, tmx_dword *returned) {
  auto *self = static_cast<Context *>(context);
  switch (code) {
    case 1: {
      const tmx_dword n = in_size < out_size ? in_size : out_size;
      std::memcpy(out, in, n);
      *returned = n;
      return 0;
    }
    case 2: {
      std::uint32_t words[2];
      if (in_size < sizeof words) return TMX_ERROR_INVALID_PARAMETER;
      std::memcpy(words, in, sizeof words);
      self->host->post_message(words[0], words[1], 7, -7);
      return 0;
    }
    default: return code;
  }
}

const tmx_driver kDriver = {TMX_DRIVER_ABI_VERSION, &Load, &Unload, &Control};

}  // namespace

extern "C" __attribute__((visibility("default"))) const tmx_driver *tmx_driver_entry(void) {
  return &kDriver;
}
