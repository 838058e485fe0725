#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "device_channel.h"
#include "tamrix.h"

namespace tamrix {

// A field every caller of the library shares. Each load and store is whole
// and lock-free, in no order across threads: on the machine a plain load or
// store, and a status still belongs to the latest call in the process.
template <typename T>
class Shared {
 public:
  Shared() = default;
  explicit Shared(T value) : value_(value) {}
  Shared &operator=(T value) {
    value_.store(value, std::memory_order_relaxed);
    return *this;
  }
  operator T() const { return value_.load(std::memory_order_relaxed); }

 private:
  static_assert(std::atomic<T>::is_always_lock_free);
  std::atomic<T> value_{};
};

// The library's whole state (device handle, library-wide status, per-slot
// tables) and the operations behind the exports. No locks: a status belongs
// to the latest call in the process.
class Library {
 public:
  explicit Library(DeviceChannel &channel) : channel_(channel) {}

  // Opens the driver; false when it cannot be opened. Idempotent.
  bool Attach();
  // Closes the driver handle and nothing else. Idempotent.
  void Detach();
  bool Attached() const { return device_ != kInvalidDevice; }

  std::int32_t Create(std::uint16_t *slot, std::uint32_t window, void *reserved);
  std::int32_t Close(std::uint32_t slot);
  std::int32_t GetVersion(std::uint32_t *library_version, std::uint32_t *driver_version);
  std::int32_t GetResource(std::uint32_t slot, TAMRIXR *record);
  std::int32_t SetMode(std::uint32_t slot, const ModeRecord *mode);
  std::int32_t StartSampling(std::uint32_t slot);
  std::int32_t StopSampling(std::uint32_t slot);
  std::int32_t GetSamplingStatus(std::uint32_t slot, std::uint32_t *num_data,
                                 std::uint32_t *status);
  std::int32_t GetData(std::uint32_t slot, std::uint32_t count, std::uint16_t *buffer);
  std::int32_t GetLastError(std::uint32_t slot);
  std::int32_t GetExIn(std::uint32_t slot, std::int32_t *ex_in0, std::int32_t *ex_in1,
                       std::int32_t *ex_trg);

 private:
  struct SlotState {
    Shared<std::int32_t> open;
    Shared<std::int32_t> mode_set;
    Shared<std::int32_t> status;
    Shared<std::uint32_t> buffer_size;
  };

  enum class Outcome { kNotCarriedOut, kAnswered };

  // Clears the library-wide status and checks the slot argument; null when
  // the slot is refused (library-wide status 100).
  SlotState *BeginSlotCall(std::uint32_t slot);
  // As BeginSlotCall, and refuses a slot that is not open (107).
  SlotState *BeginOpenSlotCall(std::uint32_t slot);
  // Sends one request. Not carried out: `status` takes the platform code.
  // Each call works on its own status and stores it once, so that what it
  // returns is its own outcome whatever other threads store meanwhile.
  Outcome Send(std::uint32_t code, RequestBlock &block, std::int32_t &status, void *input = nullptr,
               std::uint32_t input_size = 0);

  static std::uint16_t SlotNumber(std::uint32_t slot) { return static_cast<std::uint16_t>(slot); }
  static std::int32_t Result(std::int32_t status) { return status == TAMRIX_SUCCESS ? 1 : 0; }

  DeviceChannel &channel_;
  Shared<DeviceHandle> device_{kInvalidDevice};
  Shared<std::int32_t> library_status_;
  std::array<SlotState, TAMRIX_SLOT_COUNT> slots_{};
};

}  // namespace tamrix
