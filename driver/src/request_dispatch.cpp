#include "request_dispatch.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "resource_packing.h"
#include "tamrix_sim.h"

namespace tamrix::vxd {
namespace {

std::optional<RequestKind> KindOf(DWORD io_control_code) {
  switch (io_control_code) {
    case TAMRIX_IOCTL_CREATE: return RequestKind::kCreate;
    case TAMRIX_IOCTL_CLOSE: return RequestKind::kClose;
    case TAMRIX_IOCTL_VERSION: return RequestKind::kGetVersion;
    case TAMRIX_IOCTL_RESOURCES: return RequestKind::kGetResource;
    case TAMRIX_IOCTL_SET_MODE: return RequestKind::kSetMode;
    case TAMRIX_IOCTL_START: return RequestKind::kStartSampling;
    case TAMRIX_IOCTL_STOP: return RequestKind::kStopSampling;
    case TAMRIX_IOCTL_SAMPLING_STATUS: return RequestKind::kGetSamplingStatus;
    case TAMRIX_IOCTL_GET_DATA: return RequestKind::kGetData;
    case TAMRIX_IOCTL_EXTERNAL_INPUTS: return RequestKind::kGetExIn;
    default: return std::nullopt;
  }
}

// Hands the caller the line that says why, as much as its buffer holds.
void Tell(const std::string &why, void *out_buffer, DWORD out_size, DWORD *bytes_returned) {
  if (out_buffer == nullptr || out_size == 0) return;
  const std::size_t length = std::min<std::size_t>(why.size(), out_size - 1);
  std::memcpy(out_buffer, why.data(), length);
  static_cast<char *>(out_buffer)[length] = '\0';
  if (bytes_returned != nullptr) *bytes_returned = static_cast<DWORD>(length);
}

}  // namespace

Driver::Driver(Poster poster, Clock::time_point power_on, std::shared_ptr<const Scenario> scenario)
    : poster_(std::move(poster)), power_on_(power_on) {
  Build(std::move(scenario));
}

Driver::~Driver() = default;

// Called with slots_lock_ held alone, or from the constructor.
void Driver::Build(std::shared_ptr<const Scenario> scenario) {
  for (auto &slot : slots_) slot.reset();  // each halts its sampling first
  scenario_ = std::move(scenario);
  const Scenario *script = scenario_ && !scenario_->is_default ? scenario_.get() : nullptr;
  for (std::uint16_t slot = 0; slot < kSlotCount; ++slot) {
    const BoardDescription *board = BoardInSlot(slot);
    if (script != nullptr) {
      board = script->boards[slot] ? &script->boards[slot]->description : nullptr;
    }
    slots_[slot] = std::make_unique<BoardSlot>(slot, board, power_on_, poster_, script);
  }
}

DWORD Driver::Control(DWORD io_control_code, void *in_buffer, DWORD in_size, void *out_buffer,
                      DWORD out_size, DWORD *bytes_returned) {
  if (io_control_code >= TAMRIX_SIM_IOCTL_FIRST && io_control_code <= TAMRIX_SIM_IOCTL_LAST) {
    return SimControl(io_control_code, in_buffer, in_size, out_buffer, out_size, bytes_returned);
  }
  std::shared_lock slots(slots_lock_);
  return Request(io_control_code, in_buffer, in_size, out_buffer, out_size, bytes_returned);
}

DWORD Driver::Request(DWORD io_control_code, void *in_buffer, DWORD in_size, void *out_buffer,
                      DWORD out_size, DWORD *bytes_returned) {
  if (out_buffer == nullptr || out_size < TAMRIX_BLOCK_SIZE) return ERROR_INSUFFICIENT_BUFFER;
  RequestBlock block;
  std::memcpy(block.bytes.data(), out_buffer, TAMRIX_BLOCK_SIZE);

  // A fault of the slot may answer in its place; the request counts either way.
  BoardSlot *faulty = SlotOf(block);
  const std::optional<RequestKind> kind = KindOf(io_control_code);
  if (faulty != nullptr && kind) {
    DWORD error = ERROR_SUCCESS;
    std::uint16_t status = TAMRIX_DRV_OK;
    const bool answered = faulty->Intercept(*kind, error, status);
    if (answered) {
      faulty->Counted(*kind);
      if (error != ERROR_SUCCESS) return error;
      block.PutU16(TAMRIX_OFS_STATUS, status);
      std::memcpy(out_buffer, block.bytes.data(), TAMRIX_BLOCK_SIZE);
      if (bytes_returned != nullptr) *bytes_returned = TAMRIX_BLOCK_SIZE;
      return ERROR_SUCCESS;
    }
  }
  const DWORD outcome =
      Dispatch(io_control_code, block, in_buffer, in_size, out_buffer, bytes_returned);
  if (faulty != nullptr && kind) faulty->Counted(*kind);
  return outcome;
}

DWORD Driver::Dispatch(DWORD io_control_code, RequestBlock &block, void *in_buffer, DWORD in_size,
                       void *out_buffer, DWORD *bytes_returned) {
  std::uint16_t status = TAMRIX_DRV_OK;
  switch (io_control_code) {
    case TAMRIX_IOCTL_CREATE: status = Create(block); break;
    case TAMRIX_IOCTL_CLOSE: status = Close(block); break;
    case TAMRIX_IOCTL_VERSION: status = Version(block); break;
    case TAMRIX_IOCTL_RESOURCES: status = Resources(block); break;
    case TAMRIX_IOCTL_SET_MODE: status = SetMode(block); break;
    case TAMRIX_IOCTL_START: status = Start(block); break;
    case TAMRIX_IOCTL_STOP: status = Stop(block); break;
    case TAMRIX_IOCTL_SAMPLING_STATUS: status = SamplingStatus(block); break;
    case TAMRIX_IOCTL_GET_DATA: {
      const DWORD error = GetData(block, in_buffer, in_size, status);
      if (error != ERROR_SUCCESS) return error;
      break;
    }
    case TAMRIX_IOCTL_EXTERNAL_INPUTS: status = ExternalInputsOf(block); break;
    default: return ERROR_INVALID_FUNCTION;
  }

  block.PutU16(TAMRIX_OFS_STATUS, status);
  std::memcpy(out_buffer, block.bytes.data(), TAMRIX_BLOCK_SIZE);
  if (bytes_returned != nullptr) *bytes_returned = TAMRIX_BLOCK_SIZE;
  return ERROR_SUCCESS;
}

DWORD Driver::SimControl(DWORD io_control_code, const void *in_buffer, DWORD in_size,
                         void *out_buffer, DWORD out_size, DWORD *bytes_returned) {
  if (bytes_returned != nullptr) *bytes_returned = 0;
  if (in_buffer == nullptr && in_size > 0) return ERROR_INVALID_PARAMETER;
  const auto *in = static_cast<const char *>(in_buffer);
  std::string why;
  DWORD error = ERROR_SUCCESS;
  switch (io_control_code) {
    case TAMRIX_SIM_IOCTL_LOAD: error = LoadScenario(in, in_size, why); break;
    case TAMRIX_SIM_IOCTL_FAULT: {
      std::shared_lock slots(slots_lock_);
      try {
        const Fault fault = ParseFault(std::string_view(in, in_size), "fault",
                                       scenario_ ? *scenario_ : Scenario::Default());
        slots_[fault.slot]->Inject(fault);
      } catch (const ScenarioError &refused) {
        why = refused.line;
        error = TAMRIX_SIM_ERROR_INVALID_DATA;
      }
      break;
    }
    case TAMRIX_SIM_IOCTL_INPUT: {
      tamrix_sim_input set{};
      if (in_size != sizeof set) return ERROR_INVALID_PARAMETER;
      std::memcpy(&set, in, sizeof set);
      std::shared_lock slots(slots_lock_);
      if (set.slot >= kSlotCount || !slots_[set.slot]->Fitted()) {
        why = "input: slot " + std::to_string(set.slot) + " has no board";
      } else if (set.input > TAMRIX_SIM_INPUT_EXIN1) {
        why = "input: no input " + std::to_string(set.input);
      } else if (set.on > 1) {
        why = "input: the state is 0 or 1, not " + std::to_string(set.on);
      } else {
        slots_[set.slot]->SetInput(static_cast<InputLine>(set.input), set.on == 1);
        break;
      }
      error = TAMRIX_SIM_ERROR_INVALID_DATA;
      break;
    }
    default: return ERROR_INVALID_FUNCTION;
  }
  if (!why.empty()) Tell(why, out_buffer, out_size, bytes_returned);
  return error;
}

DWORD Driver::LoadScenario(const char *in, DWORD in_size, std::string &why) {
  const char *const end = in + in_size;
  const char *const name_end = std::find(in, end, '\0');
  if (name_end == end) return ERROR_INVALID_PARAMETER;
  const std::string name(in, name_end);
  std::shared_ptr<const Scenario> scenario;
  try {
    scenario = std::make_shared<const Scenario>(
        ParseScenario(std::string_view(name_end + 1, end - name_end - 1), name));
  } catch (const ScenarioError &refused) {
    why = refused.line;
    return TAMRIX_SIM_ERROR_INVALID_DATA;
  }
  std::unique_lock slots(slots_lock_);
  for (const auto &slot : slots_) {
    if (slot->IsOpen()) {
      why = name + ": not loaded: a board is open";
      return TAMRIX_SIM_ERROR_BUSY;
    }
  }
  Build(std::move(scenario));
  return ERROR_SUCCESS;
}

BoardSlot *Driver::SlotOf(const RequestBlock &block) {
  const std::uint16_t slot = block.U16(TAMRIX_OFS_SLOT);
  return slot < kSlotCount ? slots_[slot].get() : nullptr;
}

std::uint16_t Driver::Create(RequestBlock &block) {
  const std::uint16_t wanted = block.U16(TAMRIX_OFS_SLOT);
  const HWND window = block.U32(TAMRIX_OFS_WINDOW);
  if (wanted == kAnyFreeSlot) {
    for (std::uint16_t slot = 0; slot < kSlotCount; ++slot) {
      if (slots_[slot]->Open(window) == TAMRIX_DRV_OK) {
        block.PutU16(TAMRIX_OFS_ASSIGNED_SLOT, slot);
        return TAMRIX_DRV_OK;
      }
    }
    return TAMRIX_DRV_BAD_SLOT;
  }
  BoardSlot *slot = SlotOf(block);
  if (slot == nullptr) return TAMRIX_DRV_BAD_SLOT;
  const std::uint16_t status = slot->Open(window);
  if (status == TAMRIX_DRV_OK) block.PutU16(TAMRIX_OFS_ASSIGNED_SLOT, wanted);
  return status;
}

std::uint16_t Driver::Close(RequestBlock &block) {
  BoardSlot *slot = SlotOf(block);
  return slot == nullptr ? TAMRIX_DRV_BAD_SLOT : slot->Close();
}

std::uint16_t Driver::Version(RequestBlock &block) {
  block.PutU32(TAMRIX_OFS_DRV_VERSION, kDriverVersion);
  return TAMRIX_DRV_OK;
}

std::uint16_t Driver::Resources(RequestBlock &block) {
  BoardSlot *slot = SlotOf(block);
  if (slot == nullptr) {
    ClearResources(block);
    return TAMRIX_DRV_BAD_SLOT;
  }
  return slot->ReadResources(block);
}

std::uint16_t Driver::SetMode(RequestBlock &block) {
  BoardSlot *slot = SlotOf(block);
  return slot == nullptr ? TAMRIX_DRV_BAD_SLOT : slot->SetMode(block);
}

std::uint16_t Driver::Start(RequestBlock &block) {
  BoardSlot *slot = SlotOf(block);
  return slot == nullptr ? TAMRIX_DRV_BAD_SLOT : slot->Start();
}

std::uint16_t Driver::Stop(RequestBlock &block) {
  BoardSlot *slot = SlotOf(block);
  return slot == nullptr ? TAMRIX_DRV_BAD_SLOT : slot->Stop();
}

std::uint16_t Driver::SamplingStatus(RequestBlock &block) {
  std::uint32_t waiting = 0;
  std::uint32_t bits = 0;
  BoardSlot *slot = SlotOf(block);
  const std::uint16_t status =
      slot == nullptr ? TAMRIX_DRV_BAD_SLOT : slot->ReadSamplingStatus(waiting, bits);
  block.PutU32(TAMRIX_OFS_NUM_DATA, status == TAMRIX_DRV_OK ? waiting : 0);
  block.PutU32(TAMRIX_OFS_SAMPLING_BITS, status == TAMRIX_DRV_OK ? bits : 0);
  return status;
}

DWORD Driver::GetData(RequestBlock &block, void *in_buffer, DWORD in_size, std::uint16_t &status) {
  BoardSlot *slot = SlotOf(block);
  const std::uint32_t count = block.U32(TAMRIX_OFS_DATA_COUNT);
  if (slot == nullptr) {
    status = TAMRIX_DRV_BAD_SLOT;
    return ERROR_SUCCESS;
  }
  if (count == 0) {
    status = TAMRIX_DRV_BAD_COUNT;
    return ERROR_SUCCESS;
  }
  // Never write past the caller's buffer: such a request is not carried out.
  if (in_buffer == nullptr) return ERROR_INVALID_PARAMETER;
  if (in_size < 2 * static_cast<std::uint64_t>(count)) return ERROR_INSUFFICIENT_BUFFER;
  status = slot->TakeWords(in_buffer, count);
  return ERROR_SUCCESS;
}

std::uint16_t Driver::ExternalInputsOf(RequestBlock &block) {
  ExternalInputs inputs{};
  BoardSlot *slot = SlotOf(block);
  const std::uint16_t status =
      slot == nullptr ? TAMRIX_DRV_BAD_SLOT : slot->ReadExternalInputs(inputs);
  const bool ok = status == TAMRIX_DRV_OK;
  block.PutU32(TAMRIX_OFS_EX_TRG, ok && inputs.trigger ? 1 : 0);
  block.PutU32(TAMRIX_OFS_EX_IN0, ok && inputs.in0 ? 1 : 0);
  block.PutU32(TAMRIX_OFS_EX_IN1, ok && inputs.in1 ? 1 : 0);
  return status;
}

}  // namespace tamrix::vxd
