// The driver as the device layer meets it: sixteen slots and one handler per
// I/O-control code. Every request completes before Control returns.
#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <shared_mutex>

#include "board_slot.h"
#include "scenario.h"
#include "tamrix_platform/win32.h"

namespace tamrix::vxd {

class Driver {
 public:
  using Clock = std::chrono::steady_clock;

  // Without a scenario the boards are the documented ones.
  explicit Driver(Poster poster, Clock::time_point power_on = Clock::now(),
                  std::shared_ptr<const Scenario> scenario = nullptr);
  ~Driver();  // halts every slot's sampling before the slots go

  // 0 when the request was processed (its outcome is the status word of the
  // block in `out`), else the platform error code of a request not carried
  // out: unknown code, a block shorter than 290 bytes, a data buffer too small.
  // The simulator's controls (tamrix_sim.h) answer the same way.
  DWORD Control(DWORD io_control_code, void *in_buffer, DWORD in_size, void *out_buffer,
                DWORD out_size, DWORD *bytes_returned);

 private:
  void Build(std::shared_ptr<const Scenario> scenario);
  DWORD Request(DWORD io_control_code, void *in_buffer, DWORD in_size, void *out_buffer,
                DWORD out_size, DWORD *bytes_returned);
  DWORD Dispatch(DWORD io_control_code, RequestBlock &block, void *in_buffer, DWORD in_size,
                 void *out_buffer, DWORD *bytes_returned);
  DWORD SimControl(DWORD io_control_code, const void *in_buffer, DWORD in_size, void *out_buffer,
                   DWORD out_size, DWORD *bytes_returned);
  DWORD LoadScenario(const char *in, DWORD in_size, std::string &why);

  BoardSlot *SlotOf(const RequestBlock &block);
  std::uint16_t Create(RequestBlock &block);
  std::uint16_t Close(RequestBlock &block);
  static std::uint16_t Version(RequestBlock &block);
  std::uint16_t Resources(RequestBlock &block);
  std::uint16_t SetMode(RequestBlock &block);
  std::uint16_t Start(RequestBlock &block);
  std::uint16_t Stop(RequestBlock &block);
  std::uint16_t SamplingStatus(RequestBlock &block);
  DWORD GetData(RequestBlock &block, void *in_buffer, DWORD in_size, std::uint16_t &status);
  std::uint16_t ExternalInputsOf(RequestBlock &block);

  const Poster poster_;
  const Clock::time_point power_on_;
  // Requests share it; a scenario loaded at run time replaces the slots
  // under it alone.
  std::shared_mutex slots_lock_;
  std::shared_ptr<const Scenario> scenario_;
  std::array<std::unique_ptr<BoardSlot>, kSlotCount> slots_;
};

}  // namespace tamrix::vxd
