#include "replay_capture.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <array>
#include <fstream>
#include <mutex>

#include "module_dir.h"
#include "module_image.h"

namespace tamrix::vxd {
namespace {

constexpr std::array<char, 8> kSignature{'\x89', 'H', 'D', 'F', '\r', '\n', '\x1a', '\n'};

struct ReadValues {
  std::vector<std::uint16_t> values;
  std::string why;
};

void PutValues(void *sink, const std::uint16_t *values, std::size_t count) {
  static_cast<ReadValues *>(sink)->values.assign(values, values + count);
}

void PutWhy(void *sink, const char *why) { static_cast<ReadValues *>(sink)->why = why; }

}  // namespace

bool HasHdf5Signature(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::array<char, kSignature.size()> bytes{};
  for (std::streamoff at = 0; file.seekg(at) && file.read(bytes.data(), bytes.size());
       at = at == 0 ? 512 : at * 2) {
    if (bytes == kSignature) return true;
  }
  return false;
}

const tmx_capture_reader *LoadCaptureReader(const std::string &folder, std::string &why) {
  const std::string path = folder + "/" + TMX_CAPTURE_READER_FILE;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    why = "cannot be read without " + path + ", which is missing";
    return nullptr;
  }
  // Checked as the platform checks a driver module, so that a damaged file
  // is refused rather than mapped. Kept loaded: HDF5 keeps data of its own
  // for each thread that called it, freed when the thread ends.
  if (!tmx::platform::IsCompleteSharedObjectFile(path)) {
    why = "cannot be read with " + path + ", which is damaged";
    return nullptr;
  }
  void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (module == nullptr) {
    const char *error = dlerror();
    why = "cannot be read: " + std::string(error != nullptr ? error : path);
    return nullptr;
  }
  const auto entry =
      reinterpret_cast<tmx_capture_reader_entry_fn>(dlsym(module, TMX_CAPTURE_READER_ENTRY_NAME));
  const tmx_capture_reader *reader = entry != nullptr ? entry() : nullptr;
  if (reader == nullptr || reader->abi_version != TMX_CAPTURE_READER_ABI_VERSION) {
    why = "cannot be read with " + path + ", which is no capture reader of this driver";
    return nullptr;
  }
  return reader;
}

std::optional<std::vector<std::uint16_t>> ReadCaptureChannel(const std::string &path,
                                                             unsigned channel, std::string &why) {
  static std::mutex mutex;
  static const tmx_capture_reader *reader = nullptr;
  {
    const std::lock_guard lock(mutex);
    // The driver module's own folder, or a program's that links its core.
    if (reader == nullptr) {
      reader = LoadCaptureReader(
          tmx::platform::DirectoryOfFileHolding(reinterpret_cast<const void *>(&HasHdf5Signature)),
          why);
    }
    if (reader == nullptr) return std::nullopt;
  }
  ReadValues read;
  if (reader->read_channel(path.c_str(), channel, &read, &PutValues, &PutWhy) == 0) {
    why = read.why;
    return std::nullopt;
  }
  return std::move(read.values);
}

}  // namespace tamrix::vxd
