// The library's eleven operations in random order with random arguments,
// against a device whose every answer comes from the input: platform
// failures with random codes, random status words, random block contents.
// A model of the library's tables predicts each result, each request and
// each status code; after every call all sixteen slots' codes are read back.
// Every buffer handed to the library is a heap object of exactly its size,
// so AddressSanitizer sees any access beyond it.
#include <fuzzer/FuzzedDataProvider.h>
#include <sanitizer/asan_interface.h>

#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device_channel.h"
#include "fuzz_report.h"
#include "library.h"
#include "request_block.h"
#include "tamrix.h"

namespace {

using tamrix::DeviceHandle;
using tamrix::RequestBlock;

using fuzz_report::Fail;
using fuzz_report::trace;

void Expect(bool condition, const char *what) {
  if (!condition) Fail("%s", what);
}

std::int32_t Translate(std::uint16_t word) {
  constexpr std::int32_t kTable[] = {0, 100, 3, 106, 104, 103, 108, 109, 105};
  return word <= 8 ? kTable[word] : word;
}

constexpr std::uint32_t kCanary32 = 0x5EED5EEDu;
constexpr std::uint8_t kRecordFill = 0xA5;
const DeviceHandle kHandle = reinterpret_cast<DeviceHandle>(0x7A3C);

struct Request {
  std::uint32_t code;
  void *input;
  std::uint32_t input_size;
  RequestBlock sent;    // as the library filled it
  RequestBlock answer;  // as the device left it
  bool carried_out;
  std::int32_t platform_code;
};

// Every answer is drawn from the input; an exhausted input answers success.
class FuzzDevice final : public tamrix::DeviceChannel {
 public:
  explicit FuzzDevice(FuzzedDataProvider &in) : in_(in) {}

  DeviceHandle Open(const char *name) override {
    Expect(std::strcmp(name, TAMRIX_DEVICE_NAME) == 0, "the driver is opened by another name");
    ++opens;
    return open_fails ? tamrix::kInvalidDevice : kHandle;
  }

  bool Send(DeviceHandle device, std::uint32_t code, void *input, std::uint32_t input_size,
            RequestBlock &block) override {
    Expect(device == kHandle, "a request on a handle the device never gave");
    Request r{code, input, input_size, block, {}, true, 0};
    if (in_.ConsumeIntegralInRange(0, 11) == 11) {
      r.carried_out = false;
      r.platform_code = PlatformCode();
      produced.insert(r.platform_code);
      last_error_ = r.platform_code;
      requests.push_back(r);
      return false;
    }
    Answer(code, block, input, input_size);
    r.answer = block;
    requests.push_back(r);
    return true;
  }

  void Close(DeviceHandle device) override {
    Expect(device == kHandle, "closing a handle the device never gave");
    ++closes;
  }
  std::int32_t LastError() override { return last_error_; }

  std::vector<Request> requests;
  std::set<std::int32_t> produced;  // platform codes and pass-through statuses
  bool open_fails = false;
  int opens = 0;
  int closes = 0;

 private:
  // The real platform never fails a request with code 0.
  std::int32_t PlatformCode() {
    constexpr std::int32_t kCommon[] = {1, 2, 6, 31, 87, 122, 1167};
    const int pick = in_.ConsumeIntegralInRange(0, 7);
    if (pick < 7) return kCommon[pick];
    const auto code = in_.ConsumeIntegral<std::int32_t>();
    return code == 0 ? 31 : code;
  }

  std::uint16_t StatusWord() {
    switch (in_.ConsumeIntegralInRange(0, 7)) {
      case 4: return in_.ConsumeIntegralInRange<std::uint16_t>(1, 8);
      case 5: return TAMRIX_DRV_MODE_KEPT;
      case 6: return in_.ConsumeIntegral<std::uint16_t>();
      case 7: return in_.ConsumeIntegralInRange<std::uint16_t>(9, 0xFFFF);
      default: return TAMRIX_DRV_OK;
    }
  }

