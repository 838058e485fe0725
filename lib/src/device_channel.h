#pragma once

#include <cstdint>

#include "request_block.h"

namespace tamrix {

using DeviceHandle = void *;
inline const DeviceHandle kInvalidDevice =
    reinterpret_cast<DeviceHandle>(static_cast<std::intptr_t>(-1));

// The library's one way to the board driver: open it by name, send one
// synchronous request carrying a request block, close it, and read the
// platform's error code after a request that was not carried out.
class DeviceChannel {
 public:
  virtual ~DeviceChannel() = default;
  // kInvalidDevice when the driver cannot be opened.
  virtual DeviceHandle Open(const char *device_name) = 0;
  // True when the driver processed the request (its outcome is then in the
  // block's status word). `input` is the caller's data buffer, get data only.
  virtual bool Send(DeviceHandle device, std::uint32_t io_control_code, void *input,
                    std::uint32_t input_size, RequestBlock &block) = 0;
  virtual void Close(DeviceHandle device) = 0;
  // The error code of the latest failed Send or Open on this thread.
  virtual std::int32_t LastError() = 0;
};

// The channel through the platform's device calls.
DeviceChannel &PlatformChannel();

}  // namespace tamrix
