// The built shared library as callers meet it: loaded without a driver it
// refuses its attach, and a direct caller gets failures, never a crash.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tamrix.h"

namespace {

namespace fs = std::filesystem;

const char *const kExports[] = {
    "TamrixCreate",  "TamrixClose",         "TamrixGetVersion",   "TamrixGetResource",
    "TamrixSetMode", "TamrixStartSampling", "TamrixStopSampling", "TamrixGetSamplingStatus",
    "TamrixGetData", "TamrixGetLastError",  "TamrixGetExIn"};

// A copy of the library and the platform layer in a folder with no driver.
class LibraryWithoutDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tamrix-nodriver-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    for (const char *file : {"libtamrix.so", "libtamrix_platform.so.1", "tamrix-probe"}) {
      fs::copy_file(fs::path(TAMRIX_MODULE_DIR) / file, folder_ / file,
                    fs::copy_options::overwrite_existing);
    }
    PlaceDriver();
    // Kept mapped after dlclose: the platform's tables live as long as the
    // process, and an unmapped copy would leave them unreachable.
    handle_ = dlopen((folder_ / "libtamrix.so").c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(handle_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (handle_ != nullptr) dlclose(handle_);
    fs::remove_all(folder_);
  }
  virtual void PlaceDriver() { ASSERT_FALSE(fs::exists(folder_ / "tamrix.vxd.so")); }
  template <typename F>
  F Export(const char *name) {
    return reinterpret_cast<F>(dlsym(handle_, name));
  }

  fs::path folder_;
  void *handle_ = nullptr;
};

TEST_F(LibraryWithoutDriver, EntryPointRefusesTheAttach) {
  auto entry = Export<std::int32_t (*)(void *, std::uint32_t, void *)>("DllMain");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry(nullptr, 1, nullptr), 0);
  EXPECT_EQ(entry(nullptr, 2, nullptr), 1) << "thread attach is always fine";
  EXPECT_EQ(entry(nullptr, 0, nullptr), 1);
}

// The driver module cut short, as an interrupted copy leaves it: the device
// layer refuses it before mapping it, so loading the library costs the
// caller no signal, and the attach is refused as without a driver.
class LibraryWithTruncatedDriver : public LibraryWithoutDriver {
 protected:
  void PlaceDriver() override {
    std::ifstream whole(fs::path(TAMRIX_MODULE_DIR) / "tamrix.vxd.so", std::ios::binary);
    std::vector<char> head(8192);
    ASSERT_TRUE(whole.read(head.data(), static_cast<std::streamsize>(head.size())));
    std::ofstream(folder_ / "tamrix.vxd.so", std::ios::binary).write(head.data(), 8192);
  }
};

TEST_F(LibraryWithTruncatedDriver, EntryPointRefusesTheAttach) {
  auto entry = Export<std::int32_t (*)(void *, std::uint32_t, void *)>("DllMain");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry(nullptr, 1, nullptr), 0);
  std::uint32_t lib = 0, drv = 0;
  EXPECT_EQ(Export<decltype(&TamrixGetVersion)>("TamrixGetVersion")(&lib, &drv), 0);
}

TEST_F(LibraryWithoutDriver, EveryExportIsPresentByName) {
  for (const char *name : kExports) EXPECT_NE(dlsym(handle_, name), nullptr) << name;
}

TEST_F(LibraryWithoutDriver, DirectCallersGetTheInvalidHandleCode) {
  auto create = Export<decltype(&TamrixCreate)>("TamrixCreate");
  auto version = Export<decltype(&TamrixGetVersion)>("TamrixGetVersion");
  auto close = Export<decltype(&TamrixClose)>("TamrixClose");
  auto last_error = Export<decltype(&TamrixGetLastError)>("TamrixGetLastError");
  std::uint16_t slot = 0xFFFF;
  EXPECT_EQ(create(&slot, 0, nullptr), 0);
  EXPECT_EQ(slot, 0xFFFF);
  EXPECT_EQ(last_error(0), 6);
  std::uint32_t lib = 0, drv = 0;
  EXPECT_EQ(version(&lib, &drv), 0);
  EXPECT_EQ(last_error(15), 6);
  EXPECT_EQ(close(4), 0);
  EXPECT_EQ(last_error(4), 6);
}

}  // namespace
