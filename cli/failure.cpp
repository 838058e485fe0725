#include "failure.h"

#include "tamrix.h"

namespace tamrix_cli {

std::string FailureLine(const char *command, const LibraryFailure &failure) {
  std::string line = std::string("tamrix-cli ") + command + ": slot " +
                     std::to_string(failure.slot) + ": " + failure.function + " failed: status " +
                     std::to_string(failure.code);
  if (const char *name = tamrix_status_name(failure.code)) {
    line += std::string(" ") + name + " (" + tamrix_status_meaning(failure.code) + ")";
  } else {
    line += " (no library code: a platform error or a driver status)";
  }
  return line;
}

std::string FailureLine(const char *command, const CommandFailure &failure) {
  const std::string slot = failure.slot ? "slot " + std::to_string(*failure.slot) + ": " : "";
  return std::string("tamrix-cli ") + command + ": " + slot + failure.what;
}

}  // namespace tamrix_cli
