#include "uri.h"

#include <fstream>
#include <sstream>

namespace tamrix::service {

std::string ServiceUri::GrpcTarget() const {
  if (!tls) return "unix:" + path;
  // A numeric IPv6 address goes in brackets.
  if (host.find(':') != std::string::npos) return "ipv6:[" + host + "]:" + port;
  return host + ":" + port;
}

std::string ServiceUri::Option(const std::string &name) const {
  const auto it = options.find(name);
  return it == options.end() ? std::string() : it->second;
}

std::optional<ServiceUri> ParseServiceUri(const std::string &uri) {
  ServiceUri parsed;
  std::string rest;
  if (uri.rfind("unix:", 0) == 0) {
    rest = uri.substr(5);
  } else if (uri.rfind("tls://", 0) == 0) {
    parsed.tls = true;
    rest = uri.substr(6);
  } else {
    return std::nullopt;
  }
  if (const auto query = rest.find('?'); query != std::string::npos) {
    std::istringstream pairs(rest.substr(query + 1));
    rest.resize(query);
    std::string pair;
    while (std::getline(pairs, pair, '&')) {
      const auto equals = pair.find('=');
      if (equals == std::string::npos || equals == 0) return std::nullopt;
      parsed.options[pair.substr(0, equals)] = pair.substr(equals + 1);
    }
  }
  if (!parsed.tls) {
    parsed.path = rest;
    if (parsed.path.empty()) return std::nullopt;
    return parsed;
  }
  std::string::size_type colon = 0;
  if (!rest.empty() && rest.front() == '[') {  // [v6 address]:port
    const auto close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
      return std::nullopt;
    }
    parsed.host = rest.substr(1, close - 1);
    colon = close + 1;
  } else {
    colon = rest.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    parsed.host = rest.substr(0, colon);
  }
  parsed.port = rest.substr(colon + 1);
  if (parsed.host.empty() || parsed.port.empty() ||
      parsed.port.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return parsed;
}

std::optional<std::string> ReadSmallFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::optional<std::string> ReadToken(const std::string &path) {
  std::optional<std::string> text = ReadSmallFile(path);
  if (!text) return std::nullopt;
  text->resize(text->find_first_of("\r\n") == std::string::npos ? text->size()
                                                                : text->find_first_of("\r\n"));
  if (text->empty()) return std::nullopt;
  return text;
}

}  // namespace tamrix::service
