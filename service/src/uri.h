#pragma once

#include <map>
#include <optional>
#include <string>

namespace tamrix::service {

// A service address: "unix:PATH" or "tls://HOST:PORT", each with an optional
// query "?name=value&..." (ca, cert, key, token, name, control: see docs/service.md).
struct ServiceUri {
  bool tls = false;
  std::string path;  // unix: the socket file
  std::string host;  // tls: host and port
  std::string port;
  std::map<std::string, std::string> options;  // the query

  // The address in gRPC's own spelling.
  std::string GrpcTarget() const;
  std::string Option(const std::string &name) const;
};

std::optional<ServiceUri> ParseServiceUri(const std::string &uri);

// A whole small file, as a credential is kept; nullopt when unreadable.
std::optional<std::string> ReadSmallFile(const std::string &path);
// The first line of a token file, without its end.
std::optional<std::string> ReadToken(const std::string &path);

}  // namespace tamrix::service
