#include "grpc_log.h"

#include <grpc/support/log.h>

#include <string>
#include <string_view>

#include "log.h"

namespace tamrix::service {
namespace {

// The TLS library's reason, the text after its last colon ("wrong version
// number", "certificate verify failed").
std::string_view Reason(std::string_view message) {
  while (!message.empty() && (message.back() == '.' || message.back() == ' ')) {
    message.remove_suffix(1);
  }
  const std::size_t colon = message.rfind(':');
  return colon == std::string_view::npos ? message : message.substr(colon + 1);
}

void LogMessage(gpr_log_func_args *args) {
  const std::string_view message = args->message != nullptr ? args->message : "";
  if (message.rfind("Handshake failed", 0) == 0) {
    Log("refused a connection: TLS handshake failed (" + std::string(Reason(message)) + ")");
    return;
  }
  Log("grpc: " + std::string(message));
}

}  // namespace

void LogGrpcMessages() { gpr_set_log_function(LogMessage); }

}  // namespace tamrix::service
