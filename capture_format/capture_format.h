// The names and the version of the capture format (docs/capture-format.md),
// as tamrix-cli writes it and the driver's capture reader reads it, and the
// HDF5 handle both hold.
#pragma once

#include <hdf5.h>

namespace tamrix::capture_format {

// The newest version written and read; a reader refuses a higher one.
inline constexpr unsigned kVersion = 1;

// Attributes of the root.
inline constexpr char kFormatAttribute[] = "format";
inline constexpr char kFormatName[] = "tamrix-capture";  // the value of kFormatAttribute
inline constexpr char kVersionAttribute[] = "format_version";
inline constexpr char kFirstChannelAttribute[] = "first_channel";
inline constexpr char kLastChannelAttribute[] = "last_channel";

// The values, scans x channels first_channel..last_channel.
inline constexpr char kSamples[] = "samples";

// The handle closes with its owner, whatever happens on the way.
class Handle {
 public:
  Handle(hid_t id, herr_t (*close)(hid_t)) : id_(id), close_(close) {}
  ~Handle() {
    if (id_ >= 0) close_(id_);
  }
  Handle(const Handle &) = delete;
  Handle &operator=(const Handle &) = delete;
  hid_t get() const { return id_; }
  bool ok() const { return id_ >= 0; }

 private:
  hid_t id_;
  herr_t (*close_)(hid_t);
};

}  // namespace tamrix::capture_format
