#include "slot_holder.h"

#include "request_block.h"
#include "tamrix_platform/device.h"
#include "tamrix_protocol.h"
#include "tamrix_service.h"

namespace tamrix_cli {
namespace {

std::string Text(const tamrix::RequestBlock &block, std::size_t offset) {
  std::string text;
  for (std::size_t i = offset; i < offset + TAMRIX_HOLDER_TEXT_SIZE - 1 && block.bytes[i]; ++i) {
    text += static_cast<char>(block.bytes[i]);
  }
  return text;
}

}  // namespace

HolderQuery::HolderQuery()
    : device_(tmx_create_file(TAMRIX_DEVICE_NAME, 0, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr)) {}

HolderQuery::~HolderQuery() {
  if (device_ != INVALID_HANDLE_VALUE) tmx_close_handle(device_);
}

std::optional<SlotHolder> HolderQuery::Holder(std::uint16_t slot) const {
  if (device_ == INVALID_HANDLE_VALUE) return std::nullopt;
  tamrix::RequestBlock block{};
  block.PutU16(TAMRIX_OFS_SLOT, slot);
  DWORD returned = 0;
  if (!tmx_device_io_control(device_, TAMRIX_IOCTL_HOLDER, nullptr, 0, block.bytes.data(),
                             TAMRIX_BLOCK_SIZE, &returned, nullptr) ||
      block.U16(TAMRIX_OFS_STATUS) != TAMRIX_DRV_OK) {
    return std::nullopt;
  }
  return SlotHolder{Text(block, TAMRIX_HOLDER_OFS_USER), block.U32(TAMRIX_HOLDER_OFS_PID),
                    Text(block, TAMRIX_HOLDER_OFS_HOST)};
}

}  // namespace tamrix_cli
