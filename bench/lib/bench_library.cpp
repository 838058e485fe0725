// What the library adds to one request: an export's work against a device
// that answers at once, beside the device's own cost and a bare call.
#include <benchmark/benchmark.h>

#include "library.h"

namespace {

class InstantDevice final : public tamrix::DeviceChannel {
 public:
  tamrix::DeviceHandle Open(const char *) override { return reinterpret_cast<void *>(1); }
  bool Send(tamrix::DeviceHandle, std::uint32_t code, void *, std::uint32_t,
            tamrix::RequestBlock &block) override {
    block.PutU16(TAMRIX_OFS_STATUS, 0);
    block.PutU16(TAMRIX_OFS_ASSIGNED_SLOT, 0);
    benchmark::DoNotOptimize(code);
    return true;
  }
  void Close(tamrix::DeviceHandle) override {}
  std::int32_t LastError() override { return 0; }
};

[[gnu::noinline]] std::int32_t BareCall(std::uint32_t slot) {
  benchmark::DoNotOptimize(slot);
  return 1;
}

void BM_BareFunctionCall(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(BareCall(0));
}
BENCHMARK(BM_BareFunctionCall);

void BM_DeviceAlone(benchmark::State &state) {
  InstantDevice device;
  tamrix::DeviceChannel &channel = device;
  for (auto _ : state) {
    tamrix::RequestBlock block{};
    benchmark::DoNotOptimize(channel.Send(nullptr, TAMRIX_IOCTL_STOP, nullptr, 0, block));
    benchmark::DoNotOptimize(block);
  }
}
BENCHMARK(BM_DeviceAlone);

// A library whose slot 0 is open on the instant device.
struct OpenSlot {
  OpenSlot() {
    library.Attach();
    std::uint16_t slot = 0;
    library.Create(&slot, 0, nullptr);
  }
  InstantDevice device;
  tamrix::Library library{device};
};

void BM_StopSamplingThroughLibrary(benchmark::State &state) {
  OpenSlot open;
  for (auto _ : state) benchmark::DoNotOptimize(open.library.StopSampling(0));
}
BENCHMARK(BM_StopSamplingThroughLibrary);

void BM_SetModeThroughLibrary(benchmark::State &state) {
  OpenSlot open;
  const ModeRecord mode{0, 3, 4096, 2500, 10};
  for (auto _ : state) benchmark::DoNotOptimize(open.library.SetMode(0, &mode));
}
BENCHMARK(BM_SetModeThroughLibrary);

void BM_GetLastError(benchmark::State &state) {
  InstantDevice device;
  tamrix::Library library(device);
  for (auto _ : state) benchmark::DoNotOptimize(library.GetLastError(3));
}
BENCHMARK(BM_GetLastError);

}  // namespace

BENCHMARK_MAIN();