  std::uint32_t InputState() {
    switch (in_.ConsumeIntegralInRange(0, 3)) {
      case 1: return 1;
      case 2: return 2;
      case 3: return in_.ConsumeIntegral<std::uint32_t>();
      default: return 0;
    }
  }

  void Answer(std::uint32_t code, RequestBlock &block, void *input, std::uint32_t input_size) {
    const std::uint16_t wanted = block.U16(TAMRIX_OFS_SLOT);
    // The driver owns the whole block while it answers: scribble on all of it.
    std::uint32_t noise = in_.ConsumeIntegral<std::uint32_t>() | 1u;
    for (auto &byte : block.bytes) {
      noise ^= noise << 13;
      noise ^= noise >> 17;
      noise ^= noise << 5;
      byte = static_cast<std::uint8_t>(noise);
    }
    switch (code) {
      case TAMRIX_IOCTL_CREATE: {
        std::uint16_t assigned = 0;
        switch (in_.ConsumeIntegralInRange(0, 4)) {
          case 3: assigned = in_.ConsumeIntegralInRange<std::uint16_t>(0, 15); break;
          case 4: assigned = in_.ConsumeIntegralInRange<std::uint16_t>(16, 0xFFFF); break;
          default:
            assigned = wanted < 16 ? wanted : in_.ConsumeIntegralInRange<std::uint16_t>(0, 15);
        }
        block.PutU16(TAMRIX_OFS_ASSIGNED_SLOT, assigned);
        break;
      }
      case TAMRIX_IOCTL_EXTERNAL_INPUTS:
        block.PutU32(TAMRIX_OFS_EX_TRG, InputState());
        block.PutU32(TAMRIX_OFS_EX_IN0, InputState());
        block.PutU32(TAMRIX_OFS_EX_IN1, InputState());
        break;
      case TAMRIX_IOCTL_GET_DATA:
        // The driver writes exactly the length it was given.
        if (input != nullptr) {
          auto *bytes = static_cast<std::uint8_t *>(input);
          for (std::uint32_t i = 0; i < input_size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
        }
        break;
      default: break;
    }
    const std::uint16_t status = StatusWord();
    if (status >= 9) produced.insert(status);
    block.PutU16(TAMRIX_OFS_STATUS, status);
  }

  FuzzedDataProvider &in_;
  std::int32_t last_error_ = 0;
};

// A status the rules leave to the library (a missing pointer, an assigned
// slot the tables cannot hold): any non-zero code of the allowed set.
using Status = std::optional<std::int32_t>;

struct SlotModel {
  bool open = false;
  bool mode_set = false;
  std::uint32_t buffer_size = 0;
  Status status = 0;
};

// 16 bytes that no access may touch.
class Poisoned {
 public:
  Poisoned() : bytes_(new std::uint64_t[2]) { ASAN_POISON_MEMORY_REGION(bytes_.get(), 16); }
  ~Poisoned() { ASAN_UNPOISON_MEMORY_REGION(bytes_.get(), 16); }
  void *get() const { return bytes_.get(); }

 private:
  std::unique_ptr<std::uint64_t[]> bytes_;
};

// The record as the library must leave it after an answered resources
// request: every field from the block, the padding as the caller had it.
TAMRIXR ExpectedRecord(const RequestBlock &b) {
  TAMRIXR r;
  std::memset(&r, kRecordFill, sizeof r);
  r.NumMemWindows = b.U16(74);
  for (int i = 0; i < 9; ++i) r.MemBase[i] = b.U32(76 + 4 * i);
  for (int i = 0; i < 9; ++i) r.MemLength[i] = b.U32(112 + 4 * i);
  for (int i = 0; i < 9; ++i) r.MemAttrib[i] = b.U16(148 + 2 * i);
  r.NumIOPorts = b.U16(166);
  for (int i = 0; i < 20; ++i) r.IOPortBase[i] = b.U16(168 + 2 * i);
  for (int i = 0; i < 20; ++i) r.IOPortLength[i] = b.U16(208 + 2 * i);
  r.NumIRQs = b.U16(248);
  for (int i = 0; i < 7; ++i) r.IRQRegisters[i] = b.U8(250 + i);
  for (int i = 0; i < 7; ++i) r.IRQAttrib[i] = b.U8(257 + i);
  r.NumDMAs = b.U16(264);
  for (int i = 0; i < 7; ++i) r.DMALst[i] = b.U8(266 + i);
  for (int i = 0; i < 7; ++i) r.DMAAttrib[i] = b.U16(273 + 2 * i);
  for (int i = 0; i < 3; ++i) r.Reserved[i] = b.U8(287 + i);
  return r;
}

class Session {
 public:
  explicit Session(FuzzedDataProvider &in) : in_(in), device_(in), library_(device_) {}

