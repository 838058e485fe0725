#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tamrix::service {

inline constexpr const char *kDefaultListen = "unix:/run/tamrix/tamrixd.sock";

struct Options {
  bool help = false;
  bool version = false;
  std::vector<std::string> listen;  // default: kDefaultListen
  std::string driver;               // empty: the module of the private folder
  std::string scenario;
  std::string tls_cert;
  std::string tls_key;
  std::string tls_client_ca;
  std::string token_file;
  std::string control_token_file;
  unsigned max_sessions = 64;
};

// Null with `error` for a command line that does not parse.
std::optional<Options> ParseOptions(int argc, char **argv, std::string &error);

extern const char *const kUsage;

}  // namespace tamrix::service
