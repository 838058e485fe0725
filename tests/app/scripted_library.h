#pragma once

// A stand-in for the access library, loaded by the check program as
// "tamrix.dll": it answers as the test scripts it and logs every call.
#include <cstdint>
#include <string>
#include <vector>

#include "tamrix.h"

struct ScriptState {
  // Results the exports return.
  std::int32_t create = 1, close = 1, get_version = 1, get_resource = 1, set_mode = 1, start = 1,
               stop = 1, get_sampling_status = 1, get_data = 1, get_ex_in = 1;
  std::int32_t last_error = 0;
  // Outputs written on every call (also when the result is a failure).
  bool create_writes_slot = true;
  std::uint16_t assigned_slot = 3;
  std::uint32_t library_version = 0x01000000, driver_version = 0x0102;
  TAMRIXR resource{};
  std::uint32_t num_data = 0, sampling_status = 0;
  std::vector<std::uint16_t> data;  // written from index 0, up to the count
  bool ex_in_writes = true;
  std::int32_t ex_in0 = 0, ex_in1 = 0, ex_trg = 0;
  // What the program asked.
  std::vector<std::string> calls;
  ModeRecord last_mode{};
  std::uint32_t last_window = 0;

  void Reset() { *this = ScriptState{}; }
};

extern "C" ScriptState *Script();
using ScriptFunction = ScriptState *(*)();
