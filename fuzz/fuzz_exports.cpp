// The eleven exports of the built library against the simulated driver, in
// random order with random arguments that are valid for memory (every buffer
// an exact-size heap object for the count it is given). Each input loads the
// library through the platform's loader, so the driver is loaded with it and
// its sampling threads run while the calls go on; at the end the slots are
// closed or not, the library is released, and no thread may be left.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fuzz_report.h"
#include "tamrix.h"
#include "tamrix_platform/loader.h"
#include "tamrix_platform/messages.h"

#ifndef TAMRIX_FUZZ_MODULE_DIR
#error "TAMRIX_FUZZ_MODULE_DIR must name the folder of the library and the driver"
#endif

namespace {

using fuzz_report::Fail;
using fuzz_report::trace;

// Successful calls by name over the whole run, printed at exit to show how
// deep the run went (sampling started, data fetched).
std::map<std::string, long> &Successes() {
  static auto *successes = new std::map<std::string, long>;
  return *successes;
}
void PrintSuccesses() {
  std::fprintf(stderr, "exports fuzz: successful calls:");
  for (const auto &[call, count] : Successes())
    std::fprintf(stderr, " %s=%ld", call.c_str(), count);
  std::fprintf(stderr, "\n");
}

int Threads() {
  int count = 0;
  for ([[maybe_unused]] const auto &entry :
       std::filesystem::directory_iterator("/proc/self/task")) {
    ++count;
  }
  return count;
}

struct Exports {
  decltype(&TamrixCreate) Create;
  decltype(&TamrixClose) Close;
  decltype(&TamrixGetVersion) GetVersion;
  decltype(&TamrixGetResource) GetResource;
  decltype(&TamrixSetMode) SetMode;
  decltype(&TamrixStartSampling) StartSampling;
  decltype(&TamrixStopSampling) StopSampling;
  decltype(&TamrixGetSamplingStatus) GetSamplingStatus;
  decltype(&TamrixGetData) GetData;
  decltype(&TamrixGetLastError) GetLastError;
  decltype(&TamrixGetExIn) GetExIn;
};

template <typename F>
void Resolve(HMODULE module, const char *name, F &out) {
  out = reinterpret_cast<F>(GetProcAddress(module, name));
  if (out == nullptr) Fail("the library lacks %s", name);
}

Exports ResolveAll(HMODULE module) {
  Exports e{};
  Resolve(module, "TamrixCreate", e.Create);
  Resolve(module, "TamrixClose", e.Close);
  Resolve(module, "TamrixGetVersion", e.GetVersion);
  Resolve(module, "TamrixGetResource", e.GetResource);
  Resolve(module, "TamrixSetMode", e.SetMode);
  Resolve(module, "TamrixStartSampling", e.StartSampling);
  Resolve(module, "TamrixStopSampling", e.StopSampling);
  Resolve(module, "TamrixGetSamplingStatus", e.GetSamplingStatus);
  Resolve(module, "TamrixGetData", e.GetData);
  Resolve(module, "TamrixGetLastError", e.GetLastError);
  Resolve(module, "TamrixGetExIn", e.GetExIn);
  return e;
}

// The windows the driver may post to; one queue for the whole run.
tmx::platform::MessageQueue &Queue() {
  static auto *queue = new tmx::platform::MessageQueue;
  return *queue;
}
const std::array<HWND, 3> &Windows() {
  static const std::array<HWND, 3> windows{
      Queue().CreateWindowHandle(), Queue().CreateWindowHandle(), Queue().CreateWindowHandle()};
  return windows;
}

// What the library and the platform beneath it may report: the library's
// codes (the driver's statuses 1..8 arrive translated) and the platform
// codes of a request the device layer or the driver did not carry out.
bool Allowed(std::int32_t code) {
  if (code >= -2 && code <= 3) return true;
  if (code >= 100 && code <= 109) return true;
  for (std::int32_t platform : {6, 8, 31, 87, 122}) {
    if (code == platform) return true;
  }
  return false;
}

struct SlotState {
  // As the library records it: BuffSize of the latest SetMode that passed
  // its own checks.
  std::uint32_t recorded_size = 0;
  // Channels any accepted mode of this input sampled, and the largest buffer.
  std::uint32_t channels = 0;  // bit c: channel c
  std::uint32_t largest_buffer = 0;
};

class Session {
 public:
  Session(FuzzedDataProvider &in, const Exports &tamrix) : in_(in), x_(tamrix) {}

