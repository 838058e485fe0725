// The tool's command line: one subcommand, its SLOT and its long options.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "sampling_plan.h"

namespace tamrix_cli {

enum class OutputFormat { kCsv, kRaw, kHdf5 };

struct ListCommand {};

struct InfoCommand {
  std::uint16_t slot = 0;
};

// The sampling options read and watch share.
struct SamplingOptions {
  std::uint16_t slot = 0;
  ChannelRange channels;
  std::int32_t mode = 0;
  std::uint32_t period_us = 0;
};

// With neither a count nor seconds, read samples until interrupted.
struct ReadCommand {
  SamplingOptions sampling;
  std::uint64_t count = 0;  // 0: no count
  std::optional<std::chrono::nanoseconds> seconds;
  OutputFormat format = OutputFormat::kCsv;
  bool compress = false;  // hdf5 only
  std::string output;     // empty: standard output
};

struct WatchCommand {
  SamplingOptions sampling;
  std::optional<std::chrono::nanoseconds> seconds;  // none: until interrupted
};

// sim: a control of the simulated boards (load a scenario, fire a fault,
// set an external input).
struct SimCommand {
  enum class Action { kLoad, kFault, kInput };
  Action action = Action::kLoad;
  std::string file;         // load
  std::uint16_t slot = 0;   // fault, input
  std::string fault_keys;   // fault: the keys of a [[fault]] table, as TOML
  std::uint16_t input = 0;  // input: TAMRIX_SIM_INPUT_*
  bool on = false;          // input
};

// --help or --version: the text to print on standard output, and the
// command that prints it ("version", "help", "read") for a failure to.
struct PrintCommand {
  std::string name;
  std::string text;
};

using Command =
    std::variant<ListCommand, InfoCommand, ReadCommand, WatchCommand, SimCommand, PrintCommand>;

// A command line that cannot be run: what is wrong, and the usage line of
// the subcommand (or the tool's) to show with it.
struct UsageError {
  std::string command;  // "tamrix-cli read"
  std::string what;
  std::string usage;
};

// Reads argv; throws UsageError.
Command ParseCommandLine(int argc, char **argv);

}  // namespace tamrix_cli
