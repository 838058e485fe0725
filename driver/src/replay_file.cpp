#include "replay_file.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "replay_capture.h"

namespace tamrix::vxd {
namespace {

constexpr unsigned kLargestValue = 4095;

bool LooksLikeCsv(const std::string &bytes) {
  const std::string header = bytes.substr(0, bytes.find('\n'));
  if (header.size() < 4 || (header.size() + 1) % 5 != 0) return false;
  for (std::size_t at = 0; at < header.size(); at += 5) {
    if (header.compare(at, 2, "ch") != 0 ||
        !std::isdigit(static_cast<unsigned char>(header[at + 2])) ||
        !std::isdigit(static_cast<unsigned char>(header[at + 3])) ||
        (at + 4 < header.size() && header[at + 4] != ',')) {
      return false;
    }
  }
  return true;
}

std::optional<std::vector<std::uint16_t>> FromCsv(const std::string &bytes, unsigned channel,
                                                  std::string &why) {
  std::istringstream lines(bytes);
  std::string line;
  std::getline(lines, line);
  char wanted[8];
  std::snprintf(wanted, sizeof wanted, "ch%02u", channel);
  std::size_t column = 0;
  std::size_t columns = 0;
  bool found = false;
  for (std::size_t at = 0; at < line.size(); at += 5, ++columns) {
    if (line.compare(at, 4, wanted) == 0) {
      column = columns;
      found = true;
    }
  }
  if (!found) {
    why = std::string("no column ") + wanted;
    return std::nullopt;
  }
  std::vector<std::uint16_t> values;
  std::size_t row = 1;
  while (std::getline(lines, line)) {
    ++row;
    std::istringstream cells(line);
    std::string cell;
    for (std::size_t i = 0; i <= column && std::getline(cells, cell, ','); ++i) {
    }
    char *end = nullptr;
    const unsigned long value = std::strtoul(cell.c_str(), &end, 10);
    if (cell.empty() || *end != '\0' || value > kLargestValue) {
      why = "line " + std::to_string(row) + " holds no 12-bit value for " + wanted;
      return std::nullopt;
    }
    values.push_back(static_cast<std::uint16_t>(value));
  }
  return values;
}

std::vector<std::uint16_t> FromRaw(const std::string &bytes, unsigned channel) {
  std::vector<std::uint16_t> values;
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const auto word = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
    if (word >> 12 == channel) values.push_back(word & 0x0FFFu);
  }
  return values;
}

}  // namespace

std::optional<std::vector<std::uint16_t>> ReadReplay(const std::string &path, ReplayFormat format,
                                                     unsigned channel, std::string &why) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  if (format == ReplayFormat::kGuess && HasHdf5Signature(path)) format = ReplayFormat::kHdf5;
  if (format == ReplayFormat::kHdf5) {
    if (!HasHdf5Signature(path)) {
      why = "no HDF5 signature";
      return std::nullopt;
    }
    auto values = ReadCaptureChannel(path, channel, why);
    if (values && values->empty()) {
      why = "holds no scan";
      return std::nullopt;
    }
    return values;
  }
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (format == ReplayFormat::kGuess) {
    format = LooksLikeCsv(bytes) ? ReplayFormat::kCsv : ReplayFormat::kRaw;
  }
  if (format == ReplayFormat::kCsv && !LooksLikeCsv(bytes)) {
    why = "no CSV header of chNN columns";
    return std::nullopt;
  }
  std::optional<std::vector<std::uint16_t>> values =
      format == ReplayFormat::kCsv ? FromCsv(bytes, channel, why) : FromRaw(bytes, channel);
  if (values && values->empty()) {
    why = "holds no value for channel " + std::to_string(channel);
    return std::nullopt;
  }
  return values;
}

}  // namespace tamrix::vxd
