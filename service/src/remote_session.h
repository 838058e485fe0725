#pragma once

#include <grpcpp/grpcpp.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tamrix_device.grpc.pb.h"
#include "tamrix_platform/driver_module.h"
#include "uri.h"

namespace tamrix::service {

// A client's session with the service: the stream that carries its
// notifications, read by a thread of its own that posts each to the
// client's window, and one unary call per request.
class RemoteSession {
 public:
  // Null with `error` when the service refused the session or did not
  // answer within the connect deadline.
  static std::unique_ptr<RemoteSession> Open(const std::string &uri, const std::string &device,
                                             const tmx_host_services *host, tmx_dword &error);
  ~RemoteSession();
  RemoteSession(const RemoteSession &) = delete;
  RemoteSession &operator=(const RemoteSession &) = delete;

  tmx_dword Control(tmx_dword code, void *in_buffer, tmx_dword in_size, void *out_buffer,
                    tmx_dword out_size, tmx_dword *bytes_returned);

 private:
  RemoteSession(std::shared_ptr<grpc::Channel> channel, std::string token,
                const tmx_host_services *host);
  // The stream, on the reader thread: the session id, then notifications.
  void Read(const tamrix::device::v1::OpenSessionRequest &request);
  void Authorise(grpc::ClientContext &context) const;

  std::unique_ptr<tamrix::device::v1::Device::Stub> stub_;
  std::string token_;
  const tmx_host_services *host_;
  grpc::ClientContext stream_context_;

  // Set by the reader: the id once started, then the end of the stream.
  std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false;
  bool ended_ = false;
  grpc::Status end_status_;
  std::string session_id_;
  std::atomic<bool> alive_{false};

  std::thread reader_;
};

}  // namespace tamrix::service
