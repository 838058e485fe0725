// Device calls. A device name "\\.\NAME" is served by a driver module loaded
// on first open, as the original platform loads a dynamic driver.
#include "tamrix_platform/device.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

#include "module_dir.h"
#include "module_image.h"
#include "module_probe.h"
#include "tamrix_platform/driver_module.h"
#include "tamrix_platform/messages.h"
#include "tamrix_window.h"
#include "unload.h"

namespace {

const tmx_host_services kHostServices = {TMX_DRIVER_ABI_VERSION, &tmx_post_message};

// Another reference to this library, for as long as a driver is loaded: its
// threads post through this library, and its unload runs here.
void *PinPlatform() {
  Dl_info info{};
  // An address of this copy of the library, not of an exported name, which
  // another copy in the process may serve.
  if (dladdr(reinterpret_cast<void *>(&PinPlatform), &info) == 0 || info.dli_fname == nullptr) {
    return nullptr;
  }
  return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

class LoadedDriver {
 public:
  LoadedDriver(void *module, const tmx_driver *driver, void *context)
      : module_(module), driver_(driver), context_(context), platform_(PinPlatform()) {}
  ~LoadedDriver() {
    driver_->unload(context_);
    dlclose(module_);
    if (platform_ != nullptr) dlclose(platform_);
  }
  LoadedDriver(const LoadedDriver &) = delete;
  LoadedDriver &operator=(const LoadedDriver &) = delete;

  DWORD Control(DWORD code, void *in, DWORD in_size, void *out, DWORD out_size,
                DWORD *returned) const {
    return driver_->control(context_, code, in, in_size, out, out_size, returned);
  }

 private:
  void *module_;
  const tmx_driver *driver_;
  void *context_;
  void *platform_;
};

struct OpenDevice {
  std::string name;
  std::shared_ptr<LoadedDriver> driver;
  bool delete_on_close;
};

// Handles are opaque numbers looked up in this table, so a stale or forged
// handle is refused instead of followed.
class DeviceTable {
 public:
  HANDLE Open(const std::string &name, bool delete_on_close, DWORD &error) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<LoadedDriver> driver;
    if (auto resident = resident_.find(name); resident != resident_.end()) {
      driver = resident->second;
    } else {
      for (const auto &[handle, open] : open_) {
        if (open.name == name) {
          driver = open.driver;
          break;
        }
      }
    }
    if (!driver) {
      driver = Load(name, error);
      if (!driver) {
        open_errors_[name] = error;
        return INVALID_HANDLE_VALUE;
      }
    }
    open_errors_.erase(name);
    // Without the delete-on-close flag a dynamic driver stays loaded.
    if (!delete_on_close) resident_[name] = driver;
    const std::uintptr_t handle = next_handle_;
    next_handle_ += 4;
    open_.emplace(handle, OpenDevice{name, std::move(driver), delete_on_close});
    return reinterpret_cast<HANDLE>(handle);
  }

  bool DriversLoaded() {
    std::lock_guard lock(mutex_);
    return !open_.empty() || !resident_.empty();
  }

  DWORD OpenError(const std::string &name) {
    std::lock_guard lock(mutex_);
    const auto it = open_errors_.find(name);
    return it == open_errors_.end() ? ERROR_SUCCESS : it->second;
  }

  std::shared_ptr<LoadedDriver> Find(HANDLE handle) {
    std::lock_guard lock(mutex_);
    auto it = open_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == open_.end() ? nullptr : it->second.driver;
  }

  bool Close(HANDLE handle) {
    std::shared_ptr<LoadedDriver> last_reference;
    {
      std::lock_guard lock(mutex_);
      auto it = open_.find(reinterpret_cast<std::uintptr_t>(handle));
      if (it == open_.end()) return false;
      last_reference = std::move(it->second.driver);
      open_.erase(it);
    }
    // The driver unloads here, outside the lock, once no request uses it.
    last_reference.reset();
    return true;
  }

 private:
  static std::string ModulePath(const std::string &name) {
    std::string file;
    for (char c : name) file += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tmx::platform::PrivateModuleDirectory() + "/" + file + ".so";
  }

  // A module file as it stood when it was tried: any change to it makes it
  // another file.
  using FileIdentity = std::tuple<dev_t, ino_t, off_t, time_t, long, time_t, long>;
  static FileIdentity IdentityOf(const struct stat &info) {
    return {info.st_dev,          info.st_ino,         info.st_size,        info.st_mtim.tv_sec,
            info.st_mtim.tv_nsec, info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
  }

  // A broken module can kill the process that maps it, so it is checked
  // first, then tried in the probe; a file that passed both is not tried
  // again while it stays unchanged.
  DWORD Vouch(const std::string &path, const struct stat &info) {
    const FileIdentity identity = IdentityOf(info);
    if (vouched_.contains(identity)) return ERROR_SUCCESS;
    if (!tmx::platform::IsCompleteSharedObjectFile(path)) return ERROR_BAD_EXE_FORMAT;
    const DWORD probed = tmx::platform::ProbeModule(path);
    if (probed == ERROR_SUCCESS) vouched_.insert(identity);
    return probed;
  }

  std::shared_ptr<LoadedDriver> Load(const std::string &name, DWORD &error) {
    const std::string path = ModulePath(name);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      error = ERROR_FILE_NOT_FOUND;
      return nullptr;
    }
    if (const DWORD vouched = Vouch(path, info); vouched != ERROR_SUCCESS) {
      error = vouched;
      return nullptr;
    }
    void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      error = ERROR_BAD_EXE_FORMAT;
      return nullptr;
    }
    auto entry = reinterpret_cast<tmx_driver_entry_fn>(dlsym(module, TMX_DRIVER_ENTRY_NAME));
    const tmx_driver *driver = entry ? entry() : nullptr;
    if (driver == nullptr || driver->abi_version != TMX_DRIVER_ABI_VERSION || !driver->load ||
        !driver->unload || !driver->control) {
      dlclose(module);
      error = entry ? ERROR_BAD_FORMAT : ERROR_PROC_NOT_FOUND;
      return nullptr;
    }
    void *context = driver->load(&kHostServices);
    if (context == nullptr) {
      dlclose(module);
      error = ERROR_GEN_FAILURE;
      return nullptr;
    }
    return std::make_shared<LoadedDriver>(module, driver, context);
  }

