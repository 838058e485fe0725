// Requests through the board service, each beside a bare gRPC call of the
// same size on the same address in the same run:
// - StopSampling through library, device layer, Unix socket, tamrixd and
//   driver, against the service's Echo (no session, no driver) carrying the
//   same session id and 290-byte block;
// - GetData of 65,536 words through the device layer over TLS on loopback,
//   against an Echo of the same sizes (the block up, 128 KiB back).
// Each benchmark times every call and reports the median and the 99th
// percentile as counters (microseconds).
//
// The bare calls go through gRPC's generic stub with the request encoded
// here: the program holds no generated message code, which the forwarding
// module it loads holds already.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <grpcpp/generic/generic_stub.h>
#include <grpcpp/grpcpp.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "request_block.h"
#include "service_process.h"
#include "tamrix.h"
#include "tamrix_platform/device.h"
#include "tamrix_window.h"

namespace {

using Clock = std::chrono::steady_clock;
using tamrix::testing::TlsService;

std::string FileText(const std::string &path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Times one call per iteration; median and 99th percentile as counters.
template <typename Call>
void TimeEach(benchmark::State &state, Call call) {
  std::vector<double> micros;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!call()) {
      state.SkipWithError("the call failed");
      return;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

// A ControlRequest in protobuf's wire form: bytes fields 1 and 3, varint
// fields 2, 5 and 6 (tamrix_device.proto).
void Varint(std::string &out, std::uint64_t value) {
  do {
    out += static_cast<char>((value & 0x7F) | (value > 0x7F ? 0x80 : 0));
    value >>= 7;
  } while (value != 0);
}
void Bytes(std::string &out, int field, const std::string &bytes) {
  Varint(out, static_cast<std::uint64_t>(field) << 3 | 2);
  Varint(out, bytes.size());
  out += bytes;
}
grpc::ByteBuffer ControlRequest(std::uint32_t code, std::size_t out_size, std::size_t in_size) {
  std::string wire;
  Bytes(wire, 1, std::string(16, 's'));
  Varint(wire, 2 << 3);
  Varint(wire, code);
  Bytes(wire, 3, std::string(out_size, '\0'));
  if (in_size > 0) {  // as get data sends it: the size, not the buffer
    Varint(wire, 5 << 3);
    Varint(wire, in_size);
    Varint(wire, 6 << 3);
    Varint(wire, 1);
  }
  grpc::Slice slice(wire);
  return grpc::ByteBuffer(&slice, 1);
}

class BareEcho {
 public:
  BareEcho(const std::shared_ptr<grpc::Channel> &channel, std::string token = "")
      : stub_(channel), token_(std::move(token)) {}
  bool Call(const grpc::ByteBuffer &request) {
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(2));
    if (!token_.empty()) context.AddMetadata("authorization", "Bearer " + token_);
    auto call = stub_.PrepareUnaryCall(&context, "/tamrix.device.v1.Device/Echo", request, &queue_);
    call->StartCall();
    grpc::ByteBuffer reply;
    grpc::Status status;
    call->Finish(&reply, &status, this);
    void *tag = nullptr;
    bool ok = false;
    return queue_.Next(&tag, &ok) && ok && status.ok() && reply.Length() > TAMRIX_BLOCK_SIZE;
  }

 private:
  grpc::GenericStub stub_;
  std::string token_;
  grpc::CompletionQueue queue_;
};

// The service, the library loaded against it with slot 0 open, and a TLS
// handle with slot 1 sampling; made once for every benchmark.
struct Setup {
  Setup() {
    if (!tls.running()) return;
    setenv("TAMRIX_DEVICE", tls.service().unix_uri().c_str(), 1);
    library = dlopen(TAMRIX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return;
    auto create = reinterpret_cast<decltype(&TamrixCreate)>(dlsym(library, "TamrixCreate"));
    stop = reinterpret_cast<decltype(&TamrixStopSampling)>(dlsym(library, "TamrixStopSampling"));
    std::uint16_t slot = 0;
    if (create == nullptr || stop == nullptr || create(&slot, 0, nullptr) != 1) stop = nullptr;

    setenv("TAMRIX_DEVICE", tls.Uri("&token=" + tls.File("token")).c_str(), 1);
    remote = tmx_create_file(TAMRIX_DEVICE_NAME, 0, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (remote == INVALID_HANDLE_VALUE || Send(TAMRIX_IOCTL_CREATE, 1) != 0) return;
    // Slot 1: all sixteen channels at 2 us into a 262,144-word buffer.
    tamrix::RequestBlock mode = Block(1);
    mode.PutU16(TAMRIX_OFS_TIMER1_LOW, 40);
    mode.PutU16(TAMRIX_OFS_CH_LAST, 15);
    mode.PutU16(TAMRIX_OFS_MODE, 3);
    mode.PutU32(TAMRIX_OFS_BUFFER_WORDS, 262144);
    DWORD returned = 0;
    tls_ready = tmx_device_io_control(remote, TAMRIX_IOCTL_SET_MODE, nullptr, 0, mode.bytes.data(),
                                      TAMRIX_BLOCK_SIZE, &returned, nullptr) &&
                Send(TAMRIX_IOCTL_START, 1) == 0;
  }
  static tamrix::RequestBlock Block(std::uint16_t slot) {
    tamrix::RequestBlock block{};
    block.PutU16(TAMRIX_OFS_SLOT, slot);
    return block;
  }
  // The driver's status word, 0xFFFF when not carried out.
  std::uint32_t Send(DWORD code, std::uint16_t slot, void *in = nullptr, DWORD in_size = 0,
                     std::uint32_t count = 0, std::uint32_t *waiting = nullptr) const {
    tamrix::RequestBlock block = Block(slot);
    block.PutU32(TAMRIX_OFS_DATA_COUNT, count);
    DWORD returned = 0;
    if (!tmx_device_io_control(remote, code, in, in_size, block.bytes.data(), TAMRIX_BLOCK_SIZE,
                               &returned, nullptr)) {
      return 0xFFFF;
    }
    if (waiting != nullptr) *waiting = block.U32(TAMRIX_OFS_NUM_DATA);
    return block.U16(TAMRIX_OFS_STATUS);
  }

  TlsService tls;
  void *library = nullptr;
  decltype(&TamrixStopSampling) stop = nullptr;
  HANDLE remote = INVALID_HANDLE_VALUE;
  bool tls_ready = false;
};

// Made by the first benchmark, ended by main after the last.
std::unique_ptr<Setup> &SharedSlot() {
  static std::unique_ptr<Setup> setup;
  return setup;
}
Setup &Shared() {
  if (!SharedSlot()) SharedSlot() = std::make_unique<Setup>();
  return *SharedSlot();
}

void BM_StopSamplingThroughService(benchmark::State &state) {
  Setup &setup = Shared();
  if (setup.stop == nullptr) return state.SkipWithError("no service or library");
  TimeEach(state, [&] { return setup.stop(0) == 1; });
}
BENCHMARK(BM_StopSamplingThroughService)->Iterations(20000)->UseRealTime();

void BM_BareUnaryCallOfTheSameSize(benchmark::State &state) {
  Setup &setup = Shared();
  if (!setup.tls.running()) return state.SkipWithError("no service");
  BareEcho echo(
      grpc::CreateChannel(setup.tls.service().unix_uri(), grpc::InsecureChannelCredentials()));
  const grpc::ByteBuffer request = ControlRequest(TAMRIX_IOCTL_STOP, TAMRIX_BLOCK_SIZE, 0);
  TimeEach(state, [&] { return echo.Call(request); });
}
BENCHMARK(BM_BareUnaryCallOfTheSameSize)->Iterations(20000)->UseRealTime();

constexpr std::uint32_t kWords = 65536;

void BM_GetData65536WordsOverTls(benchmark::State &state) {
  Setup &setup = Shared();
  if (!setup.tls_ready) return state.SkipWithError("no TLS session");
  std::vector<std::uint16_t> words(kWords);
  std::vector<double> micros;
  for (auto _ : state) {
    state.PauseTiming();
    std::uint32_t waiting = 0;
    while (setup.Send(TAMRIX_IOCTL_SAMPLING_STATUS, 1, nullptr, 0, 0, &waiting) == 0 &&
           waiting < kWords) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    state.ResumeTiming();
    const auto start = Clock::now();
    if (setup.Send(TAMRIX_IOCTL_GET_DATA, 1, words.data(), 2 * kWords, kWords) != 0) {
      return state.SkipWithError("GetData failed");
    }
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}
BENCHMARK(BM_GetData65536WordsOverTls)->Iterations(30)->UseRealTime();

void BM_BareTlsCallOfTheSameSize(benchmark::State &state) {
  Setup &setup = Shared();
  if (!setup.tls.running()) return state.SkipWithError("no service");
  grpc::SslCredentialsOptions options;
  options.pem_root_certs = FileText(setup.tls.File("ca.pem"));
  std::string token = FileText(setup.tls.File("token"));
  token.resize(token.find('\n'));
  BareEcho echo(grpc::CreateChannel("127.0.0.1:" + std::to_string(setup.tls.service().port()),
                                    grpc::SslCredentials(options)),
                token);
  const grpc::ByteBuffer request =
      ControlRequest(TAMRIX_IOCTL_GET_DATA, TAMRIX_BLOCK_SIZE, 2 * kWords);
  TimeEach(state, [&] { return echo.Call(request); });
}
BENCHMARK(BM_BareTlsCallOfTheSameSize)->Iterations(300)->UseRealTime();

// The CPU time a process has used, from /proc.
double CpuSeconds(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stod(field);  // utime, stime
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// One client's whole run: a board of its own, all sixteen channels at 2 us
// into a 262,144-word buffer, drained by GetData at each half-full
// notification; a word lost breaks the channel sequence.
struct BoardReader {
  HANDLE device = INVALID_HANDLE_VALUE;
  std::uint32_t window = 0;
  std::uint16_t slot = 0;
  std::uint64_t words = 0;
  std::uint64_t breaks = 0;
  std::uint64_t half_full = 0;
  std::uint64_t other_notifications = 0;
  std::uint32_t bits = 0;
  bool failed = false;

  std::uint16_t Send(DWORD code, tamrix::RequestBlock &block, void *in = nullptr,
                     DWORD in_size = 0) {
    DWORD returned = 0;
    if (!tmx_device_io_control(device, code, in, in_size, block.bytes.data(), TAMRIX_BLOCK_SIZE,
                               &returned, nullptr)) {
      failed = true;
      return 0xFFFF;
    }
    return block.U16(TAMRIX_OFS_STATUS);
  }
  void Run(std::chrono::seconds length) {
    tamrix::RequestBlock block = Setup::Block(slot);
    block.PutU32(TAMRIX_OFS_WINDOW, window);
    if (Send(TAMRIX_IOCTL_CREATE, block) != 0) return void(failed = true);
    block = Setup::Block(slot);
    block.PutU16(TAMRIX_OFS_TIMER1_LOW, 40);
    block.PutU16(TAMRIX_OFS_CH_LAST, 15);
    block.PutU16(TAMRIX_OFS_MODE, 3);
    block.PutU32(TAMRIX_OFS_BUFFER_WORDS, 262144);
    if (Send(TAMRIX_IOCTL_SET_MODE, block) != 0) return void(failed = true);
    block = Setup::Block(slot);
    if (Send(TAMRIX_IOCTL_START, block) != 0) return void(failed = true);
    std::vector<std::uint16_t> buffer(65536);
    int expected_channel = 0;
    const auto end = Clock::now() + length;
    // As a program reads: on each half-full notification it drains the
    // buffer, which re-arms the next. A notification lost would leave the
    // buffer to fill: a full or overflow notification, and words lost.
    while (Clock::now() < end && !failed) {
      std::uint32_t message = 0;
      const int taken = tmx_window_wait(window, 1000, &message, nullptr, nullptr);
      if (taken < 0) return void(failed = true);
      if (taken == 0) continue;
      if (message != TAMRIX_MSG_BUFF_HALF_FULL) {
        ++other_notifications;
        continue;
      }
      ++half_full;
      while (!failed) {
        block = Setup::Block(slot);
        Send(TAMRIX_IOCTL_SAMPLING_STATUS, block);
        bits |= block.U32(TAMRIX_OFS_SAMPLING_BITS);
        const std::uint32_t waiting =
            std::min<std::uint32_t>(block.U32(TAMRIX_OFS_NUM_DATA), 65536);
        if (waiting == 0) break;
        block = Setup::Block(slot);
        block.PutU32(TAMRIX_OFS_DATA_COUNT, waiting);
        if (Send(TAMRIX_IOCTL_GET_DATA, block, buffer.data(), 2 * waiting) != 0) failed = true;
        for (std::uint32_t i = 0; i < waiting; ++i) {
          const int channel = buffer[i] >> 12;
          if (channel != expected_channel) ++breaks;
          expected_channel = (channel + 1) % 16;
        }
        words += waiting;
        // Less than a whole fetch was waiting: drained, the next half-full
        // is a new one.
        if (waiting < 65536) break;
      }
    }
    block = Setup::Block(slot);
    Send(TAMRIX_IOCTL_STOP, block);
    block = Setup::Block(slot);
    Send(TAMRIX_IOCTL_CLOSE, block);
  }
};

// Every simulated board sampling sixteen channels at its fastest, each read
// by its own session for TAMRIX_BENCH_SECONDS (60 by default): words read,
// words lost (a break in the channel sequence, or the driver's lost-words
// bit), the notifications, and the service's share of one core.
void BM_FourBoardsEachReadByItsOwnClient(benchmark::State &state) {
  Setup &setup = Shared();
  if (!setup.tls.running()) return state.SkipWithError("no service");
  const char *seconds = std::getenv("TAMRIX_BENCH_SECONDS");
  const std::chrono::seconds length(seconds != nullptr ? std::atoi(seconds) : 60);
  for (auto _ : state) {
    std::vector<BoardReader> readers(4);
    const std::uint16_t slots[] = {0, 1, 2, 5};
    // Slot 0 and 1 are the other benchmarks': their sessions let them go.
    setup.Send(TAMRIX_IOCTL_STOP, 1);
    setup.Send(TAMRIX_IOCTL_CLOSE, 1);
    if (setup.stop != nullptr) {
      auto close = reinterpret_cast<decltype(&TamrixClose)>(dlsym(setup.library, "TamrixClose"));
      close(0);
    }
    setenv("TAMRIX_DEVICE", setup.tls.service().unix_uri().c_str(), 1);
    for (std::size_t i = 0; i < readers.size(); ++i) {
      readers[i].slot = slots[i];
      readers[i].window = tmx_window_create();
      readers[i].device =
          tmx_create_file(TAMRIX_DEVICE_NAME, 0, 0, nullptr, CREATE_NEW, 0, nullptr);
    }
    const double cpu_before = CpuSeconds(setup.tls.service().pid());
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (BoardReader &reader : readers)
      threads.emplace_back([&reader, length] { reader.Run(length); });
    for (std::thread &thread : threads) thread.join();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = CpuSeconds(setup.tls.service().pid()) - cpu_before;
    std::uint64_t words = 0, breaks = 0, half_full = 0, other_notifications = 0;
    bool lost_bit = false, failed = false;
    for (BoardReader &reader : readers) {
      words += reader.words;
      breaks += reader.breaks;
      half_full += reader.half_full;
      other_notifications += reader.other_notifications;
      lost_bit = lost_bit || (reader.bits & 0x10) != 0;
      failed = failed || reader.failed;
      tmx_close_handle(reader.device);
      tmx_window_destroy(reader.window);
    }
    if (failed) return state.SkipWithError("a request failed");
    state.counters["words_per_board"] = static_cast<double>(words) / 4;
    state.counters["breaks"] = static_cast<double>(breaks);
    state.counters["lost_bit"] = lost_bit ? 1 : 0;
    // One half-full notification per 131,072 words read when none is lost.
    state.counters["half_full"] = static_cast<double>(half_full);
    state.counters["half_full_per_half_buffer"] =
        static_cast<double>(half_full) / (static_cast<double>(words) / 131072);
    state.counters["other_notifications"] = static_cast<double>(other_notifications);
    state.counters["service_core_pct"] = 100 * cpu / wall;
  }
}
BENCHMARK(BM_FourBoardsEachReadByItsOwnClient)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

// The service and its certificates go with the run: its sessions end
// first, then the service, then its folders.
int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (Setup *setup = SharedSlot().get(); setup != nullptr) {
    if (setup->remote != INVALID_HANDLE_VALUE) tmx_close_handle(setup->remote);
    if (setup->library != nullptr) dlclose(setup->library);
  }
  SharedSlot().reset();
  return 0;
}
