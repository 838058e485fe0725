#include "module_probe.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "error_codes.h"
#include "module_dir.h"

namespace tmx::platform {

DWORD ProbeModule(const std::string &module_path) {
  const std::string probe = PrivateModuleDirectory() + "/" + kProbeName;
  char *argv[] = {const_cast<char *>(probe.c_str()), const_cast<char *>(module_path.c_str()),
                  nullptr};
  // Spawned rather than forked: the caller may be threaded, and the probe
  // must die of its own faults whatever the caller does with signals.
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) return ERROR_NOT_ENOUGH_MEMORY;
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t child = -1;
  const int error = posix_spawn(&child, probe.c_str(), nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) return ErrorFromErrno(error);

  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    // Reaped by someone else: the outcome is unknown, so the module is not trusted.
    if (errno != EINTR) return ERROR_BAD_EXE_FORMAT;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ERROR_SUCCESS : ERROR_BAD_EXE_FORMAT;
}

}  // namespace tmx::platform
