// A second copy of the platform library, loaded from a folder of its own so
// that the folder acts as its system folder. Its exports are reached through
// dlsym; its own calls of tmx_set_last_error bind to the first copy in the process,
// so its error codes are not read through it.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "tamrix_platform/help.h"
#include "tamrix_platform/loader.h"

namespace tmx::test {

class PlatformCopy {
 public:
  explicit PlatformCopy(const std::string &directory)
      : library_(dlopen((directory + "/libtamrix_platform.so").c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  ~PlatformCopy() {
    if (library_ != nullptr) dlclose(library_);
  }
  PlatformCopy(const PlatformCopy &) = delete;
  PlatformCopy &operator=(const PlatformCopy &) = delete;

  bool loaded() const { return library_ != nullptr; }

  HMODULE LoadLibraryA(const char *name) const {
    return Get<decltype(&tmx_load_library)>("tmx_load_library")(name);
  }
  void *GetProcAddress(HMODULE module, const char *name) const {
    return Get<decltype(&tmx_get_proc_address)>("tmx_get_proc_address")(module, name);
  }
  BOOL FreeLibrary(HMODULE module) const {
    return Get<decltype(&tmx_free_library)>("tmx_free_library")(module);
  }
  BOOL WinHelpA(HWND window, const char *file, UINT command, uint32_t data) const {
    return Get<decltype(&tmx_win_help)>("tmx_win_help")(window, file, command, data);
  }
  void HelpFaces(const char *text_face, const char *code_face) const {
    Get<decltype(&tmx_win_help_faces)>("tmx_win_help_faces")(text_face, code_face);
  }

 private:
  template <typename Function>
  Function Get(const char *name) const {
    auto function = reinterpret_cast<Function>(dlsym(library_, name));
    if (function == nullptr) ADD_FAILURE() << "the platform copy lacks " << name;
    return function;
  }

  void *library_;
};

}  // namespace tmx::test
