// Device calls against the echo test driver, which lives beside the platform
// library as "echo.vxd.so".
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "device_target.h"
#include "tamrix_platform/device.h"
#include "tamrix_platform/messages.h"
#include "tamrix_window.h"

namespace {

const std::string kEchoModule = std::string(TAMRIX_MODULE_DIR) + "/echo.vxd.so";

bool EchoLoaded() {
  void *module = dlopen(kEchoModule.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (module == nullptr) return false;
  dlclose(module);
  return true;
}

HANDLE OpenEcho(DWORD flags = FILE_FLAG_DELETE_ON_CLOSE) {
  return CreateFileA("\\\\.\\ECHO.VXD", 0, 0, nullptr, CREATE_NEW, flags, nullptr);
}

TEST(DeviceOpen, MissingModuleAndBadNamesFailWithPlatformCodes) {
  SetLastError(0);
  EXPECT_EQ(CreateFileA("\\\\.\\NOSUCH.VXD", 0, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  // Kept for the program to tell its user, until an open of that device succeeds.
  EXPECT_EQ(tmx_device_open_error("\\\\.\\NOSUCH.VXD"), ERROR_FILE_NOT_FOUND);
  EXPECT_STREQ(tmx_error_text(ERROR_FILE_NOT_FOUND),
               "ERROR_FILE_NOT_FOUND: the driver module or its probe program is missing");
  EXPECT_EQ(tmx_error_text(12345), nullptr);
  EXPECT_EQ(tmx_device_open_error("\\\\.\\ECHO.VXD"), ERROR_SUCCESS) << "never tried";
  for (const char *bad : {"", "ECHO.VXD", "\\\\.\\", "\\\\.\\sub\\ECHO.VXD", "/tmp/x"}) {
    SetLastError(0);
    EXPECT_EQ(CreateFileA(bad, 0, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND) << bad;
  }
  EXPECT_EQ(CreateFileA(nullptr, 0, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
}

TEST(DeviceOpen, LastHandleClosedUnloadsTheDriver) {
  ASSERT_FALSE(EchoLoaded());
  HANDLE first = OpenEcho();
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  HANDLE second = OpenEcho();
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  EXPECT_NE(first, second);
  EXPECT_TRUE(EchoLoaded());
  EXPECT_TRUE(CloseHandle(first));
  EXPECT_TRUE(EchoLoaded()) << "one handle is still open";
  EXPECT_TRUE(CloseHandle(second));
  EXPECT_FALSE(EchoLoaded());
  EXPECT_FALSE(CloseHandle(second));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(DeviceControl, RequestsReachTheDriverAndFailuresCarryItsCode) {
  HANDLE device = OpenEcho();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  char in[4] = {'a', 'b', 'c', 'd'};
  char out[8] = {};
  DWORD returned = 0;
  EXPECT_TRUE(DeviceIoControl(device, 1, in, 4, out, 8, &returned, nullptr));
  EXPECT_EQ(std::string(out, 4), "abcd");
  EXPECT_EQ(returned, 4u);

  EXPECT_FALSE(DeviceIoControl(device, 1117, nullptr, 0, out, 8, &returned, nullptr));
  EXPECT_EQ(GetLastError(), 1117u);
  int overlapped = 0;
  EXPECT_FALSE(DeviceIoControl(device, 1, in, 4, out, 8, &returned, &overlapped));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  CloseHandle(device);
  EXPECT_FALSE(DeviceIoControl(device, 1, in, 4, out, 8, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(DeviceIoControl(INVALID_HANDLE_VALUE, 1, in, 4, out, 8, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(DeviceControl, LastErrorIsKeptPerThread) {
  SetLastError(42);
  DWORD seen_there = 0;
  std::thread([&] {
    HANDLE device = OpenEcho();
    DeviceIoControl(device, 999, nullptr, 0, nullptr, 0, nullptr, nullptr);
    seen_there = GetLastError();
    CloseHandle(device);
  }).join();
  EXPECT_EQ(seen_there, 999u);
  EXPECT_EQ(GetLastError(), 42u);
}

TEST(DeviceControl, DriverPostsThroughTheHostServices) {
  tmx::platform::MessageQueue queue;
  const HWND window = queue.CreateWindowHandle();
  HANDLE device = OpenEcho();
  std::uint32_t words[2] = {window, 0x6402};
  EXPECT_TRUE(DeviceIoControl(device, 2, words, sizeof words, nullptr, 0, nullptr, nullptr));
  tmx::platform::PostedMessage message{};
  ASSERT_TRUE(queue.Peek(message));
  EXPECT_EQ(message.window, window);
  EXPECT_EQ(message.message, 0x6402u);
  EXPECT_EQ(message.wparam, 7u);
  EXPECT_EQ(message.lparam, -7);
  CloseHandle(device);
}

TEST(DeviceControl, ConcurrentRequestsAndCloseDoNotRace) {
  HANDLE keeper = OpenEcho();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 200; ++i) {
        HANDLE device = OpenEcho();
        int value = i, echoed = -1;
        DWORD returned;
        EXPECT_TRUE(DeviceIoControl(device, 1, &value, sizeof value, &echoed, sizeof echoed,
                                    &returned, nullptr));
        EXPECT_EQ(echoed, value);
        EXPECT_TRUE(CloseHandle(device));
      }
    });
  }
  for (auto &thread : threads) thread.join();
  EXPECT_TRUE(EchoLoaded());
  CloseHandle(keeper);
  EXPECT_FALSE(EchoLoaded());
}

// Which driver serves the boards' device: the variable, else the first line
// of the configuration file that says something, else the service's socket
// when one is there, else the module in the process.
TEST(DeviceTarget, TheVariableThenTheFileThenTheSystemSocketThenTheModule) {
  using Kind = tmx::platform::DeviceTarget::Kind;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tamrix-target-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string config = folder / "device.conf";
  const std::string socket_path = folder / "tamrixd.sock";
  const char *saved = std::getenv("TAMRIX_DEVICE");
  const std::string before = saved != nullptr ? saved : "";
  unsetenv("TAMRIX_DEVICE");
  const auto resolved = [&] { return tmx::platform::ResolveDeviceTarget(config, socket_path); };

  EXPECT_EQ(resolved().kind, Kind::kModule);
  std::ofstream(socket_path) << "not a socket";
  EXPECT_EQ(resolved().kind, Kind::kModule) << "only a socket counts";
  std::filesystem::remove(socket_path);
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
  EXPECT_EQ(resolved().kind, Kind::kService);
  EXPECT_EQ(resolved().value, "unix:" + socket_path);

  std::ofstream(config) << "# the boards of this desk\n\n   \n  module:/opt/x.so  \ntls://a:1\n";
  EXPECT_EQ(resolved().kind, Kind::kModuleFile) << "the file before the socket";
  EXPECT_EQ(resolved().value, "/opt/x.so");
  std::ofstream(config) << "tls://rack1:7420?ca=/etc/ca.pem\n";
  EXPECT_EQ(resolved().kind, Kind::kService);
  std::ofstream(config) << "rack1:7420\n";
  EXPECT_EQ(resolved().kind, Kind::kInvalid);
  setenv("TAMRIX_DEVICE", "module:", 1);
  EXPECT_EQ(resolved().kind, Kind::kModule) << "the variable before the file";

  close(listener);
  std::filesystem::remove_all(folder);
  if (saved != nullptr) setenv("TAMRIX_DEVICE", before.c_str(), 1);
}

}  // namespace
