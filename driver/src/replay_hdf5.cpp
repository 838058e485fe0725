// The HDF5 capture reader module: the driver loads it on the first replay
// of an HDF5 capture (capture_reader.h), and it alone links HDF5.
#include <hdf5.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "capture_format.h"
#include "capture_reader.h"

namespace tamrix::vxd {
namespace {

namespace format = capture_format;
using format::Handle;

constexpr std::uint16_t kLargestValue = 4095;

// The library prints its errors unless told not to; this thread's setting
// is put back after, for a host that uses the library itself.
class QuietErrors {
 public:
  QuietErrors() {
    H5Eget_auto2(H5E_DEFAULT, &print_, &data_);
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  }
  ~QuietErrors() {
    H5Eclear2(H5E_DEFAULT);
    H5Eset_auto2(H5E_DEFAULT, print_, data_);
  }
  QuietErrors(const QuietErrors &) = delete;
  QuietErrors &operator=(const QuietErrors &) = delete;

 private:
  H5E_auto2_t print_ = nullptr;
  void *data_ = nullptr;
};

// A capture still being written, or whose writer was killed, opens only
// for single-writer, multiple-reader access; a file written without the
// newest format only without it.
hid_t OpenCapture(const std::string &path) {
  const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDONLY | H5F_ACC_SWMR_READ, H5P_DEFAULT);
  return file >= 0 ? file : H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
}

bool HasAttribute(hid_t file, const char *name) { return H5Aexists(file, name) > 0; }

std::optional<std::string> TextAttribute(hid_t file, const char *name) {
  if (!HasAttribute(file, name)) return std::nullopt;
  const Handle attribute(H5Aopen(file, name, H5P_DEFAULT), H5Aclose);
  const Handle stored(H5Aget_type(attribute.get()), H5Tclose);
  if (!stored.ok() || H5Tget_class(stored.get()) != H5T_STRING ||
      H5Tis_variable_str(stored.get()) <= 0) {
    return std::nullopt;
  }
  // Read as stored: the library converts no text between character sets.
  char *value = nullptr;
  if (H5Aread(attribute.get(), stored.get(), &value) < 0 || value == nullptr) {
    return std::nullopt;
  }
  std::string text(value);
  H5free_memory(value);
  return text;
}

std::optional<std::uint32_t> UnsignedAttribute(hid_t file, const char *name) {
  if (!HasAttribute(file, name)) return std::nullopt;
  const Handle attribute(H5Aopen(file, name, H5P_DEFAULT), H5Aclose);
  const Handle stored(H5Aget_type(attribute.get()), H5Tclose);
  std::uint32_t value = 0;
  if (!stored.ok() || H5Tget_class(stored.get()) != H5T_INTEGER ||
      H5Aread(attribute.get(), H5T_NATIVE_UINT32, &value) < 0) {
    return std::nullopt;
  }
  return value;
}

std::string Channel(unsigned channel) {
  char name[8];
  std::snprintf(name, sizeof name, "ch%02u", channel);
  return name;
}

std::optional<std::vector<std::uint16_t>> ReadChannel(const std::string &path, unsigned channel,
                                                      std::string &why) {
  const QuietErrors quiet;
  const Handle file(OpenCapture(path), H5Fclose);
  if (!file.ok()) {
    why = "cannot be opened as an HDF5 file";
    return std::nullopt;
  }
  if (TextAttribute(file.get(), format::kFormatAttribute) != format::kFormatName) {
    why = "no tamrix capture (its format attribute is not \"tamrix-capture\")";
    return std::nullopt;
  }
  const auto version = UnsignedAttribute(file.get(), format::kVersionAttribute);
  const auto first = UnsignedAttribute(file.get(), format::kFirstChannelAttribute);
  const auto last = UnsignedAttribute(file.get(), format::kLastChannelAttribute);
  if (!version || !first || !last || *first > *last) {
    why = "a capture without format_version, first_channel and last_channel";
    return std::nullopt;
  }
  if (*version > format::kVersion) {
    why = "format_version " + std::to_string(*version) + " is above " +
          std::to_string(format::kVersion) + ", the newest this driver reads";
    return std::nullopt;
  }
  if (channel < *first || channel > *last) {
    why = "holds channels " + std::to_string(*first) + " to " + std::to_string(*last) + ", not " +
          std::to_string(channel);
    return std::nullopt;
  }
  const hsize_t columns = *last - *first + 1;
  const Handle samples(H5Lexists(file.get(), format::kSamples, H5P_DEFAULT) > 0
                           ? H5Dopen2(file.get(), format::kSamples, H5P_DEFAULT)
                           : H5I_INVALID_HID,
                       H5Dclose);
  const Handle type(samples.ok() ? H5Dget_type(samples.get()) : H5I_INVALID_HID, H5Tclose);
  const Handle space(samples.ok() ? H5Dget_space(samples.get()) : H5I_INVALID_HID, H5Sclose);
  hsize_t dims[2] = {0, 0};
  if (!type.ok() || !space.ok() || H5Tget_class(type.get()) != H5T_INTEGER ||
      H5Tget_sign(type.get()) != H5T_SGN_NONE || H5Tget_size(type.get()) != 2 ||
      H5Sget_simple_extent_ndims(space.get()) != 2 ||
      H5Sget_simple_extent_dims(space.get(), dims, nullptr) < 0 || dims[1] != columns) {
    why = "/samples is not " + std::to_string(columns) + " columns of 16-bit unsigned values";
    return std::nullopt;
  }
  std::vector<std::uint16_t> values(dims[0]);
  if (values.empty()) return values;
  const hsize_t start[2] = {0, channel - *first};
  const hsize_t count[2] = {dims[0], 1};
  const Handle memory(H5Screate_simple(1, dims, nullptr), H5Sclose);
  if (!memory.ok() ||
      H5Sselect_hyperslab(space.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) < 0 ||
      H5Dread(samples.get(), H5T_NATIVE_UINT16, memory.get(), space.get(), H5P_DEFAULT,
              values.data()) < 0) {
    why = "/samples cannot be read";
    return std::nullopt;
  }
  for (std::size_t scan = 0; scan < values.size(); ++scan) {
    if (values[scan] > kLargestValue) {
      why = "scan " + std::to_string(scan) + " holds no 12-bit value for " + Channel(channel);
      return std::nullopt;
    }
  }
  return values;
}

int ReadChannelEntry(const char *path, unsigned channel, void *sink, tmx_capture_values_fn *values,
                     tmx_capture_why_fn *why) {
  std::string reason;
  try {
    const auto read = ReadChannel(path, channel, reason);
    if (read) {
      values(sink, read->data(), read->size());
      return 1;
    }
  } catch (const std::exception &) {
    reason = "/samples cannot be read";
  }
  why(sink, reason.c_str());
  return 0;
}

constexpr tmx_capture_reader kReader = {TMX_CAPTURE_READER_ABI_VERSION, &ReadChannelEntry};

}  // namespace
}  // namespace tamrix::vxd

extern "C" __attribute__((visibility("default"))) const tmx_capture_reader *
tmx_capture_reader_entry() {
  return &tamrix::vxd::kReader;
}
