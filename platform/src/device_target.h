#pragma once

#include <string>

#include "tamrix_platform/types.h"

namespace tmx::platform {

// What serves a device: a driver module in the process (the one of the
// private folder, or a given file), or a board service.
struct DeviceTarget {
  enum class Kind { kModule, kModuleFile, kService, kInvalid };
  Kind kind = Kind::kModule;
  std::string value;  // the module file, or the service's URI
};

// The system's configured target for the boards' device "\\.\TAMRIX.VXD":
// TAMRIX_DEVICE, else the first line of /etc/tamrix/device.conf that is not
// blank or a comment, else the service's system socket when it exists, else
// the module. Read at each open, so that a later open follows a change.
DeviceTarget ResolveDeviceTarget();
// The same with the two files given (exported for the tests).
TMX_PLATFORM_API DeviceTarget ResolveDeviceTarget(const std::string &config_file,
                                                  const std::string &system_socket);

// A URI: "module:", "module:PATH", "unix:PATH" or "tls://HOST:PORT[?...]".
DeviceTarget ParseDeviceTarget(const std::string &uri);

}  // namespace tmx::platform
