#include "command_line.h"

#include <getopt.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace tamrix_cli {
namespace {

constexpr std::uint64_t kLastChannel = 15;
constexpr std::uint64_t kFirstMode = 1;
constexpr std::uint64_t kLastMode = 10;

constexpr char kToolUsage[] = "usage: tamrix-cli {list|info|read|watch} ... | --help | --version";

struct Subcommand {
  const char *name;
  const char *usage;
  const char *details;
};

constexpr Subcommand kSubcommands[] = {
    {"list", "usage: tamrix-cli list",
     "Lists the fitted boards: slot, driver version, revision, firmware, I/O ports, IRQ, DMA.\n"},
    {"info", "usage: tamrix-cli info SLOT",
     "Shows a board's whole resource record, its sampling status and external inputs.\n"},
    {"read",
     "usage: tamrix-cli read SLOT --channels A-B --mode N --period-us T [--count N] "
     "[--seconds S] [--format csv|raw|hdf5] [--compress] [--output FILE]",
     "Samples channels A to B and writes the sample words (whole scans): COUNT words,\n"
     "or for S seconds, whichever comes first; with neither, until Ctrl-C or SIGTERM.\n"
     "  --channels A-B   first and last channel (or one channel A)\n"
     "  --mode N         sampling mode, 1 to 10\n"
     "  --period-us T    time of one conversion in microseconds (the Timer value)\n"
     "  --count N        sample words to read, rounded up to whole scans\n"
     "  --seconds S      stop sampling after S seconds\n"
     "  --format F       csv (default): a header and one row of 12-bit values per scan;\n"
     "                   raw: the sample words as little-endian 16-bit;\n"
     "                   hdf5: a capture file that describes itself (needs --output)\n"
     "  --compress       hdf5: shuffle and deflate the samples\n"
     "  --output FILE    write to FILE instead of standard output\n"},
    {"watch", "usage: tamrix-cli watch SLOT --channels A-B --mode N --period-us T [--seconds S]",
     "Samples and prints each notification of the board as it arrives.\n"
     "  --channels A-B   first and last channel (or one channel A)\n"
     "  --mode N         sampling mode, 1 to 10\n"
     "  --period-us T    time of one conversion in microseconds (the Timer value)\n"
     "  --seconds S      stop after S seconds (default: at Ctrl-C)\n"},
};

constexpr char kToolHelp[] =
    "usage: tamrix-cli COMMAND [SLOT] [OPTIONS]\n"
    "Uses Tamrix acquisition boards from the shell.\n\n"
    "  list                 the fitted boards, one line each\n"
    "  info SLOT            a board's resources, status and external inputs\n"
    "  read SLOT OPTIONS    sample and write the words as CSV, raw or an HDF5 capture\n"
    "  watch SLOT OPTIONS   sample and print the board's notifications\n\n"
    "  -h, --help           this text; COMMAND --help for a command's options\n"
    "  --version            the tool's version\n\n"
    "Exit status: 0 success, 1 failure, 2 usage error, 130 read interrupted.\n";

class Parser {
 public:
  explicit Parser(const Subcommand &subcommand)
      : subcommand_(subcommand), command_(std::string("tamrix-cli ") + subcommand.name) {}

  [[noreturn]] void Fail(const std::string &what) const {
    throw UsageError{command_, what, subcommand_.usage};
  }

  // A decimal number from min to max; names the text given when it is not.
  std::uint64_t Unsigned(const char *option, const char *text, std::uint64_t min,
                         std::uint64_t max) const {
    // Plain decimal digits only: strtoull would take signs and blanks.
    if (*text == '\0' || std::strspn(text, "0123456789") != std::strlen(text)) {
      Fail(std::string(option) + " wants a number, not '" + text + "'");
    }
    errno = 0;
    const unsigned long long value = std::strtoull(text, nullptr, 10);
    if (errno == ERANGE || value > max) {
      Fail(std::string(option) + " " + text + " is above " + std::to_string(max));
    }
    if (value < min) Fail(std::string(option) + " " + text + " is below " + std::to_string(min));
    return value;
  }

