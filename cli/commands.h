// The subcommands. Each returns the exit status of a run that ended as
// it should (or was interrupted); failures are thrown as LibraryFailure or
// CommandFailure after the board has been stopped and closed.
#pragma once

#include "command_line.h"

namespace tamrix_cli {

inline constexpr int kExitInterrupted = 130;  // as a shell reports Ctrl-C

int RunList();
int RunInfo(const InfoCommand &command);
int RunRead(const ReadCommand &command);
int RunWatch(const WatchCommand &command);
int RunSim(const SimCommand &command);

}  // namespace tamrix_cli
