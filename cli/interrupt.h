// Ctrl-C (SIGINT) and SIGTERM as an event a command can wait for beside its
// board's notifications, instead of the end of the process.
#pragma once

namespace tamrix_cli {

// Installs the handlers; from then on the signals only mark the request.
void CatchInterrupts();

// Polls readable once an interrupt was requested.
int InterruptDescriptor();

bool InterruptRequested();

}  // namespace tamrix_cli