  void Run() {
    if (in_.ConsumeIntegralInRange(0, 63) == 63) {
      device_.open_fails = true;
      Expect(!library_.Attach(), "the library attaches although the driver cannot be opened");
      Expect(device_.requests.empty(), "a request without a driver");
      return;
    }
    Expect(library_.Attach(), "the library does not attach");
    Expect(device_.opens == 1, "the driver is opened more than once");
    for (int step = 0; step < 48 && in_.remaining_bytes() > 0; ++step) {
      before_ = device_.requests.size();
      switch (in_.ConsumeIntegralInRange(0, 10)) {
        case 0: Create(); break;
        case 1: Close(); break;
        case 2: GetVersion(); break;
        case 3: GetResource(); break;
        case 4: SetMode(); break;
        case 5: StartOrStop(true); break;
        case 6: StartOrStop(false); break;
        case 7: GetSamplingStatus(); break;
        case 8: GetData(); break;
        case 9: GetLastError(); break;
        default: GetExIn(); break;
      }
      ReadBackAllSlots();
    }
    library_.Detach();
    Expect(device_.closes == 1, "unloading does not close the driver exactly once");
  }

 private:
  // --- arguments -----------------------------------------------------------

  bool Rarely() { return in_.ConsumeIntegralInRange(0, 31) == 31; }

  // Mostly a slot the model holds open, so that calls build on each other.
  std::uint32_t SlotArgument() {
    switch (in_.ConsumeIntegralInRange(0, 7)) {
      case 0:
      case 1:
      case 2: {
        std::vector<std::uint32_t> open;
        for (std::uint32_t n = 0; n < 16; ++n) {
          if (slots_[n].open) open.push_back(n);
        }
        if (open.empty()) return in_.ConsumeIntegralInRange(0u, 3u);
        return open[in_.ConsumeIntegralInRange<std::size_t>(0, open.size() - 1)];
      }
      case 4: return in_.ConsumeIntegralInRange(0u, 15u);
      case 5:
        return in_.ConsumeIntegralInRange(0u, 15u) |
               (in_.ConsumeIntegralInRange(1u, 0xFFFFu) << 16);
      case 6:
        return in_.ConsumeIntegralInRange(16u, 0xFFFFu) |
               (in_.ConsumeIntegral<std::uint32_t>() << 16);
      case 7: return in_.ConsumeIntegral<std::uint32_t>();
      default: return in_.ConsumeIntegralInRange(0u, 3u);
    }
  }

  std::uint32_t Pick(std::initializer_list<std::uint32_t> interesting) {
    const auto pick = in_.ConsumeIntegralInRange<std::size_t>(0, interesting.size());
    if (pick == interesting.size()) return in_.ConsumeIntegral<std::uint32_t>();
    return interesting.begin()[pick];
  }

  // --- checks --------------------------------------------------------------

  void Log(std::string call, std::int32_t result) {
    trace.push_back(call + " -> " + std::to_string(result));
    Expect(result == 0 || result == 1, "a result other than 0 or 1");
  }

  void NothingSent() {
    if (device_.requests.size() != before_) Fail("a request was sent where none may be");
  }

  const Request &Sent(std::uint32_t code) {
    if (device_.requests.size() != before_ + 1) {
      Fail("%zu requests where exactly one is due", device_.requests.size() - before_);
    }
    const Request &r = device_.requests.back();
    if (r.code != code) Fail("request code %X where %X is due", r.code, code);
    if (code != TAMRIX_IOCTL_GET_DATA) {
      Expect(r.input == nullptr && r.input_size == 0, "an input buffer outside get data");
    }
    return r;
  }

