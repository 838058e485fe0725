#include "tamrix_platform/help.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include "error_codes.h"
#include "module_dir.h"

namespace {

constexpr const char *kViewerName = "tamrix-help";

// The faces the program chose for its help; empty for the viewer's own.
struct HelpFaces {
  std::mutex mutex;
  std::string text;
  std::string code;
};

HelpFaces &Faces() {
  static HelpFaces faces;
  return faces;
}

// The viewer's command line: the faces as options, the help file last.
std::vector<std::string> ViewerArguments(const std::string &viewer, const char *help_file) {
  std::vector<std::string> arguments{viewer};
  HelpFaces &faces = Faces();
  {
    const std::lock_guard lock(faces.mutex);
    if (!faces.text.empty()) arguments.insert(arguments.end(), {"--text-face", faces.text});
    if (!faces.code.empty()) arguments.insert(arguments.end(), {"--code-face", faces.code});
  }
  arguments.emplace_back(help_file);
  return arguments;
}

// Between fork and exec only async-signal-safe calls are allowed: the caller
// may have other threads holding locks.
[[noreturn]] void ExecViewer(const char *program, char *const argv[], int report) {
  setsid();  // leave the caller's session, so its terminal signals miss the viewer
  sigset_t all;
  sigemptyset(&all);
  sigprocmask(SIG_SETMASK, &all, nullptr);
  // Descriptors of the caller (device handles, window queues) stay behind.
#ifdef SYS_close_range
  syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */);
#endif
  execv(program, argv);
  const int error = errno;
  (void)!write(report, &error, sizeof error);
  _exit(127);
}

// Starts the program (arguments[0]) detached from the caller: the
// intermediate child exits at once and is reaped here, the program itself is
// adopted by init, so the caller neither waits for it nor is left with a
// zombie. 0, or the errno why the program did not start.
int StartDetached(const std::vector<std::string> &arguments) {
  // Built before the fork: the child may not allocate.
  std::vector<char *> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string &argument : arguments)
    argv.push_back(const_cast<char *>(argument.c_str()));
  argv.push_back(nullptr);
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return errno;
  const pid_t child = fork();
  if (child < 0) {
    const int error = errno;
    close(report[0]);
    close(report[1]);
    return error;
  }
  if (child == 0) {
    close(report[0]);
    const pid_t viewer = fork();
    if (viewer == 0) ExecViewer(argv[0], argv.data(), report[1]);
    if (viewer < 0) {
      const int error = errno;
      (void)!write(report[1], &error, sizeof error);
    }
    _exit(0);
  }
  close(report[1]);
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  // The pipe closes unwritten when exec succeeds.
  int error = 0;
  ssize_t n;
  while ((n = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  return n == static_cast<ssize_t>(sizeof error) ? error : 0;
}

}  // namespace

extern "C" BOOL tmx_win_help(HWND, const char *help_file, UINT command, uint32_t) {
  if (command != HELP_CONTENTS || help_file == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int error = StartDetached(
      ViewerArguments(tmx::platform::PrivateModuleDirectory() + "/" + kViewerName, help_file));
  if (error != 0) {
    SetLastError(tmx::platform::ErrorFromErrno(error));
    return 0;
  }
  return 1;
}

extern "C" void tmx_win_help_faces(const char *text_face, const char *code_face) {
  HelpFaces &faces = Faces();
  const std::lock_guard lock(faces.mutex);
  faces.text = text_face != nullptr ? text_face : "";
  faces.code = code_face != nullptr ? code_face : "";
}
