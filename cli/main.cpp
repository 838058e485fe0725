// tamrix-cli: the boards from the shell. Parses the command line, runs one
// subcommand, and turns every failure into one line on standard error.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <variant>

#include "commands.h"
#include "failure.h"

namespace {

using namespace tamrix_cli;

struct Runner {
  int operator()(const ListCommand &) const { return RunList(); }
  int operator()(const InfoCommand &command) const { return RunInfo(command); }
  int operator()(const ReadCommand &command) const { return RunRead(command); }
  int operator()(const WatchCommand &command) const { return RunWatch(command); }
  int operator()(const SimCommand &command) const { return RunSim(command); }
  int operator()(const PrintCommand &command) const {
    std::fputs(command.text.c_str(), stdout);
    return 0;
  }
};

const char *NameOf(const Command &command) {
  if (const auto *print = std::get_if<PrintCommand>(&command)) return print->name.c_str();
  constexpr const char *kNames[] = {"list", "info", "read", "watch", "sim"};
  return kNames[command.index()];
}

}  // namespace

int main(int argc, char **argv) {
  // A closed pipe is a write error to report, not a way to die with the
  // board still sampling.
  std::signal(SIGPIPE, SIG_IGN);
  Command command;
  try {
    command = ParseCommandLine(argc, argv);
  } catch (const UsageError &error) {
    std::fprintf(stderr, "%s: %s\n%s\n", error.command.c_str(), error.what.c_str(),
                 error.usage.c_str());
    return 2;
  } catch (const std::exception &error) {
    std::fprintf(stderr, "tamrix-cli: %s\n", error.what());
    return 1;
  }
  int status;
  try {
    status = std::visit(Runner{}, command);
  } catch (const LibraryFailure &failure) {
    std::fprintf(stderr, "%s\n", FailureLine(NameOf(command), failure).c_str());
    return 1;
  } catch (const CommandFailure &failure) {
    std::fprintf(stderr, "%s\n", FailureLine(NameOf(command), failure).c_str());
    return 1;
  } catch (const std::exception &error) {
    std::fprintf(stderr, "tamrix-cli %s: %s\n", NameOf(command), error.what());
    return 1;
  }
  const bool flushed = std::fflush(stdout) == 0;
  if (!flushed || std::ferror(stdout)) {
    // errno is the flush's only when the flush failed; an earlier write's is gone.
    std::fprintf(stderr, "tamrix-cli %s: cannot write standard output%s%s\n", NameOf(command),
                 flushed ? "" : ": ", flushed ? "" : std::strerror(errno));
    return 1;
  }
  return status;
}
