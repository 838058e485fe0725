#include "module_dir.h"

#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace tmx::platform {
namespace {

std::string DirectoryOf(const std::string &path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string Resolved(const char *path) {
  std::unique_ptr<char, decltype(&std::free)> real(realpath(path, nullptr), &std::free);
  return real ? std::string(real.get()) : std::string(path);
}

}  // namespace

std::string DirectoryOfFileHolding(const void *address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return ".";
  return DirectoryOf(Resolved(info.dli_fname));
}

std::string PlatformModuleDirectory() {
  return DirectoryOfFileHolding(reinterpret_cast<const void *>(&PlatformModuleDirectory));
}

std::string PrivateModuleDirectory() {
  std::string platform = PlatformModuleDirectory();
  std::string private_folder = platform + "/tamrix";
  struct stat info {};
  if (stat(private_folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return private_folder;
  return platform;
}

std::string ProgramDirectory() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  buffer[n] = '\0';
  return DirectoryOf(buffer);
}

}  // namespace tmx::platform