  std::uint16_t Slot(const char *text) const {
    return static_cast<std::uint16_t>(Unsigned("SLOT", text, 0, TAMRIX_SLOT_COUNT - 1));
  }

  ChannelRange Channels(const char *text) const {
    // "A" or "A-B"; anything else ("-1", "3-", "1-2-3") is shown whole.
    const auto channel = [&](const std::string &part) {
      if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) {
        Fail(std::string("--channels wants A-B or A, not '") + text + "'");
      }
      return static_cast<unsigned>(Unsigned("--channels", part.c_str(), 0, kLastChannel));
    };
    const char *dash = std::strchr(text, '-');
    ChannelRange range;
    range.first = channel(dash ? std::string(text, dash) : std::string(text));
    range.last = dash ? channel(dash + 1) : range.first;
    if (range.first > range.last) Fail("--channels " + std::string(text) + " runs backwards");
    return range;
  }

  // Seconds as the steady clock counts them: a number too large for it would
  // wrap round to a time already past.
  std::chrono::nanoseconds Seconds(const char *text) const {
    char *end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(value) || value <= 0) {
      Fail(std::string("--seconds wants a positive number, not '") + text + "'");
    }
    const std::chrono::duration<double> seconds(value);
    using Longest = std::chrono::duration<double, std::nano>;
    if (Longest(seconds) >= Longest(std::chrono::nanoseconds::max())) {
      Fail(std::string("--seconds ") + text + " is above " +
           std::to_string(
               std::chrono::floor<std::chrono::seconds>(std::chrono::nanoseconds::max()).count()));
    }
    return std::chrono::duration_cast<std::chrono::nanoseconds>(seconds);
  }

  // Runs getopt_long over the subcommand's arguments; calls take(option,
  // argument) for each option, returns the operands.
  template <typename Take>
  std::span<char *const> Options(int argc, char **argv, const option *options, Take take) {
    opterr = 0;
    optind = 1;
    int index = 0;
    for (;;) {
      const int c = getopt_long(argc, argv, ":h", options, &index);
      if (c == -1) break;
      if (c == 'h') {
        throw PrintCommand{subcommand_.name,
                           std::string(subcommand_.usage) + "\n" + subcommand_.details};
      }
      if (c == ':') Fail(std::string("option ") + argv[optind - 1] + " wants a value");
      if (c == '?') Fail(std::string("unknown option ") + argv[optind - 1]);
      take(c, optarg);
    }
    return {argv + optind, argv + argc};
  }

  const char *name() const { return subcommand_.name; }

 private:
  const Subcommand &subcommand_;
  std::string command_;
};

enum OptionId { kChannels = 1000, kMode, kPeriod, kCount, kFormat, kCompress, kOutput, kSeconds };

constexpr option kHelpOption{"help", no_argument, nullptr, 'h'};

Command ParseList(Parser &parser, int argc, char **argv) {
  const option options[] = {kHelpOption, {}};
  const auto operands = parser.Options(argc, argv, options, [](int, const char *) {});
  if (!operands.empty()) parser.Fail(std::string("unexpected argument '") + operands[0] + "'");
  return ListCommand{};
}

Command ParseInfo(Parser &parser, int argc, char **argv) {
  const option options[] = {kHelpOption, {}};
  const auto operands = parser.Options(argc, argv, options, [](int, const char *) {});
  if (operands.size() != 1)
    parser.Fail(operands.empty() ? "SLOT is missing" : "too many arguments");
  return InfoCommand{parser.Slot(operands[0])};
}

