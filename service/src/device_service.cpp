#include "device_service.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "log.h"
#include "request_block.h"
#include "tamrix_protocol.h"
#include "tamrix_service.h"
#include "wire.h"

namespace tamrix::service {
namespace {

namespace v1 = tamrix::device::v1;

// How long a session's stream waits for a notification before it looks
// whether the client is still there.
constexpr std::chrono::milliseconds kStreamPoll{100};

bool FromUnixSocket(const grpc::ServerContext &context) {
  return context.peer().rfind("unix:", 0) == 0;
}

std::string Describe(const Session &session) {
  std::string id;
  for (unsigned char byte : session.id().substr(0, 4)) {
    static constexpr char kHex[] = "0123456789abcdef";
    id += kHex[byte >> 4];
    id += kHex[byte & 0xF];
  }
  const Holder &holder = session.holder();
  return "session " + id + " (" + holder.user + ", pid " + std::to_string(holder.pid) + " on " +
         holder.host + ")";
}

// The requests that name a slot at offset 0 and act on an open one.
bool ActsOnOpenSlot(tmx_dword code) {
  switch (code) {
    case TAMRIX_IOCTL_CLOSE:
    case TAMRIX_IOCTL_RESOURCES:
    case TAMRIX_IOCTL_SET_MODE:
    case TAMRIX_IOCTL_START:
    case TAMRIX_IOCTL_STOP:
    case TAMRIX_IOCTL_SAMPLING_STATUS:
    case TAMRIX_IOCTL_GET_DATA:
    case TAMRIX_IOCTL_EXTERNAL_INPUTS: return true;
    default: return false;
  }
}

// The driver's answer for a fitted slot that is not open: status 1 and the
// request's answer fields empty.
void AnswerNotOpen(tmx_dword code, RequestBlock &block, tmx_dword &returned) {
  const auto clear = [&](std::size_t from, std::size_t to) {
    std::fill(block.bytes.begin() + static_cast<std::ptrdiff_t>(from),
              block.bytes.begin() + static_cast<std::ptrdiff_t>(to), std::uint8_t{0});
  };
  if (code == TAMRIX_IOCTL_RESOURCES) clear(TAMRIX_OFS_RESOURCES, TAMRIX_BLOCK_SIZE);
  if (code == TAMRIX_IOCTL_SAMPLING_STATUS) clear(TAMRIX_OFS_NUM_DATA, TAMRIX_OFS_RESOURCES);
  if (code == TAMRIX_IOCTL_EXTERNAL_INPUTS) clear(TAMRIX_OFS_EX_TRG, TAMRIX_OFS_EX_IN1 + 4);
  block.PutU16(TAMRIX_OFS_STATUS, TAMRIX_DRV_BAD_SLOT);
  returned = TAMRIX_BLOCK_SIZE;
}

// A holder's name as a client gave it, made safe to log and to show: no
// control characters, at most what the holder query carries.
std::string Shown(const std::string &text) {
  std::string shown;
  for (const char c : text) {
    if (shown.size() + 1 >= TAMRIX_HOLDER_TEXT_SIZE) break;
    shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  }
  return shown;
}

std::string Upper(std::string text) {
  for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Comparing a secret without telling how much of it matched.
bool SameSecret(const std::string &given, const std::string &secret) {
  if (given.size() != secret.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < given.size(); ++i) {
    difference |= static_cast<unsigned char>(given[i] ^ secret[i]);
  }
  return difference == 0;
}

}  // namespace

DeviceService::DeviceService(HANDLE driver, std::string device, AccessRules rules,
                             std::size_t max_sessions)
    : driver_(driver),
      device_(Upper(std::move(device))),
      rules_(std::move(rules)),
      sessions_(max_sessions) {}

grpc::Status DeviceService::Authorise(grpc::ServerContext *context, const char *call) const {
  // The socket's owner and mode decide who reaches it.
  if (FromUnixSocket(*context)) return grpc::Status::OK;
  // Over TCP the listener is TLS; the client proves itself by its
  // certificate or its token.
  if (rules_.client_certificates && context->auth_context()->IsPeerAuthenticated()) {
    return grpc::Status::OK;
  }
  if (!rules_.token.empty()) {
    const auto &metadata = context->client_metadata();
    const auto it = metadata.find("authorization");
    if (it != metadata.end() &&
        SameSecret(std::string(it->second.data(), it->second.size()), "Bearer " + rules_.token)) {
      return grpc::Status::OK;
    }
  }
  Log(std::string("refused ") + call + " from " + context->peer() + ": not authenticated");
  return {grpc::StatusCode::UNAUTHENTICATED, "a client certificate or a bearer token is needed"};
}

grpc::Status DeviceService::OpenSession(grpc::ServerContext *context,
                                        const v1::OpenSessionRequest *request,
                                        grpc::ServerWriter<v1::SessionEvent> *writer) {
  if (grpc::Status refused = Authorise(context, "a session"); !refused.ok()) return refused;
  if (Upper(request->device()) != device_) {
    Log("refused a session from " + context->peer() + ": no device " + request->device());
    return {grpc::StatusCode::NOT_FOUND, "no such device here"};
  }
  const bool may_control = rules_.control_token.empty()
                               ? FromUnixSocket(*context)
                               : SameSecret(request->control_token(), rules_.control_token);
  std::shared_ptr<Session> session = sessions_.Add(
      Holder{Shown(request->user()), request->pid(), Shown(request->host())}, may_control);
  if (!session) {
    Log("refused a session from " + context->peer() + ": too many sessions");
    return {grpc::StatusCode::RESOURCE_EXHAUSTED, "the service holds its most sessions"};
  }
  Log(Describe(*session) + " started from " + context->peer());

  v1::SessionEvent started;
  started.mutable_started()->set_session_id(session->id());
  bool open = writer->Write(started);
  while (open && !context->IsCancelled()) {
    std::optional<v1::Notification> note = session->Pop(kStreamPoll);
    if (!note) continue;
    v1::SessionEvent event;
    *event.mutable_notification() = std::move(*note);
    open = writer->Write(event);
  }
  End(session);
  return grpc::Status::OK;
}

void DeviceService::End(const std::shared_ptr<Session> &session) {
  sessions_.Remove(session->id());
  int given_back = 0;
  {
    std::unique_lock lock(slots_mutex_);
    session->MarkEnded();
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
      if (owners_[slot] != session) continue;
      for (const tmx_dword code : {TAMRIX_IOCTL_STOP, TAMRIX_IOCTL_CLOSE}) {
        RequestBlock block{};
        block.PutU16(TAMRIX_OFS_SLOT, static_cast<std::uint16_t>(slot));
        tmx_dword returned = 0;
        Forward(code, block.bytes.data(), TAMRIX_BLOCK_SIZE, nullptr, 0, returned);
      }
      owners_[slot].reset();
      ++given_back;
    }
    // The slots are closed: nothing posts to the session's windows any more.
    session->StopRelays();
  }
  Log(Describe(*session) + " ended, " + std::to_string(given_back) + " slot(s) given back");
}

tmx_dword DeviceService::Forward(tmx_dword code, void *out, std::size_t out_size, std::string *in,
                                 tmx_dword in_size, tmx_dword &returned) const {
  const BOOL done =
      tmx_device_io_control(driver_, code, in != nullptr ? in->data() : nullptr, in_size, out,
                            static_cast<DWORD>(out_size), &returned, nullptr);
  return done ? TMX_ERROR_SUCCESS : tmx_get_last_error();
}

tmx_dword DeviceService::Create(const std::shared_ptr<Session> &session, RequestBlock &block,
                                std::string *in, tmx_dword in_size, tmx_dword &returned) {
  if (session->ended()) return TMX_ERROR_DEV_NOT_EXIST;
  // The driver posts to a window of the service, which relays to the client's.
  const std::uint32_t client_window = block.U32(TAMRIX_OFS_WINDOW);
  const std::uint32_t window = session->WindowFor(client_window);
  if (window == 0 && client_window != 0) return TMX_ERROR_NOT_ENOUGH_MEMORY;
  block.PutU32(TAMRIX_OFS_WINDOW, window);
  const tmx_dword error =
      Forward(TAMRIX_IOCTL_CREATE, block.bytes.data(), TAMRIX_BLOCK_SIZE, in, in_size, returned);
  block.PutU32(TAMRIX_OFS_WINDOW, client_window);
  if (error == TMX_ERROR_SUCCESS && block.U16(TAMRIX_OFS_STATUS) == TAMRIX_DRV_OK) {
    const std::uint16_t slot = block.U16(TAMRIX_OFS_ASSIGNED_SLOT);
    if (slot < kSlots) owners_[slot] = session;
  }
  return error;
}

tmx_dword DeviceService::OnSlot(const Session &session, tmx_dword code, RequestBlock &block,
                                std::string *in, tmx_dword in_size, tmx_dword &returned) {
  const std::uint16_t slot = block.U16(TAMRIX_OFS_SLOT);
  if (slot < kSlots && owners_[slot] && owners_[slot]->id() != session.id()) {
    AnswerNotOpen(code, block, returned);
    return TMX_ERROR_SUCCESS;
  }
  const tmx_dword error =
      Forward(code, block.bytes.data(), TAMRIX_BLOCK_SIZE, in, in_size, returned);
  if (code == TAMRIX_IOCTL_CLOSE && error == TMX_ERROR_SUCCESS && slot < kSlots &&
      block.U16(TAMRIX_OFS_STATUS) == TAMRIX_DRV_OK) {
    owners_[slot].reset();
  }
  return error;
}

void DeviceService::AnswerHolder(const Session &session, RequestBlock &block,
                                 tmx_dword &returned) const {
  const std::uint16_t slot = block.U16(TAMRIX_OFS_SLOT);
  const std::shared_ptr<Session> owner = slot < kSlots ? owners_[slot] : nullptr;
  const bool held = owner && owner->id() != session.id();
  block.PutU16(TAMRIX_OFS_STATUS, held ? TAMRIX_DRV_OK : TAMRIX_DRV_BAD_SLOT);
  if (held) {
    block.PutU32(TAMRIX_HOLDER_OFS_PID, owner->holder().pid);
    for (const auto &[offset, text] : {std::pair{TAMRIX_HOLDER_OFS_USER, &owner->holder().user},
                                       std::pair{TAMRIX_HOLDER_OFS_HOST, &owner->holder().host}}) {
      const std::size_t length = std::min<std::size_t>(text->size(), TAMRIX_HOLDER_TEXT_SIZE - 1);
      std::fill_n(block.bytes.begin() + offset, TAMRIX_HOLDER_TEXT_SIZE, std::uint8_t{0});
      std::copy_n(text->begin(), length, block.bytes.begin() + offset);
    }
  }
  returned = TAMRIX_BLOCK_SIZE;
}

grpc::Status DeviceService::Control(grpc::ServerContext *context, const v1::ControlRequest *request,
                                    v1::ControlReply *reply) {
  if (grpc::Status refused = Authorise(context, "a request"); !refused.ok()) return refused;
  const std::shared_ptr<Session> session = sessions_.Find(request->session_id());
  if (!session) return {grpc::StatusCode::NOT_FOUND, "no such session"};

  const tmx_dword code = request->code();
  const tmx_dword in_size = request->in_size();
  // Nothing absurd is allocated or attempted.
  if (in_size > kMaxInputBytes || request->out_data().size() > kMaxOutputBytes) {
    reply->set_error(TMX_ERROR_NOT_ENOUGH_MEMORY);
    return grpc::Status::OK;
  }
  if ((request->has_in_data() && request->in_data().size() != in_size) ||
      (request->has_in_data() && request->in_unread())) {
    reply->set_error(TMX_ERROR_INVALID_PARAMETER);
    return grpc::Status::OK;
  }
  if (code >= TAMRIX_IOCTL_PRIVATE_FIRST && code <= TAMRIX_IOCTL_SIMULATOR_LAST &&
      !session->may_control_simulator()) {
    reply->set_error(TMX_ERROR_ACCESS_DENIED);
    return grpc::Status::OK;
  }

  std::string out = request->out_data();
  std::optional<std::string> in;
  if (request->has_in_data()) in = request->in_data();
  if (request->in_unread()) in = std::string(in_size, '\0');
  std::string *in_data = in ? &*in : nullptr;
  tmx_dword returned = 0;
  tmx_dword error = TMX_ERROR_SUCCESS;
  // The Tamrix requests, with a whole block, are the ones the service reads.
  RequestBlock block{};
  const bool whole_block = out.size() >= TAMRIX_BLOCK_SIZE;
  if (whole_block) std::copy_n(out.begin(), TAMRIX_BLOCK_SIZE, block.bytes.begin());
  if (code >= TAMRIX_IOCTL_SERVICE_FIRST) {
    if (code == TAMRIX_IOCTL_HOLDER && whole_block) {
      std::shared_lock lock(slots_mutex_);
      AnswerHolder(*session, block, returned);
    } else {
      error =
          code == TAMRIX_IOCTL_HOLDER ? TMX_ERROR_INSUFFICIENT_BUFFER : TMX_ERROR_INVALID_FUNCTION;
    }
  } else if (code == TAMRIX_IOCTL_CREATE && whole_block) {
    std::unique_lock lock(slots_mutex_);
    error = Create(session, block, in_data, in_size, returned);
  } else if (code == TAMRIX_IOCTL_CLOSE && whole_block) {
    std::unique_lock lock(slots_mutex_);
    error = OnSlot(*session, code, block, in_data, in_size, returned);
  } else if (ActsOnOpenSlot(code) && whole_block) {
    std::shared_lock lock(slots_mutex_);
    error = OnSlot(*session, code, block, in_data, in_size, returned);
  } else {
    error =
        Forward(code, out.empty() ? nullptr : out.data(), out.size(), in_data, in_size, returned);
    if (whole_block) std::copy_n(out.begin(), TAMRIX_BLOCK_SIZE, block.bytes.begin());
  }

  reply->set_error(error);
  reply->set_bytes_returned(returned);
  if (error == TMX_ERROR_SUCCESS) {
    if (whole_block) std::copy(block.bytes.begin(), block.bytes.end(), out.begin());
    reply->set_out_data(std::move(out));
    if (in) reply->set_in_data(std::move(*in));
  }
  return grpc::Status::OK;
}

grpc::Status DeviceService::ListSlots(grpc::ServerContext *context, const v1::ListSlotsRequest *,
                                      v1::ListSlotsReply *reply) {
  if (grpc::Status refused = Authorise(context, "a slot list"); !refused.ok()) return refused;
  std::shared_lock lock(slots_mutex_);
  for (std::size_t slot = 0; slot < kSlots; ++slot) {
    if (!owners_[slot]) continue;
    v1::SlotHolder *entry = reply->add_slots();
    entry->set_slot(static_cast<std::uint32_t>(slot));
    entry->set_user(owners_[slot]->holder().user);
    entry->set_pid(owners_[slot]->holder().pid);
    entry->set_host(owners_[slot]->holder().host);
  }
  return grpc::Status::OK;
}

grpc::Status DeviceService::Echo(grpc::ServerContext *context, const v1::ControlRequest *request,
                                 v1::ControlReply *reply) {
  if (grpc::Status refused = Authorise(context, "an echo"); !refused.ok()) return refused;
  if (request->in_size() > kMaxInputBytes) {
    reply->set_error(TMX_ERROR_NOT_ENOUGH_MEMORY);
    return grpc::Status::OK;
  }
  reply->set_out_data(request->out_data());
  if (request->has_in_data()) reply->set_in_data(request->in_data());
  if (request->in_unread()) reply->set_in_data(std::string(request->in_size(), '\0'));
  reply->set_bytes_returned(static_cast<std::uint32_t>(request->out_data().size()));
  return grpc::Status::OK;
}

}  // namespace tamrix::service
