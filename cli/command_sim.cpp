// sim: sends one control to the simulated driver, the one the board service
// hosts when the device layer goes through it, else this process's own.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "commands.h"
#include "failure.h"
#include "tamrix_sim.h"
#include "tamrix_window.h"

namespace tamrix_cli {
namespace {

// The driver's own line when it gave one, else the platform code in words.
std::string Refusal(std::uint32_t error, const char *why) {
  if (*why != '\0') return why;
  std::string line = "the driver did not carry it out: error " + std::to_string(error);
  if (const char *text = tmx_error_text(error)) line += std::string(" ") + text;
  return line;
}

}  // namespace

int RunSim(const SimCommand &command) {
  char why[512];
  std::uint32_t error = 0;
  switch (command.action) {
    case SimCommand::Action::kLoad: {
      std::ifstream file(command.file, std::ios::binary);
      if (!file) {
        throw CommandFailure{std::nullopt,
                             "cannot read " + command.file + ": " + std::strerror(errno)};
      }
      const std::string text((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
      error = tamrix_sim_load(command.file.c_str(), text.c_str(), why, sizeof why);
      if (error != 0) throw CommandFailure{std::nullopt, Refusal(error, why)};
      return 0;
    }
    case SimCommand::Action::kFault:
      error = tamrix_sim_fault(command.fault_keys.c_str(), why, sizeof why);
      break;
    case SimCommand::Action::kInput:
      error =
          tamrix_sim_set_input(command.slot, command.input, command.on ? 1 : 0, why, sizeof why);
      break;
  }
  if (error != 0) throw CommandFailure{command.slot, Refusal(error, why)};
  return 0;
}

}  // namespace tamrix_cli
