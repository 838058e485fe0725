// What ends a command with exit status 1, and the one line that reports it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tamrix_cli {

// A library function that returned failure, with the status code it left.
struct LibraryFailure {
  const char *function;
  std::uint32_t slot;
  std::int32_t code;
};

// Any other failure of a command, on a slot or before there is one, told in
// words.
struct CommandFailure {
  std::optional<std::uint32_t> slot;
  std::string what;
};

// "tamrix-cli read: slot 3: TamrixCreate failed: status 100 TAMRIX_ERR_SLOT
// (bad slot: ...)"; codes without a name (platform errors, driver statuses)
// are said to be such.
std::string FailureLine(const char *command, const LibraryFailure &failure);
std::string FailureLine(const char *command, const CommandFailure &failure);

}  // namespace tamrix_cli
