#include "device_channel.h"
#include "tamrix_platform/device.h"

namespace tamrix {
namespace {

class PlatformDeviceChannel final : public DeviceChannel {
 public:
  DeviceHandle Open(const char *device_name) override {
    HANDLE handle =
        CreateFileA(device_name, 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return handle == INVALID_HANDLE_VALUE ? kInvalidDevice : handle;
  }

  bool Send(DeviceHandle device, std::uint32_t io_control_code, void *input,
            std::uint32_t input_size, RequestBlock &block) override {
    DWORD returned = 0;  // never read: the block carries the answer
    return DeviceIoControl(device, io_control_code, input, input_size, block.bytes.data(),
                           TAMRIX_BLOCK_SIZE, &returned, nullptr) != 0;
  }

  void Close(DeviceHandle device) override { CloseHandle(device); }

  std::int32_t LastError() override { return static_cast<std::int32_t>(GetLastError()); }
};

}  // namespace

DeviceChannel &PlatformChannel() {
  static PlatformDeviceChannel channel;
  return channel;
}

}  // namespace tamrix
