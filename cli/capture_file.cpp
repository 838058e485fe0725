#include "capture_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "capture_format.h"
#include "tamrix.h"

namespace tamrix_cli {
namespace {

namespace format = tamrix::capture_format;
using format::Handle;

// About 2 MiB a chunk whatever the channel count: a whole read costs little
// more than reading the bytes. The writer's chunk cache holds a few of them,
// so that a chunk filled batch by batch is not read back from the file. A
// compressed chunk is compressed and stored anew at every flush until it is
// full, so those are 128 KiB.
constexpr hsize_t kChunkWords = hsize_t{1} << 20;
constexpr hsize_t kCompressedChunkWords = hsize_t{1} << 16;
constexpr std::size_t kChunkCacheBytes = std::size_t{16} << 20;
constexpr std::size_t kChunkCacheSlots = 521;  // a prime, as the library advises
constexpr hsize_t kEventChunkRows = 256;
constexpr unsigned kDeflateLevel = 4;
constexpr std::size_t kEventNameSize = 20;

// An event row as it sits in memory.
struct EventRow {
  std::uint64_t scan;
  double seconds;
  std::uint32_t message;
  char name[kEventNameSize];
  std::int64_t words_lost;
};

// Space the file system holds for the file beyond what it uses: room for
// the metadata and the data the library still caches.
constexpr off_t kReserveBytes = off_t{4} << 20;

// The library's errors are told once, in our words, not printed by it; each
// thread has its own error stack.
void QuietLibraryErrors() {
  PrepareCaptureLibrary();
  thread_local const bool quiet = H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr) >= 0;
  (void)quiet;
}

// The system's reason when the library names one ("errno = 28" in one of
// its messages), else the library's innermost message.
herr_t Visit(unsigned, const H5E_error2_t *error, void *found) {
  auto &reason = *static_cast<std::string *>(found);
  if (error->desc == nullptr) return 0;
  if (const char *at = std::strstr(error->desc, "errno = ")) {
    reason = std::strerror(std::atoi(at + 8));
    return 1;  // the system's reason is the best there is
  }
  reason = error->desc;
  return 0;
}

std::string LibraryReason() {
  std::string reason;
  H5Ewalk2(H5E_DEFAULT, H5E_WALK_UPWARD, Visit, &reason);
  H5Eclear2(H5E_DEFAULT);
  return reason.empty() ? "HDF5 error" : reason;
}

hid_t EventFileType() {
  const hid_t name = H5Tcopy(H5T_C_S1);
  H5Tset_size(name, kEventNameSize);
  H5Tset_strpad(name, H5T_STR_NULLPAD);
  const hid_t type = H5Tcreate(H5T_COMPOUND, 8 + 8 + 4 + kEventNameSize + 8);
  H5Tinsert(type, "scan", 0, H5T_STD_U64LE);
  H5Tinsert(type, "seconds", 8, H5T_IEEE_F64LE);
  H5Tinsert(type, "message", 16, H5T_STD_U32LE);
  H5Tinsert(type, "name", 20, name);
  H5Tinsert(type, "words_lost", 20 + kEventNameSize, H5T_STD_I64LE);
  H5Tclose(name);
  return type;
}

hid_t EventMemoryType() {
  const hid_t name = H5Tcopy(H5T_C_S1);
  H5Tset_size(name, kEventNameSize);
  H5Tset_strpad(name, H5T_STR_NULLPAD);
  const hid_t type = H5Tcreate(H5T_COMPOUND, sizeof(EventRow));
  H5Tinsert(type, "scan", offsetof(EventRow, scan), H5T_NATIVE_UINT64);
  H5Tinsert(type, "seconds", offsetof(EventRow, seconds), H5T_NATIVE_DOUBLE);
  H5Tinsert(type, "message", offsetof(EventRow, message), H5T_NATIVE_UINT32);
  H5Tinsert(type, "name", offsetof(EventRow, name), name);
  H5Tinsert(type, "words_lost", offsetof(EventRow, words_lost), H5T_NATIVE_INT64);
  H5Tclose(name);
  return type;
}

// A growing dataset of rank `rank`: no rows yet, `width` columns.
hid_t CreateGrowing(hid_t file, const char *name, hid_t type, int rank, hsize_t width,
                    hsize_t chunk_rows, bool compress) {
  const hsize_t dims[2] = {0, width};
  const hsize_t max_dims[2] = {H5S_UNLIMITED, width};
  const hsize_t chunk[2] = {chunk_rows, width};
  const Handle space(H5Screate_simple(rank, dims, max_dims), H5Sclose);
  const Handle properties(H5Pcreate(H5P_DATASET_CREATE), H5Pclose);
  if (space.get() < 0 || properties.get() < 0 || H5Pset_chunk(properties.get(), rank, chunk) < 0) {
    return -1;
  }
  if (compress && (H5Pset_shuffle(properties.get()) < 0 ||
                   H5Pset_deflate(properties.get(), kDeflateLevel) < 0)) {
    return -1;
  }
  const Handle access(H5Pcreate(H5P_DATASET_ACCESS), H5Pclose);
  if (access.get() < 0 ||
      H5Pset_chunk_cache(access.get(), kChunkCacheSlots, kChunkCacheBytes, 1.0) < 0) {
    return -1;
  }
  return H5Dcreate2(file, name, type, space.get(), H5P_DEFAULT, properties.get(), access.get());
}

herr_t WriteAttribute(hid_t file, const char *name, hid_t file_type, hid_t memory_type,
                      const void *value) {
  const Handle space(H5Screate(H5S_SCALAR), H5Sclose);
  const Handle attribute(H5Acreate2(file, name, file_type, space.get(), H5P_DEFAULT, H5P_DEFAULT),
                         H5Aclose);
  if (attribute.get() < 0) return -1;
  return H5Awrite(attribute.get(), memory_type, value);
}

herr_t WriteText(hid_t file, const char *name, const std::string &text) {
  // Variable length, UTF-8: every reader gets a plain string. Written before
  // readers come, as the single-writer mode asks of such data.
  const Handle type(H5Tcopy(H5T_C_S1), H5Tclose);
  if (H5Tset_size(type.get(), H5T_VARIABLE) < 0 || H5Tset_cset(type.get(), H5T_CSET_UTF8) < 0) {
    return -1;
  }
  const char *value = text.c_str();
  return WriteAttribute(file, name, type.get(), type.get(), &value);
}

herr_t WriteUnsigned(hid_t file, const char *name, std::uint32_t value) {
  return WriteAttribute(file, name, H5T_STD_U32LE, H5T_NATIVE_UINT32, &value);
}

herr_t WriteSigned(hid_t file, const char *name, std::int32_t value) {
  return WriteAttribute(file, name, H5T_STD_I32LE, H5T_NATIVE_INT32, &value);
}

herr_t WriteSeconds(hid_t file, const char *name, double value) {
  return WriteAttribute(file, name, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, &value);
}

}  // namespace

