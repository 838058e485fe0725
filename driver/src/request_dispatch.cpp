#include "request_dispatch.h"

#include <cstring>

#include "resource_packing.h"

namespace tamrix::vxd {

Driver::Driver(const Poster &poster, Clock::time_point power_on) {
  for (std::uint16_t slot = 0; slot < kSlotCount; ++slot) {
    slots_[slot] = std::make_unique<BoardSlot>(slot, BoardInSlot(slot), power_on, poster);
  }
}

Driver::~Driver() = default;

DWORD Driver::Control(DWORD io_control_code, void *in_buffer, DWORD in_size, void *out_buffer,
                      DWORD out_size, DWORD *bytes_returned) {
  if (out_buffer == nullptr || out_size < TAMRIX_BLOCK_SIZE) return ERROR_INSUFFICIENT_BUFFER;
  RequestBlock block;
  std::memcpy(block.bytes.data(), out_buffer, TAMRIX_BLOCK_SIZE);

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
