#include "remote_session.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tamrix_protocol.h"
#include "wire.h"

namespace tamrix::service {
namespace {

namespace v1 = tamrix::device::v1;

std::string UserName() {
  if (const passwd *entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr) {
    return entry->pw_name;
  }
  return std::to_string(geteuid());
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

grpc::ChannelArguments ChannelArguments(const ServiceUri &uri) {
  grpc::ChannelArguments arguments;
  // A service that stops answering ends the stream, as a closed one does;
  // later than a request's deadline, so that a stuck service is reported as
  // late (ERROR_SEM_TIMEOUT), not as gone.
  arguments.SetInt(GRPC_ARG_KEEPALIVE_TIME_MS, 2000);
  arguments.SetInt(GRPC_ARG_KEEPALIVE_TIMEOUT_MS, 3000);
  arguments.SetInt(GRPC_ARG_KEEPALIVE_PERMIT_WITHOUT_CALLS, 1);
  arguments.SetInt(GRPC_ARG_HTTP2_MAX_PINGS_WITHOUT_DATA, 0);
  arguments.SetMaxReceiveMessageSize(static_cast<int>(2 * kMaxInputBytes));
  // Each session its own connection, so that one ends with its process.
  arguments.SetInt(GRPC_ARG_USE_LOCAL_SUBCHANNEL_POOL, 1);
  if (!uri.Option("name").empty()) arguments.SetSslTargetNameOverride(uri.Option("name"));
  return arguments;
}

// A socket its mode keeps this user from: gRPC would report it as a service
// out of reach, and the user needs to hear it is a matter of rights (the
// socket's group).
bool SocketForbidden(const ServiceUri &uri) {
  return !uri.tls && faccessat(AT_FDCWD, uri.path.c_str(), W_OK, AT_EACCESS) != 0 &&
         errno == EACCES;
}

// Null with `error` for a credential file that cannot be read.
std::shared_ptr<grpc::ChannelCredentials> Credentials(const ServiceUri &uri, tmx_dword &error) {
  if (!uri.tls) return grpc::InsecureChannelCredentials();
  grpc::SslCredentialsOptions options;
  for (const auto &[name, field] :
       {std::pair{"ca", &options.pem_root_certs}, std::pair{"cert", &options.pem_cert_chain},
        std::pair{"key", &options.pem_private_key}}) {
    if (uri.Option(name).empty()) continue;
    std::optional<std::string> text = ReadSmallFile(uri.Option(name));
    if (!text) {
      error = TMX_ERROR_ACCESS_DENIED;
      return nullptr;
    }
    *field = std::move(*text);
  }
  return grpc::SslCredentials(options);
}

}  // namespace

RemoteSession::RemoteSession(std::shared_ptr<grpc::Channel> channel, std::string token,
                             const tmx_host_services *host)
    : stub_(v1::Device::NewStub(std::move(channel))), token_(std::move(token)), host_(host) {}

std::unique_ptr<RemoteSession> RemoteSession::Open(const std::string &uri_text,
                                                   const std::string &device,
                                                   const tmx_host_services *host,
                                                   tmx_dword &error) {
  const std::optional<ServiceUri> uri = ParseServiceUri(uri_text);
  if (!uri) {
    error = TMX_ERROR_PATH_NOT_FOUND;
    return nullptr;
  }
  if (SocketForbidden(*uri)) {
    error = TMX_ERROR_ACCESS_DENIED;
    return nullptr;
  }
  std::string token;
  v1::OpenSessionRequest request;
  for (const auto &[name, target] :
       {std::pair{"token", &token}, std::pair{"control", request.mutable_control_token()}}) {
    if (uri->Option(name).empty()) continue;
    std::optional<std::string> read = ReadToken(uri->Option(name));
    if (!read) {
      error = TMX_ERROR_ACCESS_DENIED;
      return nullptr;
    }
    *target = std::move(*read);
  }
  const std::shared_ptr<grpc::ChannelCredentials> credentials = Credentials(*uri, error);
  if (!credentials) return nullptr;
  std::unique_ptr<RemoteSession> session(new RemoteSession(
      grpc::CreateCustomChannel(uri->GrpcTarget(), credentials, ChannelArguments(*uri)),
      std::move(token), host));

  request.set_device(device);
  request.set_user(UserName());
  request.set_pid(static_cast<std::uint32_t>(getpid()));
  request.set_host(HostName());
  session->Authorise(session->stream_context_);
  // Starting the call may wait for a connection: it runs on the reader
  // thread, and this one waits no longer than the deadline.
  session->reader_ = std::thread(&RemoteSession::Read, session.get(), std::move(request));
  std::unique_lock lock(session->mutex_);
  const bool answered = session->changed_.wait_for(
      lock, kConnectDeadline, [&] { return session->started_ || session->ended_; });
  if (session->started_) return session;
  error = answered ? ErrorOfStatus(session->end_status_) : TMX_ERROR_SEM_TIMEOUT;
  if (error == TMX_ERROR_SUCCESS) error = TMX_ERROR_DEV_NOT_EXIST;  // ended without an id
  lock.unlock();
  return nullptr;  // the destructor cancels the call and joins the reader
}

RemoteSession::~RemoteSession() {
  stream_context_.TryCancel();
  if (reader_.joinable()) reader_.join();
}

void RemoteSession::Authorise(grpc::ClientContext &context) const {
  if (!token_.empty()) context.AddMetadata("authorization", "Bearer " + token_);
}

void RemoteSession::Read(const v1::OpenSessionRequest &request) {
  std::unique_ptr<grpc::ClientReader<v1::SessionEvent>> stream =
      stub_->OpenSession(&stream_context_, request);
  v1::SessionEvent event;
  if (stream->Read(&event) && event.has_started() &&
      event.started().session_id().size() == kSessionIdBytes) {
    std::lock_guard lock(mutex_);
    session_id_ = event.started().session_id();
    started_ = true;
    alive_ = true;
    changed_.notify_all();
  }
  while (started_ && stream->Read(&event)) {
    if (!event.has_notification()) continue;
    const v1::Notification &note = event.notification();
    host_->post_message(note.window(), note.message(), note.wparam(), note.lparam());
  }
  grpc::Status status = stream->Finish();
  std::lock_guard lock(mutex_);
  alive_ = false;
  ended_ = true;
  end_status_ = std::move(status);
  changed_.notify_all();
}

tmx_dword RemoteSession::Control(tmx_dword code, void *in_buffer, tmx_dword in_size,
                                 void *out_buffer, tmx_dword out_size, tmx_dword *bytes_returned) {
  // The stream ended: the service closed this session's slots.
  if (!alive_) return TMX_ERROR_DEV_NOT_EXIST;
  if ((in_buffer != nullptr && in_size > kMaxInputBytes) ||
      (out_buffer != nullptr && out_size > kMaxOutputBytes)) {
    return TMX_ERROR_NOT_ENOUGH_MEMORY;
  }
  v1::ControlRequest request;
  request.set_session_id(session_id_);
  request.set_code(code);
  request.set_in_size(in_size);
  if (out_buffer != nullptr) request.set_out_data(out_buffer, out_size);
  // Get data only writes its input buffer: the samples travel one way.
  if (in_buffer != nullptr && code == TAMRIX_IOCTL_GET_DATA) {
    request.set_in_unread(true);
  } else if (in_buffer != nullptr) {
    request.set_in_data(in_buffer, in_size);
  }

  grpc::ClientContext context;
  context.set_deadline(std::chrono::system_clock::now() + kControlDeadline);
  Authorise(context);
  v1::ControlReply reply;
  const grpc::Status status = stub_->Control(&context, request, &reply);
  if (!status.ok()) return ErrorOfStatus(status);
  if (bytes_returned != nullptr) *bytes_returned = reply.bytes_returned();
  if (reply.error() != TMX_ERROR_SUCCESS) return reply.error();
  if (out_buffer != nullptr) {
    std::memcpy(out_buffer, reply.out_data().data(),
                std::min<std::size_t>(out_size, reply.out_data().size()));
  }
  if (in_buffer != nullptr && reply.has_in_data()) {
    std::memcpy(in_buffer, reply.in_data().data(),
                std::min<std::size_t>(in_size, reply.in_data().size()));
  }
  return TMX_ERROR_SUCCESS;
}

}  // namespace tamrix::service