void PrepareCaptureLibrary() {
  // A file whose close failed stays in the library's tables, and its own
  // clean-up at exit would crash on it: the tool closes what it opened.
  static const bool no_clean_up_at_exit = H5dont_atexit() >= 0;
  (void)no_clean_up_at_exit;
}

CaptureFile::CaptureFile(const std::string &path, std::string name, const CaptureInfo &info,
                         bool compress)
    : name_(std::move(name)), scan_words_(info.mode.ChLast - info.mode.ChFirst + 1) {
  QuietLibraryErrors();
  try {
    Create(path, info, compress);
  } catch (const OutputError &) {
    Close();
    throw;
  }
}

void CaptureFile::Create(const std::string &path, const CaptureInfo &info, bool compress) {
  const Handle access(H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
  // Readers during the run need the newest file format.
  if (access.get() < 0 ||
      H5Pset_libver_bounds(access.get(), H5F_LIBVER_LATEST, H5F_LIBVER_LATEST) < 0) {
    Fail("cannot make");
  }
  file_ = H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, access.get());
  if (file_ < 0) Fail("cannot make");
  void *handle = nullptr;
  if (H5Fget_vfd_handle(file_, H5P_DEFAULT, &handle) >= 0 && handle != nullptr) {
    descriptor_ = *static_cast<int *>(handle);
  }
  samples_ = CreateGrowing(
      file_, format::kSamples, H5T_STD_U16LE, 2, scan_words_,
      std::max<hsize_t>(1, (compress ? kCompressedChunkWords : kChunkWords) / scan_words_),
      compress);
  if (samples_ < 0) Fail("cannot write");
  const Handle event_file_type(EventFileType(), H5Tclose);
  event_type_ = EventMemoryType();
  events_ = CreateGrowing(file_, "events", event_file_type.get(), 1, 1, kEventChunkRows, false);
  if (events_ < 0 || event_type_ < 0) Fail("cannot write");

  const ModeRecord &mode = info.mode;
  const bool written = WriteText(file_, format::kFormatAttribute, format::kFormatName) >= 0 &&
                       WriteUnsigned(file_, format::kVersionAttribute, format::kVersion) >= 0 &&
                       WriteUnsigned(file_, "slot", info.slot) >= 0 &&
                       WriteText(file_, "driver_version", info.driver_version) >= 0 &&
                       WriteUnsigned(file_, "revision", info.revision) >= 0 &&
                       WriteText(file_, "firmware", info.firmware) >= 0 &&
                       WriteSigned(file_, "mode", mode.Mode) >= 0 &&
                       WriteUnsigned(file_, format::kFirstChannelAttribute, mode.ChFirst) >= 0 &&
                       WriteUnsigned(file_, format::kLastChannelAttribute, mode.ChLast) >= 0 &&
                       WriteUnsigned(file_, "Timer", mode.Timer) >= 0 &&
                       WriteSeconds(file_, "conversion_seconds", info.conversion_seconds) >= 0 &&
                       WriteSeconds(file_, "scan_seconds", info.scan_seconds) >= 0 &&
                       WriteText(file_, "host", info.host) >= 0 &&
                       WriteText(file_, "tool_version", info.tool_version) >= 0;
  if (!written) Fail("cannot write");
}