  void Run() {
    // The op is offset by the step, so that a run of equal bytes walks
    // through a session in a sensible order instead of repeating one call.
    for (int step = 0; step < 40 && in_.remaining_bytes() > 0; ++step) {
      switch ((in_.ConsumeIntegral<std::uint8_t>() + step) % 15) {
        case 0: Create(); break;
        case 1: SetMode(); break;
        case 2: Start(); break;
        case 3: Pause(); break;
        case 4: SamplingStatus(); break;
        case 5: FetchWhatWaits(); break;
        case 6: GetData(); break;
        case 7: GetExIn(); break;
        case 8: GetResource(); break;
        case 9: Stop(); break;
        case 10: Close(); break;
        case 11: GetVersion(); break;
        case 12: LastError(); break;
        case 13: Pump(); break;
        default: StartABoard(); break;
      }
    }
    if (in_.ConsumeBool()) {
      for (std::uint32_t slot = 0; slot < 16; ++slot) Result("Close", x_.Close(slot), slot);
    }
    Pump();
  }

 private:
  // Mostly the slot of the latest successful create, so calls build on it.
  std::uint32_t Slot() {
    switch (in_.ConsumeIntegralInRange(0, 7)) {
      case 0:
      case 1:
      case 2:
        if (last_created_) return *last_created_;
        [[fallthrough]];
      case 5: return in_.ConsumeIntegralInRange(0u, 15u);
      case 6:
        return in_.ConsumeIntegralInRange(0u, 15u) |
               (in_.ConsumeIntegralInRange(1u, 0xFFFFu) << 16);
      case 7: return in_.ConsumeIntegral<std::uint32_t>();
      default: {
        constexpr std::uint32_t kFitted[] = {0, 1, 2, 5};
        return kFitted[in_.ConsumeIntegralInRange(0, 3)];
      }
    }
  }

  std::uint32_t Pick(std::initializer_list<std::uint32_t> interesting) {
    const auto pick = in_.ConsumeIntegralInRange<std::size_t>(0, interesting.size());
    if (pick == interesting.size()) return in_.ConsumeIntegral<std::uint32_t>();
    return interesting.begin()[pick];
  }

  // Checks the result and the code left behind: 1 exactly when the code is
  // 0, every code from the allowed set, a bad slot always 100. `read` is the
  // slot whose code tells the outcome; none for GetVersion, whose success
  // leaves the slots' own codes showing.
  void Result(const char *call, std::int32_t result, std::uint32_t slot,
              std::optional<std::uint16_t> read) {
    trace.push_back(std::string(call) + "(" + std::to_string(slot) + ") -> " +
                    std::to_string(result));
    if (result != 0 && result != 1) Fail("%s gave %d", call, result);
    if (result == 1) ++Successes()[call];
    const std::int32_t code = x_.GetLastError(read.value_or(0));
    if (!Allowed(code)) Fail("%s left the code %d, which nothing produces", call, code);
    if (!read && result == 1) return;
    if ((result == 1) != (code == 0)) Fail("%s gave %d but left the code %d", call, result, code);
  }
  void Result(const char *call, std::int32_t result, std::uint32_t slot) {
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    Result(call, result, slot, n < 16 ? n : 0);
    if (n >= 16 && x_.GetLastError(0) != TAMRIX_ERR_SLOT)
      Fail("%s on slot %u does not leave 100", call, slot);
  }

  void Create() {
    auto slot = std::make_unique<std::uint16_t>(
        static_cast<std::uint16_t>(Pick({0xFFFF, 0, 1, 2, 3, 5, 16})));
    const std::uint16_t asked = *slot;
    const HWND window = in_.ConsumeBool() ? Windows()[in_.ConsumeIntegralInRange(0, 2)]
                                          : in_.ConsumeIntegral<std::uint32_t>();
    auto scratch = std::make_unique<std::uint16_t>(0x7E7E);
    const std::int32_t result = x_.Create(slot.get(), window, scratch.get());
    Result("Create", result, asked, result == 1 ? *slot : 0);
    if (*scratch != 0x7E7E) Fail("create wrote into the reserved argument");
    if (result == 1) {
      if (*slot >= 16) Fail("create assigned slot %u", *slot);
      given_windows_.insert(window);
      last_created_ = *slot;
    } else if (*slot != asked) {
      Fail("a failed create changed the slot variable");
    }
  }

  void Close() {
    const std::uint32_t slot = Slot();
    Result("Close", x_.Close(slot), slot);
  }

