#pragma once

#include <array>
#include <memory>
#include <shared_mutex>
#include <string>

#include "request_block.h"
#include "session_table.h"
#include "tamrix_device.grpc.pb.h"
#include "tamrix_platform/device.h"

namespace tamrix::service {

// Who may do what, from the command line.
struct AccessRules {
  std::string token;                 // bearer token for TCP clients; empty: none accepted
  bool client_certificates = false;  // TCP clients with a trusted certificate pass
  std::string control_token;         // empty: Unix socket sessions may control the simulator
};

// The driver, opened once through the device layer, served to every session.
class DeviceService final : public tamrix::device::v1::Device::Service {
 public:
  DeviceService(HANDLE driver, std::string device, AccessRules rules, std::size_t max_sessions);

  grpc::Status OpenSession(grpc::ServerContext *context,
                           const tamrix::device::v1::OpenSessionRequest *request,
                           grpc::ServerWriter<tamrix::device::v1::SessionEvent> *writer) override;
  grpc::Status Control(grpc::ServerContext *context,
                       const tamrix::device::v1::ControlRequest *request,
                       tamrix::device::v1::ControlReply *reply) override;
  grpc::Status ListSlots(grpc::ServerContext *context,
                         const tamrix::device::v1::ListSlotsRequest *request,
                         tamrix::device::v1::ListSlotsReply *reply) override;
  grpc::Status Echo(grpc::ServerContext *context, const tamrix::device::v1::ControlRequest *request,
                    tamrix::device::v1::ControlReply *reply) override;

 private:
  static constexpr std::size_t kSlots = 16;

  grpc::Status Authorise(grpc::ServerContext *context, const char *call) const;
  // One request to the driver; the platform error code, 0 when carried out.
  tmx_dword Forward(tmx_dword code, void *out, std::size_t out_size, std::string *in,
                    tmx_dword in_size, tmx_dword &returned) const;
  // Under the slot lock: the request as the session may send it.
  tmx_dword Create(const std::shared_ptr<Session> &session, RequestBlock &block, std::string *in,
                   tmx_dword in_size, tmx_dword &returned);
  tmx_dword OnSlot(const Session &session, tmx_dword code, RequestBlock &block, std::string *in,
                   tmx_dword in_size, tmx_dword &returned);
  void AnswerHolder(const Session &session, RequestBlock &block, tmx_dword &returned) const;
  // Stops and closes every slot of the session, then forgets it.
  void End(const std::shared_ptr<Session> &session);

  HANDLE driver_;
  std::string device_;
  AccessRules rules_;
  SessionTable sessions_;

  // Which session opened each slot. Create and Close take it exclusively, so
  // that no other session's request slips between a slot's open and its
  // record; every other request shares it.
  std::shared_mutex slots_mutex_;
  std::array<std::shared_ptr<Session>, kSlots> owners_{};
};

}  // namespace tamrix::service
