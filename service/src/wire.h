#pragma once

#include <grpcpp/support/status.h>

#include <chrono>
#include <cstddef>

#include "tamrix_platform/types.h"

namespace tamrix::service {

// Every call has a deadline, so that a service that is gone or stuck makes a
// request fail instead of hanging the caller.
inline constexpr std::chrono::milliseconds kConnectDeadline{2000};
inline constexpr std::chrono::milliseconds kControlDeadline{2000};

// The most a request's input buffer may make the service allocate: a get
// data request for the largest buffer the driver keeps (262,144 words).
inline constexpr std::size_t kMaxInputBytes = 2u * 262144u;
// The output buffer is a request block; a little room for other drivers.
inline constexpr std::size_t kMaxOutputBytes = 4096;

inline constexpr std::size_t kSessionIdBytes = 16;

// The platform error code a failed call gives the caller.
tmx_dword ErrorOfStatus(const grpc::Status &status);

}  // namespace tamrix::service
