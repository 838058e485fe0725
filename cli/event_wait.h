// Waiting for whichever comes first: a notification of the board, an
// interrupt, or the end of a timeout. Never a busy loop.
#pragma once

#include <chrono>

#include "board_session.h"

namespace tamrix_cli {

enum class Wake { kNotification, kTimeout, kInterrupt };

Wake WaitForEvent(const BoardSession &board, std::chrono::milliseconds timeout);

}  // namespace tamrix_cli
