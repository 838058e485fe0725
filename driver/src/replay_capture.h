// Reads one board channel's values out of an HDF5 capture that
// tamrix-cli read --format hdf5 wrote (docs/capture-format.md), through the
// capture reader module (capture_reader.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture_reader.h"

namespace tamrix::vxd {

// True when the file carries HDF5's signature where the format puts it: at
// the start, or after a user block of 512, 1024, 2048... bytes.
bool HasHdf5Signature(const std::string &path);

// The capture reader module of `folder`, loaded and kept for the process;
// nothing, with `why`, when it is missing, damaged or no reader of ours.
const tmx_capture_reader *LoadCaptureReader(const std::string &folder, std::string &why);

// The 12-bit values of board channel `channel`, its column of /samples, in
// order; nothing, with `why`, when the file is no capture of a known
// version, lacks the channel or holds a value above 4095, or when the
// reader module beside this driver cannot be loaded.
std::optional<std::vector<std::uint16_t>> ReadCaptureChannel(const std::string &path,
                                                             unsigned channel, std::string &why);

}  // namespace tamrix::vxd
