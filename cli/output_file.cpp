#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "scan_writer.h"

namespace tamrix_cli {
namespace {

constexpr mode_t kPermissions = S_IRWXU | S_IRWXG | S_IRWXO;

// What a new file gets: read and write for all, less the umask.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return (S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH) & ~mask;
}

[[noreturn]] void CannotOpen(const std::string &path, int error) {
  throw OutputError{"cannot open " + path + ": " + std::strerror(error)};
}

}  // namespace

OutputFile::OutputFile(const std::string &path) {
  if (path.empty()) return;
  name_ = path;
  struct stat existing {};
  const bool exists = stat(path.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    // A pipe or a device holds nothing to keep, and is no file to replace.
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) CannotOpen(path, errno);
    owned_ = true;
    return;
  }
  // A file we may not write is refused as writing it in place would be.
  if (exists && access(path.c_str(), W_OK) != 0) CannotOpen(path, errno);
  target_ = path;
  if (exists) {
    // Behind a symbolic link the file is replaced, not the link.
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr),
                                                           &std::free);
    if (real) target_ = real.get();
  }
  std::string temporary = target_ + ".XXXXXX";
  const int descriptor = mkstemp(temporary.data());
  if (descriptor < 0) CannotOpen(path, errno);
  const mode_t mode = exists ? existing.st_mode & kPermissions : NewFileMode();
  file_ = fchmod(descriptor, mode) == 0 ? fdopen(descriptor, "wb") : nullptr;
  if (file_ == nullptr) {
    const int error = errno;
    close(descriptor);
    unlink(temporary.c_str());
    CannotOpen(path, error);
  }
  owned_ = true;
  temporary_ = temporary;
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() {
  if (owned_) std::fclose(file_);
  owned_ = false;
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
}

std::string OutputFile::Finish(bool keep) {
  if (!owned_) return {};
  owned_ = false;
  bool written = std::fclose(file_) == 0;
  if (written && keep && !temporary_.empty()) {
    written = rename(temporary_.c_str(), target_.c_str()) == 0;
    if (written) temporary_.clear();
  }
  const int error = errno;
  Discard();
  return keep && !written ? "cannot write " + name_ + ": " + std::strerror(error) : std::string();
}

}  // namespace tamrix_cli
