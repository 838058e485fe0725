// Device calls. A device name "\\.\NAME" is served by a driver module loaded
// on first open, as the original platform loads a dynamic driver, or, when
// the system is configured so (device_target.h), by the board service.
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
#include <string_view>
#include <tuple>

#include "device_target.h"
#include "module_dir.h"
#include "module_image.h"
#include "module_probe.h"
#include "remote_client.h"
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

// What answers a handle's requests: a driver in the process or a session
// of the board service.
class Endpoint {
 public:
  Endpoint() : platform_(PinPlatform()) {}
  virtual ~Endpoint() {
    if (platform_ != nullptr) dlclose(platform_);
  }
  Endpoint(const Endpoint &) = delete;
  Endpoint &operator=(const Endpoint &) = delete;

  virtual DWORD Control(DWORD code, void *in, DWORD in_size, void *out, DWORD out_size,
                        DWORD *returned) const = 0;

 private:
  void *platform_;
};

class LoadedDriver : public Endpoint {
 public:
  LoadedDriver(void *module, const tmx_driver *driver, void *context)
      : module_(module), driver_(driver), context_(context) {}
  ~LoadedDriver() override {
    driver_->unload(context_);
    dlclose(module_);
  }
  LoadedDriver(const LoadedDriver &) = delete;
  LoadedDriver &operator=(const LoadedDriver &) = delete;

  DWORD Control(DWORD code, void *in, DWORD in_size, void *out, DWORD out_size,
                DWORD *returned) const override {
    return driver_->control(context_, code, in, in_size, out, out_size, returned);
  }

 private:
  void *module_;
  const tmx_driver *driver_;
  void *context_;
};

// One handle's session with the board service.
class RemoteSession : public Endpoint {
 public:
  RemoteSession(const tmx_remote_client *client, void *session)
      : client_(client), session_(session) {}
  ~RemoteSession() override { client_->disconnect(session_); }
  RemoteSession(const RemoteSession &) = delete;
  RemoteSession &operator=(const RemoteSession &) = delete;

  DWORD Control(DWORD code, void *in, DWORD in_size, void *out, DWORD out_size,
                DWORD *returned) const override {
    return client_->control(session_, code, in, in_size, out, out_size, returned);
  }

 private:
  const tmx_remote_client *client_;
  void *session_;
};

// The forwarding client, loaded on the first open that needs it and kept:
// the transport it links keeps threads and state of its own.
const tmx_remote_client *RemoteClient(DWORD &error) {
  static std::mutex mutex;
  static const tmx_remote_client *client = nullptr;
  std::lock_guard lock(mutex);
  if (client != nullptr) return client;
  const std::string path = tmx::platform::PrivateModuleDirectory() + "/" + TMX_REMOTE_MODULE_FILE;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  // Checked as a driver module file is, so that a damaged file is refused
  // rather than mapped. Not tried in the probe, whose trial run is a driver's.
  void *module = tmx::platform::IsCompleteSharedObjectFile(path)
                     ? dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)
                     : nullptr;
  if (module == nullptr) {
    error = ERROR_BAD_EXE_FORMAT;
    return nullptr;
  }
  auto entry = reinterpret_cast<tmx_remote_entry_fn>(dlsym(module, TMX_REMOTE_ENTRY_NAME));
  const tmx_remote_client *found = entry ? entry() : nullptr;
  if (found == nullptr || found->abi_version != TMX_REMOTE_ABI_VERSION) {
    error = entry ? ERROR_BAD_FORMAT : ERROR_PROC_NOT_FOUND;
    return nullptr;
  }
  client = found;
  return client;
}

std::shared_ptr<Endpoint> Connect(const std::string &uri, const std::string &device, DWORD &error) {
  const tmx_remote_client *client = RemoteClient(error);
  if (client == nullptr) return nullptr;
  void *session = client->connect(uri.c_str(), device.c_str(), &kHostServices, &error);
  if (session == nullptr) return nullptr;
  return std::make_shared<RemoteSession>(client, session);
}

// The boards' device, the one the system configuration redirects.
bool IsBoardDevice(const std::string &name) {
  static constexpr std::string_view kBoards = "TAMRIX.VXD";
  if (name.size() != kBoards.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != kBoards[i]) return false;
  }
  return true;
}

struct OpenDevice {
  std::string name;  // the device and its module file; empty for a session
  std::shared_ptr<Endpoint> driver;
  bool delete_on_close;
};

// Handles are opaque numbers looked up in this table, so a stale or forged
// handle is refused instead of followed.
class DeviceTable {
 public:
  HANDLE Open(const std::string &name, bool delete_on_close, DWORD &error) {
    using Kind = tmx::platform::DeviceTarget::Kind;
    const tmx::platform::DeviceTarget target =
        IsBoardDevice(name) ? tmx::platform::ResolveDeviceTarget() : tmx::platform::DeviceTarget{};
    if (target.kind == Kind::kInvalid) return Failed(name, ERROR_PATH_NOT_FOUND, error);
    if (target.kind == Kind::kService) {
      // Each handle is a session of its own; connecting takes no lock here.
      std::shared_ptr<Endpoint> session = Connect(target.value, name, error);
      if (!session) {
        std::lock_guard lock(mutex_);
        return Failed(name, error, error);
      }
      std::lock_guard lock(mutex_);
      open_errors_.erase(name);
      return Add(OpenDevice{{}, std::move(session), delete_on_close});
    }
    const std::string path = target.kind == Kind::kModuleFile ? target.value : ModulePath(name);
    // A device's driver is shared by its handles while it comes from one file.
    const std::string key = name + '\n' + path;
    std::lock_guard lock(mutex_);
    std::shared_ptr<Endpoint> driver;
    if (auto resident = resident_.find(key); resident != resident_.end()) {
      driver = resident->second;
    } else {
      for (const auto &[handle, open] : open_) {
        if (open.name == key) {
          driver = open.driver;
          break;
        }
      }
    }
    if (!driver) {
      driver = Load(path, error);
      if (!driver) return Failed(name, error, error);
    }
    open_errors_.erase(name);
    // Without the delete-on-close flag a dynamic driver stays loaded.
    if (!delete_on_close) resident_[key] = driver;
    return Add(OpenDevice{key, std::move(driver), delete_on_close});
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

  std::shared_ptr<Endpoint> Find(HANDLE handle) {
    std::lock_guard lock(mutex_);
    auto it = open_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == open_.end() ? nullptr : it->second.driver;
  }

  bool Close(HANDLE handle) {
    std::shared_ptr<Endpoint> last_reference;
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
  // Called with the lock held.
  HANDLE Failed(const std::string &name, DWORD code, DWORD &error) {
    open_errors_[name] = code;
    error = code;
    return INVALID_HANDLE_VALUE;
  }
  HANDLE Add(OpenDevice open) {
    const std::uintptr_t handle = next_handle_;
    next_handle_ += 4;
    open_.emplace(handle, std::move(open));
    return reinterpret_cast<HANDLE>(handle);
  }

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

  std::shared_ptr<Endpoint> Load(const std::string &path, DWORD &error) {
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
  std::map<std::string, std::shared_ptr<Endpoint>> resident_;
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
