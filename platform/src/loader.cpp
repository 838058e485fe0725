#include "tamrix_platform/loader.h"

#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "module_dir.h"

namespace {

using EntryPoint = int32_t (*)(void *instance, uint32_t reason, void *reserved);

// Handles are the upper 16 bits of a positive 32-bit value, so that every
// handle reads as 32 or more even when a caller takes it as signed.
constexpr uint32_t kFirstHandle = 0x10000000u;
constexpr uint32_t kLastHandle = 0x7FFF0000u;
constexpr uint32_t kHandleStep = 0x10000u;

struct Module {
  void *library = nullptr;
  EntryPoint entry = nullptr;
  unsigned references = 0;
};

bool IsRegularFile(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool EndsWithDll(const std::string &file) {
  if (file.size() <= 4) return false;
  return strncasecmp(file.c_str() + file.size() - 4, ".dll", 4) == 0;
}

// The file names a library name stands for, in the order they are tried.
// Library names are caseless where they come from, file names are not: a
// stem in capitals also finds the lower-case file.
std::vector<std::string> FileNames(const std::string &file) {
  std::vector<std::string> names{file};
  if (!EndsWithDll(file)) return names;
  const std::string stem = file.substr(0, file.size() - 4);
  std::string lower = stem;
  for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  names.push_back("lib" + stem + ".so");
  if (lower != stem) names.push_back("lib" + lower + ".so");
  return names;
}

// "<directory><file>.N" with the highest single version number N, or "".
std::string VersionedFile(const std::string &directory, const std::string &file) {
  std::error_code error;
  std::string best;
  unsigned long best_version = 0;
  for (const auto &entry : std::filesystem::directory_iterator(directory, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= file.size() + 1 || name.compare(0, file.size(), file) != 0 ||
        name[file.size()] != '.') {
      continue;
    }
    const char *digits = name.c_str() + file.size() + 1;
    char *end = nullptr;
    const unsigned long version = std::strtoul(digits, &end, 10);
    if (!std::isdigit(static_cast<unsigned char>(*digits)) || *end != '\0') continue;
    if ((best.empty() || version > best_version) && IsRegularFile(entry.path().string())) {
      best = entry.path().string();
      best_version = version;
    }
  }
  return best;
}

// The first existing file for the name, or "" when there is none.
std::string FindModuleFile(const std::string &name) {
  const auto slash = name.rfind('/');
  std::vector<std::string> directories;
  std::string file = name;
  if (slash != std::string::npos) {
    directories.push_back(name.substr(0, slash + 1));
    file = name.substr(slash + 1);
  } else {
    directories.push_back(tmx::platform::ProgramDirectory() + "/");
    directories.push_back(tmx::platform::PlatformModuleDirectory() + "/");
  }
  for (const auto &directory : directories) {
    const auto names = FileNames(file);
    for (const auto &candidate : names) {
      if (IsRegularFile(directory + candidate)) return directory + candidate;
    }
    // An installed library without its development link: its soname file.
    if (names.size() > 1) {
      if (auto versioned = VersionedFile(directory, names[1]); !versioned.empty()) {
        return versioned;
      }
    }
  }
  return {};
}

// Whether the address lies in the library itself rather than in one of the
// libraries it depends on, which dlsym searches as well.
bool DefinedIn(void *library, void *address) {
  link_map *map = nullptr;
  Dl_info info{};
  if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return false;
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return false;
  return std::strcmp(info.dli_fname, map->l_name) == 0;
}

class ModuleTable {
 public:
  HMODULE Load(const char *name) {
    if (name == nullptr || *name == '\0') return Fail(ERROR_MOD_NOT_FOUND);
    const std::string path = FindModuleFile(name);
    if (path.empty()) return Fail(ERROR_MOD_NOT_FOUND);

    std::lock_guard lock(mutex_);
    void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return Fail(ERROR_BAD_EXE_FORMAT);
    for (auto &[handle, module] : modules_) {
      if (module.library == library) {
        dlclose(library);  // the table already holds one reference of its own
        ++module.references;
        return handle;
      }
    }
    const HMODULE handle = NextFreeHandle();
    if (handle == 0) {
      dlclose(library);
      return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    auto entry = reinterpret_cast<EntryPoint>(dlsym(library, "DllMain"));
    if (entry != nullptr && !DefinedIn(library, reinterpret_cast<void *>(entry))) entry = nullptr;
    // Entered before the attach so that the entry point can already use it.
    modules_[handle] = Module{library, entry, 1};
    if (entry != nullptr && entry(Instance(handle), DLL_PROCESS_ATTACH, nullptr) == 0) {
      entry(Instance(handle), DLL_PROCESS_DETACH, nullptr);
      modules_.erase(handle);
      dlclose(library);
      return Fail(ERROR_DLL_INIT_FAILED);
    }
    return handle;
  }

  void *Find(HMODULE handle, const char *name) {
    std::lock_guard lock(mutex_);
    const auto it = modules_.find(handle);
    if (it == modules_.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    void *address = name != nullptr ? dlsym(it->second.library, name) : nullptr;
    if (address == nullptr || !DefinedIn(it->second.library, address)) {
      SetLastError(ERROR_PROC_NOT_FOUND);
      return nullptr;
    }
    return address;
  }

  BOOL Free(HMODULE handle) {
    std::lock_guard lock(mutex_);
    const auto it = modules_.find(handle);
    if (it == modules_.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    if (--it->second.references > 0) return 1;
    const Module module = it->second;
    modules_.erase(it);
    if (module.entry != nullptr) module.entry(Instance(handle), DLL_PROCESS_DETACH, nullptr);
    dlclose(module.library);
    return 1;
  }

 private:
  static HMODULE Fail(DWORD error) {
    SetLastError(error);
    return 0;
  }

  // The entry point learns its own module handle as its instance.
  static void *Instance(HMODULE handle) {
    return reinterpret_cast<void *>(static_cast<uintptr_t>(handle));
  }

  // Hands out handles in turn and wraps around, skipping live ones, so that
  // a freed handle is not given out again soon.
  HMODULE NextFreeHandle() {
    for (uint32_t tried = 0; tried <= (kLastHandle - kFirstHandle) / kHandleStep; ++tried) {
      const HMODULE candidate = next_;
      next_ = next_ == kLastHandle ? kFirstHandle : next_ + kHandleStep;
      if (modules_.find(candidate) == modules_.end()) return candidate;
    }
    return 0;
  }

  // Recursive: an entry point may load or release other modules.
  std::recursive_mutex mutex_;
  std::map<HMODULE, Module> modules_;
  HMODULE next_ = kFirstHandle;
};

ModuleTable &Table() {
  static ModuleTable table;
  return table;
}

}  // namespace

extern "C" HMODULE tmx_load_library(const char *name) { return Table().Load(name); }

extern "C" void *tmx_get_proc_address(HMODULE module, const char *name) {
  return Table().Find(module, name);
}

extern "C" BOOL tmx_free_library(HMODULE module) { return Table().Free(module); }
