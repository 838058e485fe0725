#include "module_probe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "error_codes.h"
#include "module_dir.h"

namespace tmx::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Far more than any sound module needs, however busy the machine.
constexpr auto kProbeDeadline = std::chrono::seconds(5);

// The probe's descriptor for the write end of its report pipe.
constexpr int kReportDescriptor = 3;

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;

  int get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// What came through the pipe by the deadline: the probe's byte, the end of
// the pipe without it (the probe died or gave up), or nothing yet.
enum class Report { kLived, kDied, kLate };

Report AwaitReport(int read_end) {
  const auto deadline = Clock::now() + kProbeDeadline;
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Report::kLate;
    pollfd wait{read_end, POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left));
    if (ready < 0 && errno != EINTR) return Report::kDied;
    if (ready <= 0) continue;
    char byte = 0;
    const ssize_t n = read(read_end, &byte, 1);
    if (n == 1) return Report::kLived;
    if (n == 0 || errno != EINTR) return Report::kDied;
  }
}

}  // namespace

DWORD ProbeModule(const std::string &module_path) {
  const std::string probe = PrivateModuleDirectory() + "/" + kProbeName;
  const std::string parent = std::to_string(getpid());
  const std::string report_fd = std::to_string(kReportDescriptor);
  char *argv[] = {const_cast<char *>(probe.c_str()), const_cast<char *>(module_path.c_str()),
                  const_cast<char *>(parent.c_str()), const_cast<char *>(report_fd.c_str()),
                  nullptr};

  // The verdict travels through a pipe rather than the exit status, which a
  // caller that ignores SIGCHLD (or reaps every child itself) never sees.
  // Both ends are close-on-exec, so no other child of the caller holds them;
  // the probe's copy of the write end loses the flag in its dup2.
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return ErrorFromErrno(errno);
  Descriptor read_end(ends[0]);
  Descriptor write_end(ends[1]);
  if (write_end.get() == kReportDescriptor) {
    // dup2 onto itself would keep close-on-exec: move it out of the way.
    const int moved = fcntl(write_end.get(), F_DUPFD_CLOEXEC, kReportDescriptor + 1);
    if (moved < 0) return ErrorFromErrno(errno);
    write_end.Reset(moved);
  }

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return ERROR_NOT_ENOUGH_MEMORY;
  posix_spawn_file_actions_adddup2(&actions, write_end.get(), kReportDescriptor);
  // Spawned rather than forked: the caller may be threaded, and the probe
  // must die of its own faults whatever the caller does with signals.
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t child = -1;
  const int error = posix_spawn(&child, probe.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return ErrorFromErrno(error);
  write_end.Reset();  // only the probe's copy is left, so its end is seen

  const Report report = AwaitReport(read_end.get());
  if (report == Report::kLate) kill(child, SIGKILL);
  // Only to reap it: where SIGCHLD is ignored the system already has (ECHILD).
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  switch (report) {
    case Report::kLived: return ERROR_SUCCESS;
    case Report::kLate: return ERROR_TIMEOUT;
    case Report::kDied: break;
  }
  return ERROR_BAD_EXE_FORMAT;
}

}  // namespace tmx::platform