  static std::int32_t Outcome(const Request &r) {
    return r.carried_out ? Translate(r.answer.U16(TAMRIX_OFS_STATUS)) : r.platform_code;
  }

  static void ExpectResult(std::int32_t result, std::int32_t outcome) {
    if (result != (outcome == 0 ? 1 : 0)) Fail("result %d for the outcome %d", result, outcome);
  }

  bool Allowed(std::int32_t code) const {
    if (code == 0 || code == 1 || code == 2 || code == 3 || code == -1 || code == -2) return true;
    if (code >= 100 && code <= 109) return true;
    return device_.produced.count(code) != 0;
  }

  // Compares one read-back code with the model; a status left to the
  // library is learnt the first time it is read.
  void Compare(std::uint32_t slot, std::int32_t got) {
    if (!Allowed(got)) Fail("GetLastError(%u) = %d, a code nothing produced", slot, got);
    Status &expected = (!model_lib_ || *model_lib_ != 0) ? model_lib_ : slots_[slot].status;
    if (!expected) {
      if (got == 0) Fail("GetLastError(%u) = 0 after a failed call", slot);
      expected = got;
    } else if (got != *expected) {
      Fail("GetLastError(%u) = %d, expected %d", slot, got, *expected);
    }
  }

  void ReadBackAllSlots() {
    before_ = device_.requests.size();
    for (std::uint32_t slot = 0; slot < 16; ++slot) Compare(slot, library_.GetLastError(slot));
    NothingSent();
  }

  // The first steps of every slot operation; false when the call ended there.
  bool SlotChecks(std::uint32_t slot, std::int32_t result, bool needs_open = true) {
    model_lib_ = 0;
    const std::uint16_t number = static_cast<std::uint16_t>(slot);
    if (number >= 16) {
      NothingSent();
      Expect(result == 0, "success on a slot of 16 or more");
      model_lib_ = TAMRIX_ERR_SLOT;
      return false;
    }
    if (needs_open && !slots_[number].open) {
      NothingSent();
      Expect(result == 0, "success on a slot that is not open");
      slots_[number].status = TAMRIX_ERR_NO_CREATE;
      return false;
    }
    return true;
  }

  // A missing pointer: refused before the driver, with some failure code.
  void RefusedMissingPointer(std::int32_t result, Status &place) {
    NothingSent();
    Expect(result == 0, "success with a missing pointer");
    place = std::nullopt;
  }

  // --- the operations ------------------------------------------------------

  void Create() {
    const std::uint16_t initial =
        static_cast<std::uint16_t>(Pick({0xFFFF, 0, 1, 2, 3, 15, 16, 20}));
    const bool missing = Rarely();
    std::unique_ptr<std::uint16_t> variable(new std::uint16_t(initial));
    const auto window = in_.ConsumeIntegral<std::uint32_t>();
    Poisoned reserved;  // the library neither reads nor writes it
    void *reserved_argument = in_.ConsumeBool() ? reserved.get() : nullptr;
    const std::int32_t result =
        library_.Create(missing ? nullptr : variable.get(), window, reserved_argument);
    Log("Create(" + std::to_string(initial) + ")", result);
    model_lib_ = 0;
    if (missing) return RefusedMissingPointer(result, model_lib_);
    const Request &r = Sent(TAMRIX_IOCTL_CREATE);
    Expect(r.sent.U16(TAMRIX_OFS_SLOT) == (initial == 0xFFFF ? 16 : initial), "create: slot field");
    Expect(r.sent.U32(TAMRIX_OFS_WINDOW) == window, "create: window field");
    const std::int32_t outcome = Outcome(r);
    const std::uint16_t assigned = r.answer.U16(TAMRIX_OFS_ASSIGNED_SLOT);
    if (outcome != 0 || assigned >= 16) {
      Expect(result == 0, "create: success without a usable slot");
      Expect(*variable == initial, "create: the slot variable changed on failure");
      if (outcome != 0)
        model_lib_ = outcome;
      else
        model_lib_ = std::nullopt;  // the code for a slot beyond the tables is the library's
      return;
    }
    Expect(result == 1, "create: failure on an answered create");
    Expect(*variable == assigned, "create: the assigned slot is not written back");
    slots_[assigned].open = true;
    slots_[assigned].mode_set = false;
    slots_[assigned].status = 0;
  }

