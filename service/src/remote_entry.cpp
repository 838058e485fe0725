// The forwarding client's entry table, which the device layer loads when the
// boards' device is configured to come from a board service.
#include "remote_client.h"
#include "remote_session.h"

namespace {

using tamrix::service::RemoteSession;

void *Connect(const char *uri, const char *device, const tmx_host_services *host,
              tmx_dword *error) {
  tmx_dword failure = TMX_ERROR_DEV_NOT_EXIST;
  std::unique_ptr<RemoteSession> session = RemoteSession::Open(uri, device, host, failure);
  if (!session && error != nullptr) *error = failure;
  return session.release();
}

tmx_dword Control(void *session, tmx_dword code, void *in_buffer, tmx_dword in_size,
                  void *out_buffer, tmx_dword out_size, tmx_dword *bytes_returned) {
  return static_cast<RemoteSession *>(session)->Control(code, in_buffer, in_size, out_buffer,
                                                        out_size, bytes_returned);
}

void Disconnect(void *session) { delete static_cast<RemoteSession *>(session); }

const tmx_remote_client kClient = {TMX_REMOTE_ABI_VERSION, &Connect, &Control, &Disconnect};

}  // namespace

extern "C" __attribute__((visibility("default"))) const tmx_remote_client *tmx_remote_entry() {
  return &kClient;
}
