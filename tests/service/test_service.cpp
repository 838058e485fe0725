// The board service with its clients: programs and handles that share one
// driver through tamrixd, each with a service of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "cli_process.h"
#include "service_client.h"
#include "service_process.h"
#include "tamrix_service.h"
#include "tamrix_window.h"

namespace {

using namespace std::chrono_literals;
using tamrix::RequestBlock;
using tamrix::testing::DeviceHandle;
using tamrix::testing::Eventually;
using tamrix::testing::ExitCode;
using tamrix::testing::FileText;
using tamrix::testing::ServiceProcess;
using tamrix::testing::SpawnCli;

TEST(Service, HandlesShareOneDriverAndReachOnlyTheSlotsTheyOpened) {
  ServiceProcess service;
  ASSERT_TRUE(service.running()) << service.Log();
  DeviceHandle a(service.unix_uri());
  DeviceHandle b(service.unix_uri());
  ASSERT_TRUE(a.open() && b.open()) << a.open_error() << " " << b.open_error();

  EXPECT_EQ(a.Status(TAMRIX_IOCTL_CREATE, 0), TAMRIX_DRV_OK);
  EXPECT_EQ(b.Status(TAMRIX_IOCTL_CREATE, 0), TAMRIX_DRV_BAD_SLOT) << "claims are system-wide";
  RequestBlock any = DeviceHandle::For(16);
  ASSERT_EQ(b.Send(TAMRIX_IOCTL_CREATE, any), 0u);
  EXPECT_EQ(any.U16(TAMRIX_OFS_ASSIGNED_SLOT), 1) << "the lowest free board";

  // Every request of b for a's slot is answered as for a slot not open.
  EXPECT_EQ(a.Status(TAMRIX_IOCTL_START, 0), TAMRIX_DRV_START_FAILED) << "a's own slot, no mode";
  for (const DWORD code : {TAMRIX_IOCTL_STOP, TAMRIX_IOCTL_SAMPLING_STATUS,
                           TAMRIX_IOCTL_EXTERNAL_INPUTS, TAMRIX_IOCTL_CLOSE}) {
    EXPECT_EQ(b.Status(code, 0), TAMRIX_DRV_BAD_SLOT) << std::hex << code;
  }
  RequestBlock resources = DeviceHandle::For(0);
  resources.PutU16(TAMRIX_RES_NUM_IO_PORTS, 7);
  ASSERT_EQ(b.Send(TAMRIX_IOCTL_RESOURCES, resources), 0u);
  EXPECT_EQ(resources.U16(TAMRIX_OFS_STATUS), TAMRIX_DRV_BAD_SLOT);
  EXPECT_EQ(resources.U16(TAMRIX_RES_NUM_IO_PORTS), 0) << "nothing of a's board";
  EXPECT_EQ(a.Status(TAMRIX_IOCTL_SAMPLING_STATUS, 0), TAMRIX_DRV_OK) << "b's Close did not land";

  // Who holds it, as tamrix-cli list asks.
  RequestBlock holder = DeviceHandle::For(0);
  ASSERT_EQ(b.Send(TAMRIX_IOCTL_HOLDER, holder), 0u);
  EXPECT_EQ(holder.U16(TAMRIX_OFS_STATUS), TAMRIX_DRV_OK);
  EXPECT_EQ(holder.U32(TAMRIX_HOLDER_OFS_PID), static_cast<std::uint32_t>(getpid()));
  EXPECT_NE(holder.bytes[TAMRIX_HOLDER_OFS_USER], 0);
  EXPECT_EQ(a.Status(TAMRIX_IOCTL_HOLDER, 0), TAMRIX_DRV_BAD_SLOT) << "not held by another";

  // The simulator's controls from tamrix-cli act on the board b holds: its
  // ExTrg leaves the pulse train (off within 500 ms) and stays on.
  const std::string sim_errors = service.folder() + "/sim.err";
  ASSERT_EQ(
      ExitCode(SpawnCli(service.unix_uri(), {"sim", "input", "1", "extrg", "on"}, sim_errors)), 0)
      << FileText(sim_errors);
  for (int look = 0; look < 7; ++look) {
    RequestBlock inputs = DeviceHandle::For(1);
    ASSERT_EQ(b.Send(TAMRIX_IOCTL_EXTERNAL_INPUTS, inputs), 0u);
    EXPECT_EQ(inputs.U32(TAMRIX_OFS_EX_TRG), 1u) << "look " << look;
    std::this_thread::sleep_for(100ms);
  }

  EXPECT_EQ(a.Status(TAMRIX_IOCTL_CLOSE, 0), TAMRIX_DRV_OK);
  EXPECT_EQ(b.Status(TAMRIX_IOCTL_CREATE, 0), TAMRIX_DRV_OK) << "closed, free for b";

  struct stat socket_file {};
  ASSERT_EQ(stat(service.unix_uri().substr(5).c_str(), &socket_file), 0);
  EXPECT_EQ(socket_file.st_mode & 0777, 0660u);

  // Ended with both handles still open on their slots.
  EXPECT_TRUE(service.StopsCleanly()) << service.Log();
  EXPECT_NE(service.Log().find("2 slot(s) given back"), std::string::npos) << service.Log();
}

TEST(Service, TheConfiguredTargetDecidesWhatServesTheDevice) {
  // The driver in the process, by default or as a file, knows no service
  // requests; what is not a target is refused.
  for (const std::string target : {"module:", "module:" TAMRIX_DRIVER_MODULE}) {
    DeviceHandle module(target);
    ASSERT_TRUE(module.open()) << target << ": " << module.open_error();
    RequestBlock block = DeviceHandle::For(0);
    EXPECT_EQ(module.Send(TAMRIX_IOCTL_HOLDER, block), TMX_ERROR_INVALID_FUNCTION);
    EXPECT_EQ(module.Send(TAMRIX_IOCTL_VERSION, block), 0u);
  }
  EXPECT_EQ(DeviceHandle("module:/no/such/driver.so").open_error(), TMX_ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DeviceHandle("tcp://127.0.0.1:1").open_error(), TMX_ERROR_PATH_NOT_FOUND);

  ServiceProcess service({"--max-sessions", "1"});
  ASSERT_TRUE(service.running()) << service.Log();
  DeviceHandle first(service.unix_uri());
  ASSERT_TRUE(first.open());
  EXPECT_EQ(DeviceHandle(service.unix_uri()).open_error(), TMX_ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_TRUE(service.LogShows("too many sessions")) << service.Log();
}

TEST(Service, ASecondProgramIsRefusedTheBoardAndAKilledOneGivesItBack) {
  ServiceProcess service;
  ASSERT_TRUE(service.running()) << service.Log();
  const std::string errors = service.folder() + "/cli.err";
  const pid_t first =
      SpawnCli(service.unix_uri(), tamrix::testing::kEndlessRead, service.folder() + "/first.err");
  ASSERT_GT(first, 0);
  DeviceHandle probe(service.unix_uri());
  ASSERT_TRUE(probe.open());
  ASSERT_TRUE(Eventually([&] { return probe.Status(TAMRIX_IOCTL_HOLDER, 0) == TAMRIX_DRV_OK; }))
      << service.Log();

  const pid_t second = SpawnCli(service.unix_uri(), tamrix::testing::kEndlessRead, errors);
  EXPECT_EQ(ExitCode(second), 1);
  EXPECT_NE(FileText(errors).find("TAMRIX_ERR_SLOT"), std::string::npos) << FileText(errors);
  const std::string listed = service.folder() + "/list.out";
  EXPECT_EQ(ExitCode(SpawnCli(service.unix_uri(), {"list"}, errors, listed)), 0)
      << FileText(errors);
  EXPECT_NE(FileText(listed).find("slot 0  in use by "), std::string::npos) << FileText(listed);
  EXPECT_NE(FileText(listed).find("(pid " + std::to_string(first) + " on "), std::string::npos);
  EXPECT_NE(FileText(listed).find("slot 1  driver"), std::string::npos) << "free boards as before";

  kill(first, SIGKILL);
  ExitCode(first);
  EXPECT_TRUE(Eventually([&] { return probe.Status(TAMRIX_IOCTL_CREATE, 0) == TAMRIX_DRV_OK; }))
      << service.Log();
  EXPECT_TRUE(service.LogShows("1 slot(s) given back")) << service.Log();

  // A holder that stops answering, its connection still open, loses its
  // board when its keepalive goes unanswered.
  ASSERT_EQ(probe.Status(TAMRIX_IOCTL_CLOSE, 0), TAMRIX_DRV_OK);
  const pid_t frozen =
      SpawnCli(service.unix_uri(), tamrix::testing::kEndlessRead, service.folder() + "/frozen.err");
  ASSERT_GT(frozen, 0);
  ASSERT_TRUE(Eventually([&] { return probe.Status(TAMRIX_IOCTL_HOLDER, 0) == TAMRIX_DRV_OK; }))
      << service.Log();
  kill(frozen, SIGSTOP);
  EXPECT_TRUE(Eventually([&] { return probe.Status(TAMRIX_IOCTL_CREATE, 0) == TAMRIX_DRV_OK; }))
      << service.Log();
  kill(frozen, SIGKILL);
  ExitCode(frozen);
}

TEST(Service, AServiceThatStopsOrDiesFailsTheNextRequestAndALaterOpenReconnects) {
  auto service = std::make_unique<ServiceProcess>();
  ASSERT_TRUE(service->running()) << service->Log();
  DeviceHandle handle(service->unix_uri());
  ASSERT_TRUE(handle.open());
  ASSERT_EQ(handle.Status(TAMRIX_IOCTL_CREATE, 2), TAMRIX_DRV_OK);

  service->Pause();
  RequestBlock block = DeviceHandle::For(2);
  EXPECT_EQ(handle.Send(TAMRIX_IOCTL_SAMPLING_STATUS, block), TMX_ERROR_SEM_TIMEOUT);
  service->Kill();
  EXPECT_EQ(handle.Send(TAMRIX_IOCTL_SAMPLING_STATUS, block), TMX_ERROR_DEV_NOT_EXIST);
  const std::string gone = service->unix_uri();
  DeviceHandle refused(gone);
  EXPECT_FALSE(refused.open());
  EXPECT_EQ(refused.open_error(), TMX_ERROR_DEV_NOT_EXIST);
  EXPECT_EQ(tmx_device_open_error(TAMRIX_DEVICE_NAME), TMX_ERROR_DEV_NOT_EXIST);

  service = std::make_unique<ServiceProcess>();
  DeviceHandle again(service->unix_uri());
  ASSERT_TRUE(again.open()) << again.open_error();
  EXPECT_EQ(again.Status(TAMRIX_IOCTL_CREATE, 2), TAMRIX_DRV_OK) << "a new driver, slot free";
}

TEST(Service, AUserTheSocketsModeKeepsOutIsDeniedAccessNotToldTheServiceIsGone) {
  ServiceProcess service;
  ASSERT_TRUE(service.running()) << service.Log();
  const std::string uri = service.unix_uri();
  ASSERT_EQ(chmod(uri.substr(5).c_str(), 0), 0);
  // Root passes any mode: the child is nobody then.
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
    DeviceHandle handle(uri);
    _exit(handle.open() ? 101 : static_cast<int>(handle.open_error()));
  }
  EXPECT_EQ(ExitCode(child), static_cast<int>(TMX_ERROR_ACCESS_DENIED));
}

// A run that fills and overflows slot 1's 256-word buffer (mode 3, channel
// 0, 2 us): the notifications in the order they came, then the words.
struct FullRun {
  std::vector<std::uint32_t> messages;
  std::uint32_t overflow_at = 0;
  std::vector<std::uint16_t> words;
};

FullRun RunToOverflow(const DeviceHandle &handle) {
  FullRun run;
  const std::uint32_t window = tmx_window_create();
  EXPECT_EQ(handle.Status(TAMRIX_IOCTL_CREATE, 1, window), TAMRIX_DRV_OK);
  RequestBlock mode = DeviceHandle::For(1);
  mode.PutU16(TAMRIX_OFS_TIMER1_LOW, 40);
  mode.PutU16(TAMRIX_OFS_MODE, 3);
  mode.PutU32(TAMRIX_OFS_BUFFER_WORDS, 256);
  EXPECT_EQ(handle.Send(TAMRIX_IOCTL_SET_MODE, mode), 0u);
  EXPECT_EQ(mode.U16(TAMRIX_OFS_STATUS), TAMRIX_DRV_OK);
  EXPECT_EQ(handle.Status(TAMRIX_IOCTL_START, 1), TAMRIX_DRV_OK);
  std::uint32_t message = 0;
  std::uint32_t wparam = 0;
  while (run.messages.size() < 3 &&
         tmx_window_wait(window, 5000, &message, &wparam, nullptr) == 1) {
    run.messages.push_back(message);
    if (message == TAMRIX_MSG_BUFF_OVERFLOW) run.overflow_at = wparam;
  }
  EXPECT_EQ(handle.Status(TAMRIX_IOCTL_STOP, 1), TAMRIX_DRV_OK);
  run.words.resize(256);
  RequestBlock fetch = DeviceHandle::For(1);
  fetch.PutU32(TAMRIX_OFS_DATA_COUNT, 256);
  EXPECT_EQ(handle.Send(TAMRIX_IOCTL_GET_DATA, fetch, run.words.data(), 512), 0u);
  EXPECT_EQ(fetch.U16(TAMRIX_OFS_STATUS), TAMRIX_DRV_OK);
  EXPECT_EQ(handle.Status(TAMRIX_IOCTL_CLOSE, 1), TAMRIX_DRV_OK);
  tmx_window_destroy(window);
  return run;
}

TEST(Service, NotificationsAndWordsComeThroughAsFromTheDriverInTheProcess) {
  ServiceProcess service;
  ASSERT_TRUE(service.running()) << service.Log();
  const FullRun served = RunToOverflow(DeviceHandle(service.unix_uri()));
  EXPECT_EQ(served.messages,
            (std::vector<std::uint32_t>{TAMRIX_MSG_BUFF_HALF_FULL, TAMRIX_MSG_BUFF_FULL,
                                        TAMRIX_MSG_BUFF_OVERFLOW}));
  EXPECT_EQ(served.overflow_at, 256u) << "parameters pass too";
  const FullRun local = RunToOverflow(DeviceHandle("module:"));
  EXPECT_EQ(served.messages, local.messages);
  EXPECT_EQ(served.words, local.words);
}

TEST(ServiceTls, OnlyClientsWithTheTokenOrATrustedCertificateGetIn) {
  tamrix::testing::TlsService tls;
  ASSERT_TRUE(tls.running()) << "openssl and tamrixd";
  {
    DeviceHandle with_token(tls.Uri("&token=" + tls.File("token")));
    ASSERT_TRUE(with_token.open()) << with_token.open_error() << tls.service().Log();
    EXPECT_EQ(with_token.Status(TAMRIX_IOCTL_CREATE, 5), TAMRIX_DRV_OK);
    DeviceHandle with_certificate(
        tls.Uri("&cert=" + tls.File("client.pem") + "&key=" + tls.File("client.key")));
    ASSERT_TRUE(with_certificate.open()) << with_certificate.open_error();
    EXPECT_EQ(with_certificate.Status(TAMRIX_IOCTL_CREATE, 5), TAMRIX_DRV_BAD_SLOT) << "shared";
  }
  const std::string log_before = tls.service().Log();
  // No credentials, a wrong token: the service refuses. A certificate of
  // another CA: the handshake fails, as with a service out of reach.
  for (const auto &[query, code] :
       {std::pair{std::string(), TMX_ERROR_ACCESS_DENIED},
        std::pair{"&token=" + tls.File("wrong-token"), TMX_ERROR_ACCESS_DENIED},
        std::pair{"&cert=" + tls.File("rogue-client.pem") + "&key=" + tls.File("rogue-client.key"),
                  TMX_ERROR_DEV_NOT_EXIST}}) {
    DeviceHandle refused(tls.Uri(query));
    EXPECT_FALSE(refused.open()) << query;
    EXPECT_EQ(refused.open_error(), code) << query;
  }
  EXPECT_TRUE(tls.service().LogShows("refused a session")) << tls.service().Log();
  EXPECT_TRUE(tls.service().LogShows("TLS handshake failed (certificate verify failed)"))
      << tls.service().Log();
  const std::string log = tls.service().Log();
  EXPECT_EQ(log.find("started", log_before.size()), std::string::npos) << log;
  EXPECT_TRUE(tls.service().StopsCleanly()) << tls.service().Log();
}

}  // namespace