  void Close() {
    const std::uint32_t slot = SlotArgument();
    const std::int32_t result = library_.Close(slot);
    Log("Close(" + std::to_string(slot) + ")", result);
    if (!SlotChecks(slot, result, false)) return;
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    const Request &r = Sent(TAMRIX_IOCTL_CLOSE);
    Expect(r.sent.U16(TAMRIX_OFS_SLOT) == n, "close: slot field");
    const std::int32_t outcome = Outcome(r);
    slots_[n].status = outcome;
    if (outcome == 0) slots_[n].open = slots_[n].mode_set = false;
    ExpectResult(result, outcome);
  }

  void GetVersion() {
    const bool missing = Rarely();
    std::unique_ptr<std::uint32_t> library_version(new std::uint32_t(kCanary32));
    std::unique_ptr<std::uint32_t> driver_version(new std::uint32_t(kCanary32));
    const bool first_missing = missing && in_.ConsumeBool();
    const std::int32_t result =
        library_.GetVersion(missing && first_missing ? nullptr : library_version.get(),
                            missing && !first_missing ? nullptr : driver_version.get());
    Log("GetVersion", result);
    model_lib_ = 0;
    if (missing) return RefusedMissingPointer(result, model_lib_);
    const Request &r = Sent(TAMRIX_IOCTL_VERSION);
    const std::int32_t outcome = Outcome(r);
    if (r.carried_out) {
      Expect(*library_version == TAMRIX_LIBRARY_VERSION, "version: library version");
      Expect(*driver_version == r.answer.U32(TAMRIX_OFS_DRV_VERSION), "version: driver version");
    } else {
      Expect(*library_version == kCanary32 && *driver_version == kCanary32,
             "version: results written for a request not carried out");
    }
    model_lib_ = outcome;
    ExpectResult(result, outcome);
  }

  void GetResource() {
    const std::uint32_t slot = SlotArgument();
    const bool missing = Rarely();
    auto record = std::make_unique<TAMRIXR>();
    std::memset(record.get(), kRecordFill, sizeof(TAMRIXR));
    TAMRIXR untouched;
    std::memset(&untouched, kRecordFill, sizeof untouched);
    const std::int32_t result = library_.GetResource(slot, missing ? nullptr : record.get());
    Log("GetResource(" + std::to_string(slot) + ")", result);
    const bool reached = SlotChecks(slot, result);
    if (!reached || missing) {
      if (reached) RefusedMissingPointer(result, slots_[slot & 0xFFFF].status);
      Expect(std::memcmp(record.get(), &untouched, sizeof untouched) == 0,
             "resources: record written by a refused call");
      return;
    }
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    const Request &r = Sent(TAMRIX_IOCTL_RESOURCES);
    Expect(r.sent.U16(TAMRIX_OFS_SLOT) == n, "resources: slot field");
    const TAMRIXR expected = r.carried_out ? ExpectedRecord(r.answer) : untouched;
    if (std::memcmp(record.get(), &expected, sizeof expected) != 0) {
      const auto *got = reinterpret_cast<const std::uint8_t *>(record.get());
      const auto *want = reinterpret_cast<const std::uint8_t *>(&expected);
      std::size_t at = 0;
      while (got[at] == want[at]) ++at;
      Fail("resources: record byte %zu is %02X, expected %02X", at, got[at], want[at]);
    }
    slots_[n].status = Outcome(r);
    ExpectResult(result, Outcome(r));
  }