  void GetVersion() {
    auto library = std::make_unique<std::uint32_t>(0);
    auto driver = std::make_unique<std::uint32_t>(0);
    const std::int32_t result = x_.GetVersion(library.get(), driver.get());
    Result("GetVersion", result, 0, std::nullopt);
    if (result == 1 && *library != TAMRIX_LIBRARY_VERSION) Fail("library version %X", *library);
  }

  void GetResource() {
    const std::uint32_t slot = Slot();
    auto record = std::make_unique<TAMRIXR>();
    Result("GetResource", x_.GetResource(slot, record.get()), slot);
  }

  void SetMode() { SetMode(Slot(), in_.ConsumeBool()); }

  void SetMode(std::uint32_t slot, bool sensible) {
    auto mode = std::make_unique<ModeRecord>();
    if (sensible) {  // one the board takes
      mode->ChFirst = in_.ConsumeIntegralInRange(0u, 15u);
      mode->ChLast = in_.ConsumeIntegralInRange(mode->ChFirst, 15u);
      mode->BuffSize = Pick({16, 256, 1024, 2048, 4096});
      mode->Timer = Pick({1, 2, 10, 50, 500});
      mode->Mode = in_.ConsumeIntegralInRange(1, 10);
    } else {
      *mode = ModeRecord{Pick({0, 1, 3, 15, 16}), Pick({0, 3, 15, 16}),
                         Pick({0, 1, 16, 2048, 2049, 4096, 65536, 65537, 262144, 262145}),
                         Pick({0, 1, 2, 500, 1000, 1001, 50000000, 50000001}),
                         static_cast<std::int32_t>(Pick({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}))};
    }
    const ModeRecord given = *mode;
    const std::int32_t result = x_.SetMode(slot, mode.get());
    Result("SetMode", result, slot);
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    if (n >= 16) return;
    const std::int32_t code = x_.GetLastError(n);
    const bool passed_own_checks = code != TAMRIX_ERR_NO_CREATE && code != TAMRIX_ERR_TIMER &&
                                   code != TAMRIX_ERR_CHANNEL &&
                                   !(code == TAMRIX_ERR_INV_ARG && given.BuffSize == 0);
    if (passed_own_checks) slots_[n].recorded_size = given.BuffSize;
    if (result == 1) {
      for (std::uint32_t c = given.ChFirst; c <= given.ChLast; ++c) slots_[n].channels |= 1u << c;
      slots_[n].largest_buffer = std::max(slots_[n].largest_buffer, given.BuffSize);
    }
  }

  // A board sampling on a window of ours: create, a mode it takes, start.
  void StartABoard() {
    auto slot = std::make_unique<std::uint16_t>(0xFFFF);
    const HWND window = Windows()[in_.ConsumeIntegralInRange(0, 2)];
    const std::int32_t result = x_.Create(slot.get(), window, nullptr);
    Result("Create", result, 0xFFFF, result == 1 ? *slot : 0);
    if (result != 1) return;
    given_windows_.insert(window);
    last_created_ = *slot;
    SetMode(*slot, true);
    const std::int32_t started = x_.StartSampling(*slot);
    Result("StartSampling", started, *slot);
    if (started == 1) std::this_thread::sleep_for(std::chrono::milliseconds(6));
  }

  void Start() {
    const std::uint32_t slot = Slot();
    Result("StartSampling", x_.StartSampling(slot), slot);
  }

  void Stop() {
    const std::uint32_t slot = Slot();
    Result("StopSampling", x_.StopSampling(slot), slot);
  }

  // The words waiting; -1 when the call failed.
  std::int64_t SamplingStatus(std::uint32_t slot) {
    auto num_data = std::make_unique<std::uint32_t>(0);
    auto status = std::make_unique<std::uint32_t>(0);
    const std::int32_t result = x_.GetSamplingStatus(slot, num_data.get(), status.get());
    Result("GetSamplingStatus", result, slot);
    if (result != 1) return -1;
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    if (*num_data > slots_[n].largest_buffer) {
      Fail("%u words waiting on slot %u, more than any accepted buffer holds", *num_data, n);
    }
    return *num_data;
  }
  void SamplingStatus() { SamplingStatus(Slot()); }

