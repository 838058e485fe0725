#include "options.h"

#include <charconv>
#include <cstring>
#include <map>

namespace tamrix::service {

const char *const kUsage =
    "Usage: tamrixd [OPTION]...\n"
    "Serves the Tamrix boards' driver to every program on this machine or, with\n"
    "TLS, on others.\n"
    "\n"
    "  --listen URI            where to listen: unix:PATH or tls://HOST:PORT\n"
    "                          (repeatable; default unix:/run/tamrix/tamrixd.sock)\n"
    "  --driver PATH           the driver module to serve (default: the simulated\n"
    "                          driver of the private folder)\n"
    "  --scenario FILE         the simulated driver's scenario\n"
    "  --tls-cert FILE         the server's certificate chain (PEM), for tls://\n"
    "  --tls-key FILE          its private key (PEM)\n"
    "  --tls-client-ca FILE    accept TCP clients with a certificate from this CA\n"
    "  --token-file FILE       accept TCP clients that send this bearer token\n"
    "  --control-token-file FILE\n"
    "                          only sessions with this token may send the\n"
    "                          simulator's requests (default: Unix socket sessions)\n"
    "  --max-sessions N        the most sessions at once (default 64)\n"
    "  --help                  show this help and exit\n"
    "  --version               show the version and exit\n";

std::optional<Options> ParseOptions(int argc, char **argv, std::string &error) {
  Options options;
  const std::map<std::string, std::string *> texts = {
      {"--driver", &options.driver},
      {"--scenario", &options.scenario},
      {"--tls-cert", &options.tls_cert},
      {"--tls-key", &options.tls_key},
      {"--tls-client-ca", &options.tls_client_ca},
      {"--token-file", &options.token_file},
      {"--control-token-file", &options.control_token_file}};
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    std::optional<std::string> value;
    if (const auto equals = name.find('=');
        name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    if (name == "--help" || name == "--version") {
      (name == "--help" ? options.help : options.version) = true;
      continue;
    }
    const bool takes_value = texts.contains(name) || name == "--listen" || name == "--max-sessions";
    if (!takes_value) {
      error = "unknown option " + name;
      return std::nullopt;
    }
    if (!value) {
      if (i + 1 >= argc) {
        error = name + " needs a value";
        return std::nullopt;
      }
      value = argv[++i];
    }
    if (name == "--listen") {
      options.listen.push_back(*value);
    } else if (name == "--max-sessions") {
      const char *end = value->data() + value->size();
      const auto [stop, failure] = std::from_chars(value->data(), end, options.max_sessions);
      if (failure != std::errc() || stop != end || options.max_sessions == 0) {
        error = "--max-sessions needs a whole number from 1";
        return std::nullopt;
      }
    } else {
      *texts.at(name) = *value;
    }
  }
  if (options.listen.empty()) options.listen.emplace_back(kDefaultListen);
  return options;
}

}  // namespace tamrix::service
