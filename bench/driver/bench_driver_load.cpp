// What loading the driver module costs the first handle to it: the file
// check and the probe in a process of its own, then the module mapped and
// the driver started; closing the handle stops and unmaps it. A module file
// once vouched for is not checked or probed again while it stays unchanged,
// so the benchmark touches the file before each timed load to get the
// first-load cost, and leaves it alone for the cost without them.
//
// It runs a copy of the platform layer, the probe and the driver in a
// folder of its own, so that the build's files keep their times.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tamrix_platform/device.h"

namespace {

namespace fs = std::filesystem;

class DriverFolder {
 public:
  DriverFolder() {
    folder_ = fs::temp_directory_path() / ("tamrix-bench-load-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    for (const char *file : {"libtamrix_platform.so", "tamrix-probe", "tamrix.vxd.so"}) {
      fs::copy_file(fs::path(TAMRIX_MODULE_DIR) / file, folder_ / file,
                    fs::copy_options::overwrite_existing);
    }
    platform_ = dlopen((folder_ / "libtamrix_platform.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (platform_ != nullptr) {
      create_ = reinterpret_cast<decltype(&CreateFileA)>(dlsym(platform_, "CreateFileA"));
      close_ = reinterpret_cast<decltype(&CloseHandle)>(dlsym(platform_, "CloseHandle"));
    }
  }
  ~DriverFolder() {
    if (platform_ != nullptr) dlclose(platform_);
    fs::remove_all(folder_);
  }
  bool Ready() const { return create_ != nullptr && close_ != nullptr; }

  // A change of the file's times makes it a file the device layer has not
  // vouched for.
  void Touch() const { utimensat(AT_FDCWD, (folder_ / "tamrix.vxd.so").c_str(), nullptr, 0); }

  bool OpenAndClose() const {
    HANDLE device =
        create_("\\\\.\\TAMRIX.VXD", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return device != INVALID_HANDLE_VALUE && close_(device) != 0;
  }

 private:
  fs::path folder_;
  void *platform_ = nullptr;
  decltype(&CreateFileA) create_ = nullptr;
  decltype(&CloseHandle) close_ = nullptr;
};

void LoadDriver(benchmark::State &state, bool first_load) {
  DriverFolder folder;
  if (!folder.Ready() || !folder.OpenAndClose()) {
    state.SkipWithError("the driver could not be loaded");
    return;
  }
  for (auto _ : state) {
    if (first_load) {
      state.PauseTiming();
      folder.Touch();
      state.ResumeTiming();
    }
    if (!folder.OpenAndClose()) {
      state.SkipWithError("the driver could not be loaded");
      return;
    }
  }
}

void BM_LoadDriverFirstTime(benchmark::State &state) { LoadDriver(state, true); }
void BM_LoadDriverVouchedFor(benchmark::State &state) { LoadDriver(state, false); }
BENCHMARK(BM_LoadDriverFirstTime)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_LoadDriverVouchedFor)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
