#pragma once

#include <grpcpp/grpcpp.h>

#include <memory>
#include <string>
#include <vector>

#include "options.h"
#include "uri.h"

namespace tamrix::service {

struct Listener {
  std::string text;  // as given
  ServiceUri uri;
  int port = 0;  // tls: the port bound, filled when the server starts
};

// Adds every --listen address to the builder. A Unix socket left by a service
// that is gone is removed; one that answers is in use. TCP is TLS only.
// Empty with `error` when an address or a credential file is not usable.
std::vector<std::unique_ptr<Listener>> AddListeners(grpc::ServerBuilder &builder,
                                                    const Options &options, std::string &error);

// After the start: Unix sockets to the group "tamrix" when it exists, and a
// line for each address.
void AnnounceListeners(const std::vector<std::unique_ptr<Listener>> &listeners);

}  // namespace tamrix::service
