#include "device_target.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

namespace tmx::platform {
namespace {

constexpr const char *kConfigFile = "/etc/tamrix/device.conf";
constexpr const char *kSystemSocket = "/run/tamrix/tamrixd.sock";

std::string Trimmed(const std::string &text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string ConfiguredUri(const std::string &config_file) {
  std::ifstream file(config_file);
  std::string line;
  while (std::getline(file, line)) {
    line = Trimmed(line);
    if (!line.empty() && line[0] != '#') return line;
  }
  return {};
}

bool StartsWith(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

DeviceTarget ParseDeviceTarget(const std::string &uri) {
  using Kind = DeviceTarget::Kind;
  if (uri == "module:") return {Kind::kModule, {}};
  if (StartsWith(uri, "module:")) return {Kind::kModuleFile, uri.substr(7)};
  if ((StartsWith(uri, "unix:") && uri.size() > 5) || StartsWith(uri, "tls://")) {
    return {Kind::kService, uri};
  }
  return {Kind::kInvalid, uri};
}

DeviceTarget ResolveDeviceTarget() { return ResolveDeviceTarget(kConfigFile, kSystemSocket); }

DeviceTarget ResolveDeviceTarget(const std::string &config_file, const std::string &system_socket) {
  if (const char *variable = std::getenv("TAMRIX_DEVICE"); variable && *variable) {
    return ParseDeviceTarget(Trimmed(variable));
  }
  if (const std::string configured = ConfiguredUri(config_file); !configured.empty()) {
    return ParseDeviceTarget(configured);
  }
  struct stat info {};
  if (stat(system_socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) {
    return {DeviceTarget::Kind::kService, "unix:" + system_socket};
  }
  return {};
}

}  // namespace tmx::platform