  void SetMode() {
    const std::uint32_t slot = SlotArgument();
    const bool missing = Rarely();
    std::unique_ptr<ModeRecord> mode(new ModeRecord{
        Pick({0, 1, 3, 15, 16}), Pick({0, 3, 15, 16, 17}),
        Pick({0, 1, 2047, 2048, 2049, 4096, 65536, 262145, 0x3FFFFFFF, 0x40000000, 0x7FFFFFFF,
              0x80000000, 0xFFFFFFFF}),
        Pick({0, 1, 500, 999, 1000, 1001, 65535, 49999999, 50000000, 50000001}),
        static_cast<std::int32_t>(
            Pick({1, 2, 3, 4, 5, 5, 6, 7, 8, 9, 10, 10, 0, 11, 0x10005, 0x1000A, 0xFFFFFFFF}))});
    const ModeRecord given = *mode;
    const std::int32_t result = library_.SetMode(slot, missing ? nullptr : mode.get());
    Log("SetMode(" + std::to_string(slot) + ", ch " + std::to_string(given.ChFirst) + ".." +
            std::to_string(given.ChLast) + ", size " + std::to_string(given.BuffSize) + ", timer " +
            std::to_string(given.Timer) + ", mode " + std::to_string(given.Mode) + ")",
        result);
    Expect(std::memcmp(mode.get(), &given, sizeof given) == 0, "set mode: the record was written");
    if (!SlotChecks(slot, result)) return;
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    SlotModel &s = slots_[n];
    if (missing) return RefusedMissingPointer(result, s.status);
    const auto refused = [&](std::int32_t code) {
      NothingSent();
      Expect(result == 0, "set mode: success on a refused record");
      s.status = code;
    };
    if (given.Timer == 0 || given.Timer > 50000000) return refused(TAMRIX_ERR_TIMER);
    if (given.ChFirst > 15 || given.ChLast > 15) return refused(TAMRIX_ERR_CHANNEL);
    if (given.BuffSize == 0) return refused(TAMRIX_ERR_INV_ARG);
    const bool dma = given.Mode == 5 || given.Mode == 10;
    // Twice such a size does not fit in 31 bits; the library may refuse it,
    // but must not send a byte count that is not twice the size.
    if (dma && given.BuffSize >= 0x40000000u && device_.requests.size() == before_) {
      Expect(result == 0, "set mode: success without a request");
      s.status = std::nullopt;
      return;
    }
    s.buffer_size = given.BuffSize;
    const Request &r = Sent(TAMRIX_IOCTL_SET_MODE);
    const RequestBlock &b = r.sent;
    Expect(b.U16(TAMRIX_OFS_SLOT) == n, "set mode: slot field");
    if (given.Timer <= 1000) {
      const std::uint32_t ticks = given.Timer * 20;
      Expect(
          b.U16(6) == ticks >> 8 && b.U16(8) == (ticks & 0xFF) && b.U16(10) == 0 && b.U16(12) == 0,
          "set mode: timer fields for a period up to 1000");
    } else {
      const std::uint32_t thousands = given.Timer / 1000;
      Expect(b.U16(6) == 78 && b.U16(8) == 32 && b.U16(10) == ((thousands >> 8) & 0xFF) &&
                 b.U16(12) == (thousands & 0xFF),
             "set mode: timer fields for a period above 1000");
    }
    Expect(b.U16(18) == given.ChFirst && b.U16(20) == given.ChLast, "set mode: channel fields");
    Expect(b.U16(22) == static_cast<std::uint16_t>(given.Mode), "set mode: mode field");
    if (dma) {
      const std::uint64_t bytes = 2ull * given.BuffSize;
      Expect(bytes <= 0xFFFFFFFFull && b.U32(28) == bytes, "set mode: DMA byte count");
      Expect(b.U32(32) == (bytes + 4095) / 4096, "set mode: DMA page count");
    } else {
      Expect(b.U32(36) == given.BuffSize, "set mode: buffer words");
    }
    const std::int32_t outcome = Outcome(r);
    s.status = outcome;
    if (outcome == 0)
      s.mode_set = true;
    else if (!r.carried_out || outcome != TAMRIX_ERR_MODE_KEPT)
      s.mode_set = false;
    ExpectResult(result, outcome);
  }

