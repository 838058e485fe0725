#include "scripted_library.h"

#include <string>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
ScriptState state;

void Log(std::string call) { state.calls.push_back(std::move(call)); }
std::string Slot(std::uint32_t slot) { return std::to_string(slot); }
}  // namespace

EXPORT ScriptState *Script() { return &state; }

EXPORT std::int32_t DllMain(void *, std::uint32_t reason, void *) {
#ifdef SCRIPT_REFUSE_ATTACH
  return reason == 1 ? 0 : 1;
#else
  (void)reason;
  return 1;
#endif
}

EXPORT std::int32_t TamrixCreate(std::uint16_t *slot, std::uint32_t window, void *) {
  Log("TamrixCreate(" + Slot(*slot) + ")");
  state.last_window = window;
  if (state.create_writes_slot && (state.create & 0xFF) == 1) *slot = state.assigned_slot;
  return state.create;
}
EXPORT std::int32_t TamrixClose(std::uint32_t slot) {
  Log("TamrixClose(" + Slot(slot) + ")");
  return state.close;
}
EXPORT std::int32_t TamrixGetVersion(std::uint32_t *lib, std::uint32_t *drv) {
  Log("TamrixGetVersion");
  *lib = state.library_version;
  *drv = state.driver_version;
  return state.get_version;
}
EXPORT std::int32_t TamrixGetResource(std::uint32_t slot, TAMRIXR *record) {
  Log("TamrixGetResource(" + Slot(slot) + ")");
  *record = state.resource;
  return state.get_resource;
}
EXPORT std::int32_t TamrixSetMode(std::uint32_t slot, const ModeRecord *mode) {
  Log("TamrixSetMode(" + Slot(slot) + ")");
  state.last_mode = *mode;
  return state.set_mode;
}
EXPORT std::int32_t TamrixStartSampling(std::uint32_t slot) {
  Log("TamrixStartSampling(" + Slot(slot) + ")");
  return state.start;
}
EXPORT std::int32_t TamrixStopSampling(std::uint32_t slot) {
  Log("TamrixStopSampling(" + Slot(slot) + ")");
  return state.stop;
}
EXPORT std::int32_t TamrixGetSamplingStatus(std::uint32_t slot, std::uint32_t *num,
                                            std::uint32_t *status) {
  Log("TamrixGetSamplingStatus(" + Slot(slot) + ")");
  *num = state.num_data;
  *status = state.sampling_status;
  return state.get_sampling_status;
}
EXPORT std::int32_t TamrixGetData(std::uint32_t slot, std::uint32_t count, std::uint16_t *buffer) {
  Log("TamrixGetData(" + Slot(slot) + "," + std::to_string(static_cast<std::int32_t>(count)) + ")");
  if ((state.get_data & 0xFF) == 1) {
    for (std::uint32_t i = 0; i < count && i < state.data.size(); ++i) buffer[i] = state.data[i];
  }
  return state.get_data;
}
EXPORT std::int32_t TamrixGetLastError(std::uint32_t slot) {
  Log("TamrixGetLastError(" + Slot(slot) + ")");
  return state.last_error;
}
#ifndef SCRIPT_WITHOUT_EX_IN
EXPORT std::int32_t TamrixGetExIn(std::uint32_t slot, std::int32_t *in0, std::int32_t *in1,
                                  std::int32_t *trg) {
  Log("TamrixGetExIn(" + Slot(slot) + ")");
  if (state.ex_in_writes) {
    *in0 = state.ex_in0;
    *in1 = state.ex_in1;
    *trg = state.ex_trg;
  }
  return state.get_ex_in;
}
#endif
