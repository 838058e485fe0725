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

// --help or --version: the text to print on standard output, and the
// command that prints it ("version", "help", "read") for a failure to.
struct PrintCommand {
  std::string name;
  std::string text;
};

using Command = std::variant<ListCommand, InfoCommand, ReadCommand, WatchCommand, PrintCommand>;

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
