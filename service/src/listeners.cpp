#include "listeners.h"

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "log.h"

namespace tamrix::service {
namespace {

// Whether a service already answers on the socket file.
bool Answers(const std::string &path) {
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool answered = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
  close(fd);
  return answered;
}

bool PrepareSocketFile(const std::string &path, std::string &error) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return true;
  if (!S_ISSOCK(info.st_mode)) {
    error = path + " exists and is not a socket";
    return false;
  }
  if (Answers(path)) {
    error = path + " is in use by another service";
    return false;
  }
  unlink(path.c_str());
  return true;
}

std::shared_ptr<grpc::ServerCredentials> TlsCredentials(const Options &options,
                                                        std::string &error) {
  if (options.tls_cert.empty() || options.tls_key.empty()) {
    error = "tls:// needs --tls-cert and --tls-key";
    return nullptr;
  }
  if (options.token_file.empty() && options.tls_client_ca.empty()) {
    error = "tls:// needs --token-file or --tls-client-ca, or no client could be admitted";
    return nullptr;
  }
  const std::optional<std::string> cert = ReadSmallFile(options.tls_cert);
  const std::optional<std::string> key = ReadSmallFile(options.tls_key);
  if (!cert || !key) {
    error = "cannot read " + (cert ? options.tls_key : options.tls_cert);
    return nullptr;
  }
  grpc::SslServerCredentialsOptions ssl;
  ssl.pem_key_cert_pairs.push_back({*key, *cert});
  if (!options.tls_client_ca.empty()) {
    const std::optional<std::string> ca = ReadSmallFile(options.tls_client_ca);
    if (!ca) {
      error = "cannot read " + options.tls_client_ca;
      return nullptr;
    }
    ssl.pem_root_certs = *ca;
    // A client without a certificate may still come with a token; one with a
    // certificate that fails is refused in the handshake.
    ssl.client_certificate_request = GRPC_SSL_REQUEST_CLIENT_CERTIFICATE_AND_VERIFY;
  }
  return grpc::SslServerCredentials(ssl);
}

}  // namespace

std::vector<std::unique_ptr<Listener>> AddListeners(grpc::ServerBuilder &builder,
                                                    const Options &options, std::string &error) {
  std::vector<std::unique_ptr<Listener>> listeners;
  for (const std::string &text : options.listen) {
    std::optional<ServiceUri> uri = ParseServiceUri(text);
    if (!uri || !uri->options.empty()) {
      error = "not an address to listen on: " + text + " (unix:PATH or tls://HOST:PORT)";
      return {};
    }
    auto listener = std::make_unique<Listener>(Listener{text, *uri, 0});
    if (uri->tls) {
      std::shared_ptr<grpc::ServerCredentials> credentials = TlsCredentials(options, error);
      if (!credentials) return {};
      builder.AddListeningPort(uri->GrpcTarget(), credentials, &listener->port);
    } else {
      if (!PrepareSocketFile(uri->path, error)) return {};
      builder.AddListeningPort(uri->GrpcTarget(), grpc::InsecureServerCredentials());
    }
    listeners.push_back(std::move(listener));
  }
  return listeners;
}

void AnnounceListeners(const std::vector<std::unique_ptr<Listener>> &listeners) {
  const group *tamrix = getgrnam("tamrix");
  for (const auto &listener : listeners) {
    if (listener->uri.tls) {
      Log("listening on tls://" + listener->uri.host + ":" + std::to_string(listener->port));
      continue;
    }
    const std::string &path = listener->uri.path;
    if (tamrix != nullptr && chown(path.c_str(), static_cast<uid_t>(-1), tamrix->gr_gid) != 0) {
      Log("cannot give " + path + " to the group tamrix: " + std::strerror(errno));
    }
    chmod(path.c_str(), 0660);
    Log("listening on unix:" + path);
  }
}

}  // namespace tamrix::service
