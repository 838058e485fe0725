#include "library.h"

#include "mode_encoding.h"
#include "resource_record.h"
#include "status.h"

namespace tamrix {

bool Library::Attach() {
  if (!Attached()) device_ = channel_.Open(TAMRIX_DEVICE_NAME);
  return Attached();
}

void Library::Detach() {
  if (!Attached()) return;
  channel_.Close(device_);
  device_ = kInvalidDevice;
}

Library::SlotState *Library::BeginSlotCall(std::uint32_t slot) {
  library_status_ = TAMRIX_SUCCESS;
  const std::uint16_t number = SlotNumber(slot);
  if (number >= TAMRIX_SLOT_COUNT) {
    library_status_ = TAMRIX_ERR_SLOT;
    return nullptr;
  }
  return &slots_[number];
}

Library::SlotState *Library::BeginOpenSlotCall(std::uint32_t slot) {
  SlotState *state = BeginSlotCall(slot);
  if (state != nullptr && state->open == 0) {
    state->status = TAMRIX_ERR_NO_CREATE;
    return nullptr;
  }
  return state;
}

Library::Outcome Library::Send(std::uint32_t code, RequestBlock &block, std::int32_t &status,
                               void *input, std::uint32_t input_size) {
  if (!channel_.Send(device_, code, input, input_size, block)) {
    status = channel_.LastError();
    // A request not carried out must never read as success.
    if (status == TAMRIX_SUCCESS) status = TAMRIX_ERR_UNKNOWN;
    return Outcome::kNotCarriedOut;
  }
  status = TranslateDriverStatus(block.U16(TAMRIX_OFS_STATUS));
  return Outcome::kAnswered;
}

std::int32_t Library::Create(std::uint16_t *slot, std::uint32_t window, void *) {
  library_status_ = TAMRIX_SUCCESS;
  if (slot == nullptr) {
    library_status_ = TAMRIX_ERR_INV_ARG;
    return 0;
  }
  RequestBlock block{};
  block.PutU16(TAMRIX_OFS_SLOT, *slot == TAMRIX_ANY_SLOT ? TAMRIX_SLOT_COUNT : *slot);
  block.PutU32(TAMRIX_OFS_WINDOW, window);
  std::int32_t status = TAMRIX_SUCCESS;
  if (Send(TAMRIX_IOCTL_CREATE, block, status) == Outcome::kNotCarriedOut ||
      status != TAMRIX_SUCCESS) {
    library_status_ = status;
    return 0;
  }
  const std::uint16_t assigned = block.U16(TAMRIX_OFS_ASSIGNED_SLOT);
  if (assigned >= TAMRIX_SLOT_COUNT) {
    // A driver that names no real slot has opened nothing we can address.
    library_status_ = TAMRIX_ERR_INTERNAL;
    return 0;
  }
  *slot = assigned;
  SlotState &state = slots_[assigned];
  state.open = 1;
  state.mode_set = 0;
  state.status = TAMRIX_SUCCESS;
  return 1;
}

std::int32_t Library::Close(std::uint32_t slot) {
  SlotState *state = BeginSlotCall(slot);
  if (state == nullptr) return 0;
  RequestBlock block{};
  block.PutU16(TAMRIX_OFS_SLOT, SlotNumber(slot));
  std::int32_t status = TAMRIX_SUCCESS;
  if (Send(TAMRIX_IOCTL_CLOSE, block, status) == Outcome::kAnswered && status == TAMRIX_SUCCESS) {
    state->open = 0;
    state->mode_set = 0;
  }
  state->status = status;
  return Result(status);
}

std::int32_t Library::GetVersion(std::uint32_t *library_version, std::uint32_t *driver_version) {
  library_status_ = TAMRIX_SUCCESS;
  if (library_version == nullptr || driver_version == nullptr) {
    library_status_ = TAMRIX_ERR_INV_ARG;
    return 0;
  }
  RequestBlock block{};
  std::int32_t status = TAMRIX_SUCCESS;
  const Outcome outcome = Send(TAMRIX_IOCTL_VERSION, block, status);
  if (outcome == Outcome::kAnswered) {
    *library_version = TAMRIX_LIBRARY_VERSION;
    *driver_version = block.U32(TAMRIX_OFS_DRV_VERSION);
  }
  library_status_ = status;
  return Result(status);
}

std::int32_t Library::GetResource(std::uint32_t slot, TAMRIXR *record) {
  SlotState *state = BeginOpenSlotCall(slot);
  if (state == nullptr) return 0;
  if (record == nullptr) {
    state->status = TAMRIX_ERR_INV_ARG;
    return 0;
  }
  RequestBlock block{};
  block.PutU16(TAMRIX_OFS_SLOT, SlotNumber(slot));
  std::int32_t status = TAMRIX_SUCCESS;
  if (Send(TAMRIX_IOCTL_RESOURCES, block, status) == Outcome::kAnswered) {
    CopyResources(block, *record);
  }
  state->status = status;
  return Result(status);
}

std::int32_t Library::SetMode(std::uint32_t slot, const ModeRecord *mode) {
  SlotState *state = BeginOpenSlotCall(slot);
  if (state == nullptr) return 0;
  if (mode == nullptr) {
    state->status = TAMRIX_ERR_INV_ARG;
    return 0;
  }
  const ModeRecord record = *mode;
  if (record.Timer == 0 || record.Timer > TAMRIX_TIMER_MAX) {
    state->status = TAMRIX_ERR_TIMER;
    return 0;
  }
  RequestBlock block{};
  EncodeTimer(record.Timer, block);
  if (record.ChFirst >= TAMRIX_SLOT_COUNT || record.ChLast >= TAMRIX_SLOT_COUNT) {
    state->status = TAMRIX_ERR_CHANNEL;
    return 0;
  }
  if (record.BuffSize == 0) {
    state->status = TAMRIX_ERR_INV_ARG;
    return 0;
  }
  if (IsDmaMode(record.Mode) && record.BuffSize > kMaxWordsByByteCount) {
    state->status = TAMRIX_ERR_DMA_BUFFSIZE;
    return 0;
  }
  // Stands whatever the driver answers.
  state->buffer_size = record.BuffSize;
  EncodeMode(SlotNumber(slot), record, block);
  std::int32_t status = TAMRIX_SUCCESS;
  const bool carried_out = Send(TAMRIX_IOCTL_SET_MODE, block, status) != Outcome::kNotCarriedOut;
  if (carried_out && status == TAMRIX_SUCCESS) {
    state->mode_set = 1;
  } else if (!carried_out || status != TAMRIX_ERR_MODE_KEPT) {
    state->mode_set = 0;  // a kept mode stays in force
  }
  state->status = status;
  return Result(status);
}

std::int32_t Library::StartSampling(std::uint32_t slot) {
  SlotState *state = BeginOpenSlotCall(slot);
  if (state == nullptr) return 0;
  if (state->mode_set == 0) {
    state->status = TAMRIX_ERR_INV_ARG;
    return 0;
  }
  RequestBlock block{};
  block.PutU16(TAMRIX_OFS_SLOT, SlotNumber(slot));
  std::int32_t status = TAMRIX_SUCCESS;
  Send(TAMRIX_IOCTL_START, block, status);
  state->status = status;
  return Result(status);
}

std::int32_t Library::StopSampling(std::uint32_t slot) {
  SlotState *state = BeginOpenSlotCall(slot);
  if (state == nullptr) return 0;
  RequestBlock block{};
  block.PutU16(TAMRIX_OFS_SLOT, SlotNumber(slot));
  std::int32_t status = TAMRIX_SUCCESS;
  Send(TAMRIX_IOCTL_STOP, block, status);
  state->status = status;
  return Result(status);
}

std::int32_t Library::GetSamplingStatus(std::uint32_t slot, std::uint32_t *num_data,
                                        std::uint32_t *status) {
  SlotState *state = BeginOpenSlotCall(slot);
  if (state == nullptr) return 0;
  if (num_data == nullptr || status == nullptr) {
    state->status = TAMRIX_ERR_INV_ARG;
    return 0;
  }
  RequestBlock block{};
  block.PutU16(TAMRIX_OFS_SLOT, SlotNumber(slot));
  std::int32_t outcome = TAMRIX_SUCCESS;
  if (Send(TAMRIX_IOCTL_SAMPLING_STATUS, block, outcome) == Outcome::kAnswered) {
    *num_data = block.U32(TAMRIX_OFS_NUM_DATA);
    *status = block.U32(TAMRIX_OFS_SAMPLING_BITS);
  }
  state->status = outcome;
  return Result(outcome);
}

std::int32_t Library::GetData(std::uint32_t slot, std::uint32_t count, std::uint16_t *buffer) {
  SlotState *state = BeginOpenSlotCall(slot);
  if (state == nullptr) return 0;
  // The byte length of the request must fit in 32 bits as well.
  if (count == 0 || count > state->buffer_size || count > kMaxWordsByByteCount) {
    state->status = TAMRIX_ERR_NUMDATA;
    return 0;
  }
  if (buffer == nullptr) {
    state->status = TAMRIX_ERR_INV_ARG;
    return 0;
  }
  RequestBlock block{};
  block.PutU16(TAMRIX_OFS_SLOT, SlotNumber(slot));
  block.PutU32(TAMRIX_OFS_DATA_COUNT, count);
  std::int32_t status = TAMRIX_SUCCESS;
  Send(TAMRIX_IOCTL_GET_DATA, block, status, buffer, 2 * count);
  state->status = status;
  return Result(status);
}

std::int32_t Library::GetLastError(std::uint32_t slot) {
  const std::uint16_t number = SlotNumber(slot);
  if (number >= TAMRIX_SLOT_COUNT) {
    library_status_ = TAMRIX_ERR_SLOT;
    return TAMRIX_ERR_SLOT;
  }
  if (const std::int32_t status = library_status_; status != TAMRIX_SUCCESS) return status;
  return slots_[number].status;
}

std::int32_t Library::GetExIn(std::uint32_t slot, std::int32_t *ex_in0, std::int32_t *ex_in1,
                              std::int32_t *ex_trg) {
  SlotState *state = BeginOpenSlotCall(slot);
  if (state == nullptr) return 0;
  if (ex_in0 == nullptr || ex_in1 == nullptr || ex_trg == nullptr) {
    state->status = TAMRIX_ERR_INV_ARG;
    return 0;
  }
  RequestBlock block{};
  block.PutU16(TAMRIX_OFS_SLOT, SlotNumber(slot));
  std::int32_t status = TAMRIX_SUCCESS;
  if (Send(TAMRIX_IOCTL_EXTERNAL_INPUTS, block, status) == Outcome::kAnswered) {
    const auto input = [&block](std::size_t at) { return block.U32(at) == 1 ? -1 : 0; };
    *ex_trg = input(TAMRIX_OFS_EX_TRG);
    *ex_in0 = input(TAMRIX_OFS_EX_IN0);
    *ex_in1 = input(TAMRIX_OFS_EX_IN1);
  }
  state->status = status;
  return Result(status);
}

}  // namespace tamrix
