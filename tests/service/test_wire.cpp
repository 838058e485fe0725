// The service's wire seen by a client written by hand, as a third party
// would write one from the .proto: it gets only what it is entitled to. No
// handle of the device layer is opened here, whose forwarding module holds
// the same messages.
#include <grpcpp/grpcpp.h>
#include <gtest/gtest.h>

#include <fstream>

#include "cli_process.h"
#include "request_block.h"
#include "service_process.h"
#include "tamrix_device.grpc.pb.h"
#include "tamrix_platform/types.h"
#include "tamrix_protocol.h"
#include "tamrix_service.h"

namespace {

using namespace std::chrono_literals;
using tamrix::RequestBlock;
using tamrix::testing::Eventually;
using tamrix::testing::ExitCode;
using tamrix::testing::kEndlessRead;
using tamrix::testing::ServiceProcess;
using tamrix::testing::SpawnCli;
namespace v1 = tamrix::device::v1;

RequestBlock For(std::uint16_t slot) {
  RequestBlock block{};
  block.PutU16(TAMRIX_OFS_SLOT, slot);
  return block;
}

TEST(ServiceWire, AHandMadeClientGetsNothingItWasNotGiven) {
  const std::string token_file = "/tmp/tamrixd-test-control-token";
  std::ofstream(token_file) << "sim-secret\n";
  ServiceProcess service({"--control-token-file", token_file});
  std::remove(token_file.c_str());
  ASSERT_TRUE(service.running()) << service.Log();
  auto stub = v1::Device::NewStub(
      grpc::CreateChannel(service.unix_uri(), grpc::InsecureChannelCredentials()));
  const auto held = [&] {
    grpc::ClientContext context;
    v1::ListSlotsReply slots;
    return stub->ListSlots(&context, {}, &slots).ok() ? slots : v1::ListSlotsReply();
  };
  // Another program holds slot 0.
  const pid_t holder = SpawnCli(service.unix_uri(), kEndlessRead, "/dev/null");
  ASSERT_TRUE(Eventually([&] { return held().slots_size() == 1; })) << service.Log();
  EXPECT_EQ(held().slots(0).slot(), 0u);
  EXPECT_EQ(held().slots(0).pid(), static_cast<std::uint32_t>(holder));
  grpc::ClientContext stream_context;
  v1::OpenSessionRequest open;
  open.set_device("tamrix.vxd");
  auto stream = stub->OpenSession(&stream_context, open);
  v1::SessionEvent started;
  ASSERT_TRUE(stream->Read(&started) && started.has_started());

  const auto control = [&](const std::string &id, std::uint32_t code, std::uint16_t slot,
                           v1::ControlReply &reply) {
    RequestBlock block = For(slot);
    v1::ControlRequest request;
    request.set_session_id(id);
    request.set_code(code);
    request.set_out_data(block.bytes.data(), block.bytes.size());
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + 5s);
    return stub->Control(&context, request, &reply);
  };
  const auto status_of = [](const v1::ControlReply &reply) {
    return reply.out_data().size() > TAMRIX_OFS_STATUS + 1
               ? static_cast<std::uint16_t>(
                     static_cast<std::uint8_t>(reply.out_data()[TAMRIX_OFS_STATUS]) |
                     (static_cast<std::uint8_t>(reply.out_data()[TAMRIX_OFS_STATUS + 1]) << 8))
               : 0xFFFF;
  };
  const std::string id = started.started().session_id();
  EXPECT_EQ(id.size(), 16u);
  for (const std::uint32_t code : {TAMRIX_IOCTL_CREATE, TAMRIX_IOCTL_CLOSE, TAMRIX_IOCTL_STOP}) {
    v1::ControlReply reply;
    ASSERT_TRUE(control(id, code, 0, reply).ok());
    EXPECT_EQ(reply.error(), 0u);
    EXPECT_EQ(status_of(reply), TAMRIX_DRV_BAD_SLOT) << std::hex << code;
  }
  v1::ControlReply reply;
  EXPECT_EQ(control(std::string(16, 'x'), TAMRIX_IOCTL_CLOSE, 0, reply).error_code(),
            grpc::StatusCode::NOT_FOUND)
      << "a guessed session";
  ASSERT_TRUE(control(id, TAMRIX_IOCTL_PRIVATE_FIRST, 0, reply).ok());
  EXPECT_EQ(reply.error(), TMX_ERROR_ACCESS_DENIED) << "no control token";

  // An absurd buffer is refused, not allocated.
  v1::ControlRequest huge;
  huge.set_session_id(id);
  huge.set_code(TAMRIX_IOCTL_GET_DATA);
  huge.set_in_size(0xFFFFFFFFu);
  huge.set_out_data(std::string(TAMRIX_BLOCK_SIZE, '\0'));
  grpc::ClientContext context;
  ASSERT_TRUE(stub->Control(&context, huge, &reply).ok());
  EXPECT_EQ(reply.error(), TMX_ERROR_NOT_ENOUGH_MEMORY);

  EXPECT_EQ(held().slots_size(), 1) << "still the other program's";

  // What a client says of itself is shown, never a control character.
  grpc::ClientContext forged_context;
  v1::OpenSessionRequest forged;
  forged.set_device("TAMRIX.VXD");
  forged.set_user("mallory\ntamrixd: session 0 ended");
  forged.set_host(std::string(500, 'h'));
  auto forged_stream = stub->OpenSession(&forged_context, forged);
  ASSERT_TRUE(forged_stream->Read(&started));
  EXPECT_TRUE(service.LogShows("mallory?tamrixd: session 0 ended, pid 0 on hhh")) << service.Log();
  EXPECT_EQ(service.Log().find(std::string(64, 'h')), std::string::npos);
  forged_context.TryCancel();
  stream_context.TryCancel();
  kill(holder, SIGKILL);
  ExitCode(holder);
}

TEST(ServiceWire, PlainTcpIsRefusedBeforeAnythingReachesTheDriver) {
  tamrix::testing::TlsService tls;
  ASSERT_TRUE(tls.running()) << "openssl and tamrixd";
  auto stub = v1::Device::NewStub(grpc::CreateChannel(
      "127.0.0.1:" + std::to_string(tls.service().port()), grpc::InsecureChannelCredentials()));
  grpc::ClientContext context;
  context.set_deadline(std::chrono::system_clock::now() + 5s);
  v1::OpenSessionRequest open;
  open.set_device("TAMRIX.VXD");
  auto stream = stub->OpenSession(&context, open);
  v1::SessionEvent event;
  EXPECT_FALSE(stream->Read(&event));
  EXPECT_FALSE(stream->Finish().ok());
  EXPECT_EQ(tls.service().Log().find("started"), std::string::npos) << tls.service().Log();
  EXPECT_TRUE(tls.service().LogShows("refused a connection: TLS handshake failed"))
      << tls.service().Log();
}

}  // namespace
