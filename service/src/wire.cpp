#include "wire.h"

namespace tamrix::service {

tmx_dword ErrorOfStatus(const grpc::Status &status) {
  switch (status.error_code()) {
    case grpc::StatusCode::OK: return TMX_ERROR_SUCCESS;
    case grpc::StatusCode::DEADLINE_EXCEEDED: return TMX_ERROR_SEM_TIMEOUT;
    case grpc::StatusCode::UNAUTHENTICATED:
    case grpc::StatusCode::PERMISSION_DENIED: return TMX_ERROR_ACCESS_DENIED;
    case grpc::StatusCode::RESOURCE_EXHAUSTED: return TMX_ERROR_NOT_ENOUGH_MEMORY;
    case grpc::StatusCode::INVALID_ARGUMENT: return TMX_ERROR_INVALID_PARAMETER;
    // Gone, unreachable, restarted (the session is unknown there): as a
    // device that does not exist.
    default: return TMX_ERROR_DEV_NOT_EXIST;
  }
}

}  // namespace tamrix::service
