#pragma once

// How the fault-injecting library lets a test break the driver channel: the
// library is the real one, its requests go to the real driver until the
// plan says otherwise.
#include <cstdint>

struct FaultPlan {
  enum Kind {
    kNone,
    kNotCarriedOut,  // the request fails in the platform with `value` as its code
    kStatus,         // the driver answers with the status word `value`, doing nothing
  };
  Kind kind = kNone;
  std::uint32_t value = 0;
  std::uint32_t only_code = 0;  // the one I/O-control code to break; 0: every request
  int remaining = -1;           // requests still to break; -1: no end
  int broken = 0;               // requests broken so far
};

extern "C" FaultPlan *Faults();
using FaultsFunction = FaultPlan *(*)();