  void StartOrStop(bool start) {
    const std::uint32_t slot = SlotArgument();
    const std::int32_t result = start ? library_.StartSampling(slot) : library_.StopSampling(slot);
    Log((start ? "StartSampling(" : "StopSampling(") + std::to_string(slot) + ")", result);
    if (!SlotChecks(slot, result)) return;
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    if (start && !slots_[n].mode_set) {
      NothingSent();
      Expect(result == 0, "start: success without an accepted mode");
      slots_[n].status = TAMRIX_ERR_INV_ARG;
      return;
    }
    const Request &r = Sent(start ? TAMRIX_IOCTL_START : TAMRIX_IOCTL_STOP);
    Expect(r.sent.U16(TAMRIX_OFS_SLOT) == n, "start/stop: slot field");
    slots_[n].status = Outcome(r);
    ExpectResult(result, Outcome(r));
  }

  void GetSamplingStatus() {
    const std::uint32_t slot = SlotArgument();
    const bool missing = Rarely();
    std::unique_ptr<std::uint32_t> num_data(new std::uint32_t(kCanary32));
    std::unique_ptr<std::uint32_t> status(new std::uint32_t(kCanary32));
    const std::int32_t result = library_.GetSamplingStatus(slot, missing ? nullptr : num_data.get(),
                                                           missing ? nullptr : status.get());
    Log("GetSamplingStatus(" + std::to_string(slot) + ")", result);
    const bool reached = SlotChecks(slot, result);
    if (reached && missing) RefusedMissingPointer(result, slots_[slot & 0xFFFF].status);
    if (!reached || missing) {
      Expect(*num_data == kCanary32 && *status == kCanary32,
             "sampling status: results of a refused call");
      return;
    }
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    const Request &r = Sent(TAMRIX_IOCTL_SAMPLING_STATUS);
    Expect(r.sent.U16(TAMRIX_OFS_SLOT) == n, "sampling status: slot field");
    if (r.carried_out) {
      Expect(*num_data == r.answer.U32(TAMRIX_OFS_NUM_DATA) &&
                 *status == r.answer.U32(TAMRIX_OFS_SAMPLING_BITS),
             "sampling status: results differ from the block");
    } else {
      Expect(*num_data == kCanary32 && *status == kCanary32,
             "sampling status: results written for a request not carried out");
    }
    slots_[n].status = Outcome(r);
    ExpectResult(result, Outcome(r));
  }

  void GetData() {
    const std::uint32_t slot = SlotArgument();
    const bool missing = Rarely();
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    const std::uint32_t size = n < 16 ? slots_[n].buffer_size : 0;
    std::uint32_t count = 0;
    switch (in_.ConsumeIntegralInRange(0, 7)) {
      case 0: count = 0; break;
      case 1: count = size; break;
      case 2: count = size + 1; break;
      case 3: count = 0x80000000u; break;
      case 4: count = 0xFFFFFFFFu; break;
      case 5: count = in_.ConsumeIntegral<std::uint32_t>(); break;
      default:
        count =
            in_.ConsumeIntegralInRange<std::uint32_t>(1, size < 65536 ? std::max(size, 1u) : 65536);
    }
    // Counts the library would send are given a real buffer of their size;
    // beyond what can be allocated, take the largest that can.
    constexpr std::uint32_t kLargest = 1u << 17;
    const bool would_send = n < 16 && slots_[n].open && count != 0 && count <= size;
    if (would_send && count > kLargest && count < 0x80000000u) count = kLargest;
    const std::uint32_t words = would_send && count < 0x80000000u ? count : 1;
    std::unique_ptr<std::uint16_t[]> buffer(new std::uint16_t[words]);
    const std::int32_t result = library_.GetData(slot, count, missing ? nullptr : buffer.get());
    Log("GetData(" + std::to_string(slot) + ", " + std::to_string(count) + ")", result);
    if (!SlotChecks(slot, result)) return;
    SlotModel &s = slots_[n];
    if (missing) return RefusedMissingPointer(result, s.status);
    if (count == 0 || count > s.buffer_size) {
      NothingSent();
      Expect(result == 0, "get data: success for a count beyond the recorded size");
      s.status = TAMRIX_ERR_NUMDATA;
      return;
    }
    if (count >= 0x80000000u) {
      // Twice the count does not fit in 32 bits: no exact length exists.
      NothingSent();
      Expect(result == 0, "get data: success without a request");
      s.status = std::nullopt;
      return;
    }
    const Request &r = Sent(TAMRIX_IOCTL_GET_DATA);
    Expect(r.input == buffer.get(), "get data: not the caller's buffer");
    if (r.input_size != 2 * count) Fail("get data: %u bytes for %u words", r.input_size, count);
    Expect(r.sent.U16(TAMRIX_OFS_SLOT) == n, "get data: slot field");
    Expect(r.sent.U32(TAMRIX_OFS_DATA_COUNT) == count, "get data: count field");
    s.status = Outcome(r);
    ExpectResult(result, Outcome(r));
  }

