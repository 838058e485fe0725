// tamrixd: the board service. It opens the driver once, through the device
// layer's own checks, and serves it to every client over gRPC.
#include <grpcpp/grpcpp.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "device_service.h"
#include "grpc_log.h"
#include "listeners.h"
#include "log.h"
#include "options.h"
#include "tamrix_protocol.h"
#include "tamrix_window.h"
#include "uri.h"
#include "wire.h"

namespace {

using namespace tamrix::service;

// The device's name without "\\.\".
constexpr const char *kDevice = &TAMRIX_DEVICE_NAME[4];

// The driver in this process, never another service.
HANDLE OpenDriver(const Options &options) {
  setenv("TAMRIX_DEVICE", ("module:" + options.driver).c_str(), 1);
  if (!options.scenario.empty()) setenv("TAMRIX_SIM_SCENARIO", options.scenario.c_str(), 1);
  HANDLE driver = tmx_create_file(TAMRIX_DEVICE_NAME, 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (driver == INVALID_HANDLE_VALUE) {
    const DWORD code = tmx_device_open_error(TAMRIX_DEVICE_NAME);
    const char *text = tmx_error_text(code);
    Log("cannot open the driver: " + std::string(text ? text : "error") + " (" +
        std::to_string(code) + ")");
  }
  return driver;
}

bool ReadAccessRules(const Options &options, AccessRules &rules) {
  for (const auto &[file, token] : {std::pair{&options.token_file, &rules.token},
                                    std::pair{&options.control_token_file, &rules.control_token}}) {
    if (file->empty()) continue;
    std::optional<std::string> read = ReadToken(*file);
    if (!read) {
      Log("cannot read a token from " + *file);
      return false;
    }
    *token = std::move(*read);
  }
  rules.client_certificates = !options.tls_client_ca.empty();
  return true;
}

void SetServerArguments(grpc::ServerBuilder &builder) {
  // A client that stops answering pings is gone: its session ends.
  builder.AddChannelArgument(GRPC_ARG_KEEPALIVE_TIME_MS, 500);
  builder.AddChannelArgument(GRPC_ARG_KEEPALIVE_TIMEOUT_MS, 1000);
  builder.AddChannelArgument(GRPC_ARG_KEEPALIVE_PERMIT_WITHOUT_CALLS, 1);
  builder.AddChannelArgument(GRPC_ARG_HTTP2_MAX_PINGS_WITHOUT_DATA, 0);
  // The clients ping too.
  builder.AddChannelArgument(GRPC_ARG_HTTP2_MIN_RECV_PING_INTERVAL_WITHOUT_DATA_MS, 500);
  builder.AddChannelArgument(GRPC_ARG_HTTP2_MAX_PING_STRIKES, 0);
  builder.SetMaxReceiveMessageSize(static_cast<int>(2 * kMaxInputBytes));
}

}  // namespace

int main(int argc, char **argv) {
  std::string error;
  const std::optional<Options> options = ParseOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "tamrixd: %s\nTry 'tamrixd --help'.\n", error.c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options->version) {
    std::printf("tamrixd %s\n", TAMRIXD_VERSION);
    return 0;
  }
  LogGrpcMessages();
  AccessRules rules;
  if (!ReadAccessRules(*options, rules)) return 1;

  // The signals that end the service are taken by this thread alone.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  HANDLE driver = OpenDriver(*options);
  if (driver == INVALID_HANDLE_VALUE) return 1;

  DeviceService service(driver, kDevice, rules, options->max_sessions);
  grpc::ServerBuilder builder;
  SetServerArguments(builder);
  std::vector<std::unique_ptr<Listener>> listeners = AddListeners(builder, *options, error);
  if (listeners.empty()) {
    Log(error);
    return 1;
  }
  builder.RegisterService(&service);
  // Sockets are made rw for owner and group only.
  const mode_t mask = umask(0117);
  std::unique_ptr<grpc::Server> server = builder.BuildAndStart();
  umask(mask);
  if (!server) {
    Log("cannot listen on the addresses given");
    return 1;
  }
  AnnounceListeners(listeners);

  int signal_number = 0;
  sigwait(&stop_signals, &signal_number);
  Log("stopping");
  // Streams see the cancellation and give their slots back.
  server->Shutdown(std::chrono::system_clock::now() + std::chrono::seconds(2));
  server->Wait();
  for (const auto &listener : listeners) {
    if (!listener->uri.tls) unlink(listener->uri.path.c_str());
  }
  tmx_close_handle(driver);
  return 0;
}
