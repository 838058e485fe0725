// The three digital inputs on each board's connector. Each follows a fixed
// pulse train from the moment the driver starts, shifted per slot so that
// boards differ.
#pragma once

#include <chrono>
#include <cstdint>

namespace tamrix::vxd {

struct ExternalInputs {
  bool trigger;  // ExTrg: on for 100 ms of every 500 ms
  bool in0;      // ExIn0: on for 1 s of every 2 s
  bool in1;      // ExIn1: on for 3 s of every 5 s
};

ExternalInputs InputsAt(std::uint16_t slot, std::chrono::nanoseconds since_power_on);

// The first moment at or after `since_power_on` at which ExTrg is on.
std::chrono::nanoseconds TriggerAtOrAfter(std::uint16_t slot,
                                          std::chrono::nanoseconds since_power_on);

}  // namespace tamrix::vxd