  std::mutex mutex_;
  std::map<std::uintptr_t, OpenDevice> open_;
  std::map<std::string, std::shared_ptr<LoadedDriver>> resident_;
  std::set<FileIdentity> vouched_;
  // Why the latest open of each device failed, for a program to tell its user.
  std::map<std::string, DWORD> open_errors_;
  std::uintptr_t next_handle_ = 0x1000;
};

// Released when the library is unloaded, which a loaded driver prevents.
// Drivers still loaded at process exit are left to the process teardown
// rather than unloaded after their module's own statics.
DeviceTable &Devices() { return tmx::platform::Unloadable<DeviceTable>::Get(); }

constexpr char kDevicePrefix[] = R"(\\.\)";

// The NAME of "\\.\NAME", or empty for any other path form.
std::string DeviceName(const char *path) {
  const std::string text = path ? path : "";
  const std::string prefix = kDevicePrefix;
  if (text.size() <= prefix.size() || text.compare(0, prefix.size(), prefix) != 0 ||
      text.find_first_of("\\/", prefix.size()) != std::string::npos) {
    return {};
  }
  return text.substr(prefix.size());
}

}  // namespace

bool tmx::platform::DriversLoaded() { return Devices().DriversLoaded(); }

void tmx::platform::ReleaseDevices() { Unloadable<DeviceTable>::Release(); }

extern "C" HANDLE tmx_create_file(const char *name, DWORD, DWORD, void *, DWORD,
                                  DWORD flags_and_attributes, HANDLE) {
  const std::string device = DeviceName(name);
  if (device.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  DWORD error = ERROR_SUCCESS;
  HANDLE handle =
      Devices().Open(device, (flags_and_attributes & FILE_FLAG_DELETE_ON_CLOSE) != 0, error);
  if (handle == INVALID_HANDLE_VALUE) SetLastError(error);
  return handle;
}

extern "C" BOOL tmx_device_io_control(HANDLE device, DWORD code, void *in_buffer, DWORD in_size,
                                      void *out_buffer, DWORD out_size, DWORD *bytes_returned,
                                      void *overlapped) {
  if (overlapped != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto driver = Devices().Find(device);
  if (!driver) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  DWORD returned = 0;
  const DWORD error = driver->Control(code, in_buffer, in_size, out_buffer, out_size, &returned);
  if (bytes_returned != nullptr) *bytes_returned = returned;
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return 0;
  }
  return 1;
}

extern "C" BOOL tmx_close_handle(HANDLE object) {
  if (!Devices().Close(object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return 1;
}

extern "C" uint32_t tmx_device_open_error(const char *device_name) {
  const std::string device = DeviceName(device_name);
  return device.empty() ? ERROR_PATH_NOT_FOUND : Devices().OpenError(device);
}