  // Fetches `count` words into a buffer of exactly that many.
  std::int32_t GetData(std::uint32_t slot, std::uint32_t count) {
    std::unique_ptr<std::uint16_t[]> buffer(new std::uint16_t[count]);
    const std::int32_t result = x_.GetData(slot, count, buffer.get());
    Result("GetData", result, slot);
    if (result != 1) return result;
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    for (std::uint32_t i = 0; i < count; ++i) {
      const unsigned channel = buffer[i] >> 12;
      if ((slots_[n].channels & (1u << channel)) == 0) {
        Fail("word %u of %u on slot %u is %04X: channel %u was never sampled", i, count, n,
             buffer[i], channel);
      }
    }
    return result;
  }
  void GetData() {
    const std::uint32_t slot = Slot();
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    const std::uint32_t recorded = n < 16 ? slots_[n].recorded_size : 0;
    std::uint32_t count = 0;
    switch (in_.ConsumeIntegralInRange(0, 4)) {
      case 0: count = 0; break;
      case 1: count = recorded; break;
      case 2: count = recorded + 1; break;
      default: count = in_.ConsumeIntegralInRange<std::uint32_t>(1, 4096);
    }
    GetData(slot, std::min<std::uint32_t>(count, 1u << 17));
  }

  // Words reported waiting can all be fetched at once: sampling only adds.
  void FetchWhatWaits() {
    const std::uint32_t slot = Slot();
    const std::int64_t waiting = SamplingStatus(slot);
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    if (waiting <= 0 || waiting > slots_[n].recorded_size || waiting > (1 << 17)) return;
    if (GetData(slot, static_cast<std::uint32_t>(waiting)) != 1) {
      Fail("%lld words were waiting on slot %u but could not be fetched (code %d)",
           static_cast<long long>(waiting), n, x_.GetLastError(n));
    }
  }

  void LastError() {
    const std::uint32_t slot = Slot();
    const std::int32_t code = x_.GetLastError(slot);
    trace.push_back("GetLastError(" + std::to_string(slot) + ") -> " + std::to_string(code));
    if (!Allowed(code)) Fail("GetLastError(%u) = %d", slot, code);
    if (static_cast<std::uint16_t>(slot) >= 16) {
      if (code != TAMRIX_ERR_SLOT || x_.GetLastError(0) != TAMRIX_ERR_SLOT) {
        Fail("GetLastError(%u) does not set and give 100", slot);
      }
    }
  }

  void GetExIn() {
    const std::uint32_t slot = Slot();
    auto in0 = std::make_unique<std::int32_t>(7);
    auto in1 = std::make_unique<std::int32_t>(7);
    auto trg = std::make_unique<std::int32_t>(7);
    const std::int32_t result = x_.GetExIn(slot, in0.get(), in1.get(), trg.get());
    Result("GetExIn", result, slot);
    if (result == 1) {
      for (std::int32_t v : {*in0, *in1, *trg}) {
        if (v != 0 && v != -1) Fail("an external input reads %d", v);
      }
    }
  }

  // Lets the sampling threads run.
  void Pause() {
    trace.push_back("pause");
    std::this_thread::sleep_for(std::chrono::microseconds(in_.ConsumeIntegralInRange(0, 3000)));
  }

  // Only the six notifications, only to windows given to a successful create.
  void Pump() {
    tmx::platform::PostedMessage m;
    while (Queue().Peek(m)) {
      if (m.message < 0x6401 || m.message > 0x6406) Fail("the driver posted message %X", m.message);
      if (given_windows_.count(m.window) == 0)
        Fail("a notification for window %u, never given", m.window);
    }
  }

  FuzzedDataProvider &in_;
  const Exports &x_;
  std::array<SlotState, 16> slots_{};
  std::set<HWND> given_windows_;
  std::optional<std::uint16_t> last_created_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  std::atexit(PrintSuccesses);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz_report::fuzzer = "exports fuzz";
  trace.clear();
  FuzzedDataProvider in(data, size);
  const int baseline_threads = Threads();
  const HMODULE module = LoadLibraryA(TAMRIX_FUZZ_MODULE_DIR "/libtamrix.so");
  if (module == 0) Fail("the library does not load (error %u)", GetLastError());
  {
    const Exports tamrix = ResolveAll(module);
    Session session(in, tamrix);
    session.Run();
  }
  if (FreeLibrary(module) == 0) Fail("the library cannot be released (error %u)", GetLastError());
  // A joined thread may still be listed for a moment.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (Threads() > baseline_threads && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (Threads() > baseline_threads) {
    Fail("%d threads after the library was released, %d before", Threads(), baseline_threads);
  }
  tmx::platform::PostedMessage m;
  while (Queue().Peek(m)) {
  }
  return 0;
}
