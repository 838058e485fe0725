#pragma once

namespace tamrix::service {

// gRPC's own messages go to the service's log; a TLS handshake that fails,
// which gRPC ends before the service sees a call, is logged as a refused
// connection.
void LogGrpcMessages();

}  // namespace tamrix::service
