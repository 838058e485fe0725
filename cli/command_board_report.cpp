// list and info: what a board is, without sampling.
#include <cstdio>
#include <optional>

#include "board_session.h"
#include "board_text.h"
#include "commands.h"
#include "slot_holder.h"

namespace tamrix_cli {

int RunList() {
  std::optional<std::uint32_t> driver_version;
  std::optional<HolderQuery> holders;
  for (std::uint16_t slot = 0; slot < TAMRIX_SLOT_COUNT; ++slot) {
    std::optional<BoardSession> board;
    try {
      board.emplace(slot, BoardSession::Notifications::kNone);
    } catch (const LibraryFailure &failure) {
      if (failure.code != TAMRIX_ERR_SLOT) throw;
      // No board in the slot, or one that another program holds.
      if (!holders) holders.emplace();
      if (const std::optional<SlotHolder> holder = holders->Holder(slot)) {
        std::printf("%s\n", HeldBoardLine(slot, holder->user, holder->pid, holder->host).c_str());
      }
      continue;
    }
    if (!driver_version) driver_version = DriverVersion(slot);
    const TAMRIXR record = board->Resources();
    board->Close();
    std::printf("%s\n", BoardLine(slot, *driver_version, record).c_str());
  }
  return 0;
}

int RunInfo(const InfoCommand &command) {
  BoardSession board(command.slot, BoardSession::Notifications::kNone);
  const std::uint32_t driver_version = DriverVersion(board.slot());
  const TAMRIXR record = board.Resources();
  const SamplingStatus status = board.Status();
  const ExternalInputs inputs = board.Inputs();
  board.Close();

  std::printf("slot %u\ndriver version      %s (%s)\n", board.slot(),
              DriverVersionText(driver_version).c_str(), Hex(driver_version).c_str());
  for (const std::string &line : RecordLines(record)) std::printf("%s\n", line.c_str());
  std::printf("NumData             %u\nStatus              %s (%s)\n", status.num_data,
              Hex(status.bits).c_str(), StatusWords(status.bits).c_str());
  for (const std::string &line : InputLines(inputs)) std::printf("%s\n", line.c_str());
  return 0;
}

}  // namespace tamrix_cli