CaptureFile::~CaptureFile() { Close(); }

void CaptureFile::StartReaders(const std::string &start_time) {
  Check(WriteText(file_, "start_time", start_time), "cannot write");
  Check(H5Fstart_swmr_write(file_), "cannot write");
}

void CaptureFile::WriteScans(std::span<const std::uint16_t> words) {
  QuietLibraryErrors();
  const hsize_t scans = words.size() / scan_words_;
  if (scans == 0) return;
  Reserve(words.size_bytes());
  values_.resize(words.size());
  for (std::size_t i = 0; i < words.size(); ++i) values_[i] = TAMRIX_WORD_VALUE(words[i]);
  const hsize_t extent[2] = {scans_ + scans, scan_words_};
  Check(H5Dset_extent(samples_, extent), "cannot write");
  const Handle file_space(H5Dget_space(samples_), H5Sclose);
  const hsize_t start[2] = {scans_, 0};
  const hsize_t count[2] = {scans, scan_words_};
  const Handle memory_space(H5Screate_simple(2, count, nullptr), H5Sclose);
  Check(file_space.get() < 0 || memory_space.get() < 0
            ? -1
            : H5Sselect_hyperslab(file_space.get(), H5S_SELECT_SET, start, nullptr, count, nullptr),
        "cannot write");
  Check(H5Dwrite(samples_, H5T_NATIVE_UINT16, memory_space.get(), file_space.get(), H5P_DEFAULT,
                 values_.data()),
        "cannot write");
  scans_ += scans;
}

void CaptureFile::WriteEvent(const CaptureEvent &event) {
  QuietLibraryErrors();
  EventRow row{event.scan, event.seconds, event.message, {}, event.words_lost};
  std::memcpy(row.name, event.name.data(), std::min(event.name.size(), sizeof row.name));
  const hsize_t extent[1] = {events_written_ + 1};
  Check(H5Dset_extent(events_, extent), "cannot write");
  const Handle file_space(H5Dget_space(events_), H5Sclose);
  const hsize_t start[1] = {events_written_};
  const hsize_t count[1] = {1};
  const Handle memory_space(H5Screate_simple(1, count, nullptr), H5Sclose);
  Check(file_space.get() < 0 || memory_space.get() < 0
            ? -1
            : H5Sselect_hyperslab(file_space.get(), H5S_SELECT_SET, start, nullptr, count, nullptr),
        "cannot write");
  Check(H5Dwrite(events_, event_type_, memory_space.get(), file_space.get(), H5P_DEFAULT, &row),
        "cannot write");
  ++events_written_;
}

void CaptureFile::Flush() {
  QuietLibraryErrors();
  Check(H5Fflush(file_, H5F_SCOPE_LOCAL), "cannot write");
}

// A full file system would fail the library half-way through a flush and
// leave a file no reader opens. So the space for what comes next is claimed
// first: once that fails, nothing more is written but what the reserve holds.
void CaptureFile::Reserve(std::size_t bytes) {
  struct stat file {};
  if (descriptor_ < 0 || fstat(descriptor_, &file) != 0) return;
  const off_t wanted = file.st_size + static_cast<off_t>(bytes) + kReserveBytes;
  if (wanted <= reserved_) return;
  if (fallocate(descriptor_, FALLOC_FL_KEEP_SIZE, file.st_size, wanted - file.st_size) == 0) {
    reserved_ = wanted + kReserveBytes;  // claimed in steps, not at every batch
    if (fallocate(descriptor_, FALLOC_FL_KEEP_SIZE, file.st_size, reserved_ - file.st_size) != 0) {
      reserved_ = wanted;
    }
    return;
  }
  const int error = errno;
  if (error == EOPNOTSUPP) {
    descriptor_ = -1;  // a file system that cannot reserve: written unguarded
    return;
  }
  throw OutputError{"cannot write " + name_ + ": " + std::strerror(error)};
}

std::string CaptureFile::Close() {
  QuietLibraryErrors();
  if (file_ < 0) return {};
  for (hid_t *id : {&samples_, &events_}) {
    if (*id >= 0) H5Dclose(*id);
    *id = -1;
  }
  if (event_type_ >= 0) H5Tclose(event_type_);
  event_type_ = -1;
  const herr_t closed = H5Fclose(file_);
  file_ = -1;
  return closed < 0 ? "cannot write " + name_ + ": " + LibraryReason() : std::string();
}

void CaptureFile::Fail(const char *doing) const {
  throw OutputError{std::string(doing) + " " + name_ + ": " + LibraryReason()};
}

void CaptureFile::Check(herr_t result, const char *doing) const {
  if (result < 0) Fail(doing);
}

}  // namespace tamrix_cli