Command ParseSampling(Parser &parser, int argc, char **argv) {
  const bool read = std::strcmp(parser.name(), "read") == 0;
  std::vector<option> options = {kHelpOption,
                                 {"channels", required_argument, nullptr, kChannels},
                                 {"mode", required_argument, nullptr, kMode},
                                 {"period-us", required_argument, nullptr, kPeriod}};
  if (read) {
    options.push_back({"count", required_argument, nullptr, kCount});
    options.push_back({"format", required_argument, nullptr, kFormat});
    options.push_back({"compress", no_argument, nullptr, kCompress});
    options.push_back({"output", required_argument, nullptr, kOutput});
  }
  options.push_back({"seconds", required_argument, nullptr, kSeconds});
  options.push_back({});

  SamplingOptions sampling;
  ReadCommand read_command;
  WatchCommand watch_command;
  bool has_channels = false, has_mode = false, has_period = false;
  const auto operands = parser.Options(argc, argv, options.data(), [&](int id, const char *value) {
    switch (id) {
      case kChannels:
        sampling.channels = parser.Channels(value);
        has_channels = true;
        break;
      case kMode:
        sampling.mode =
            static_cast<std::int32_t>(parser.Unsigned("--mode", value, kFirstMode, kLastMode));
        has_mode = true;
        break;
      case kPeriod:
        sampling.period_us =
            static_cast<std::uint32_t>(parser.Unsigned("--period-us", value, 1, TAMRIX_TIMER_MAX));
        has_period = true;
        break;
      case kCount:
        // Far beyond any capture, and safe to round up to whole scans.
        read_command.count = parser.Unsigned("--count", value, 1, std::uint64_t{1} << 48);
        break;
      case kFormat:
        if (std::strcmp(value, "csv") == 0) {
          read_command.format = OutputFormat::kCsv;
        } else if (std::strcmp(value, "raw") == 0) {
          read_command.format = OutputFormat::kRaw;
        } else if (std::strcmp(value, "hdf5") == 0) {
          read_command.format = OutputFormat::kHdf5;
        } else {
          parser.Fail(std::string("--format is csv, raw or hdf5, not '") + value + "'");
        }
        break;
      case kCompress: read_command.compress = true; break;
      case kOutput:
        if (*value == '\0') parser.Fail("--output wants a file name");
        read_command.output = value;
        break;
      case kSeconds:
        watch_command.seconds = parser.Seconds(value);
        read_command.seconds = watch_command.seconds;
        break;
    }
  });
  if (operands.size() != 1)
    parser.Fail(operands.empty() ? "SLOT is missing" : "too many arguments");
  sampling.slot = parser.Slot(operands[0]);
  if (!has_channels) parser.Fail("--channels is missing");
  if (!has_mode) parser.Fail("--mode is missing");
  if (!has_period) parser.Fail("--period-us is missing");
  if (read) {
    const bool hdf5 = read_command.format == OutputFormat::kHdf5;
    if (hdf5 && read_command.output.empty()) parser.Fail("--format hdf5 needs --output");
    if (read_command.compress && !hdf5) parser.Fail("--compress is for --format hdf5");
    read_command.sampling = sampling;
    return read_command;
  }
  watch_command.sampling = sampling;
  return watch_command;
}

}  // namespace

Command ParseCommandLine(int argc, char **argv) {
  if (argc < 2) throw UsageError{"tamrix-cli", "no command given", kToolUsage};
  const std::string first = argv[1];
  if (first == "-h" || first == "--help") return PrintCommand{"help", kToolHelp};
  if (first == "--version") return PrintCommand{"version", "tamrix-cli " TAMRIX_CLI_VERSION "\n"};
  for (const Subcommand &subcommand : kSubcommands) {
    if (first != subcommand.name) continue;
    Parser parser(subcommand);
    try {
      // The subcommand's own arguments, with its name in place of argv[0].
      if (first == "list") return ParseList(parser, argc - 1, argv + 1);
      if (first == "info") return ParseInfo(parser, argc - 1, argv + 1);
      return ParseSampling(parser, argc - 1, argv + 1);
    } catch (PrintCommand &help) {
      return help;
    }
  }
  throw UsageError{"tamrix-cli", "unknown command '" + first + "'", kToolUsage};
}

}  // namespace tamrix_cli