  void GetLastError() {
    const std::uint32_t slot = SlotArgument();
    const std::int32_t got = library_.GetLastError(slot);
    trace.push_back("GetLastError(" + std::to_string(slot) + ") -> " + std::to_string(got));
    NothingSent();
    if (static_cast<std::uint16_t>(slot) >= 16) {
      if (got != TAMRIX_ERR_SLOT) Fail("GetLastError(%u) = %d, expected 100", slot, got);
      model_lib_ = TAMRIX_ERR_SLOT;
      return;
    }
    Compare(static_cast<std::uint16_t>(slot), got);
  }

  void GetExIn() {
    const std::uint32_t slot = SlotArgument();
    const bool missing = Rarely();
    std::unique_ptr<std::int32_t> in0(new std::int32_t(kCanary32));
    std::unique_ptr<std::int32_t> in1(new std::int32_t(kCanary32));
    std::unique_ptr<std::int32_t> trg(new std::int32_t(kCanary32));
    const std::int32_t result =
        library_.GetExIn(slot, missing ? nullptr : in0.get(), in1.get(), trg.get());
    Log("GetExIn(" + std::to_string(slot) + ")", result);
    const auto untouched = [&] {
      return *in0 == static_cast<std::int32_t>(kCanary32) &&
             *in1 == static_cast<std::int32_t>(kCanary32) &&
             *trg == static_cast<std::int32_t>(kCanary32);
    };
    const bool reached = SlotChecks(slot, result);
    if (reached && missing) RefusedMissingPointer(result, slots_[slot & 0xFFFF].status);
    if (!reached || missing) {
      Expect(untouched(), "external inputs: results of a refused call");
      return;
    }
    const std::uint16_t n = static_cast<std::uint16_t>(slot);
    const Request &r = Sent(TAMRIX_IOCTL_EXTERNAL_INPUTS);
    Expect(r.sent.U16(TAMRIX_OFS_SLOT) == n, "external inputs: slot field");
    if (r.carried_out) {
      const auto state = [&](std::size_t at) { return r.answer.U32(at) == 1 ? -1 : 0; };
      Expect(*trg == state(TAMRIX_OFS_EX_TRG) && *in0 == state(TAMRIX_OFS_EX_IN0) &&
                 *in1 == state(TAMRIX_OFS_EX_IN1),
             "external inputs: results differ from the block");
    } else {
      Expect(untouched(), "external inputs: results written for a request not carried out");
    }
    slots_[n].status = Outcome(r);
    ExpectResult(result, Outcome(r));
  }

  FuzzedDataProvider &in_;
  FuzzDevice device_;
  tamrix::Library library_;
  std::size_t before_ = 0;
  Status model_lib_ = 0;
  std::array<SlotModel, 16> slots_{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz_report::fuzzer = "library fuzz";
  trace.clear();
  FuzzedDataProvider in(data, size);
  Session session(in);
  session.Run();
  return 0;
}
