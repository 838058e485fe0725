#include "capture_info.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "board_text.h"

namespace tamrix_cli {
namespace {

std::string HostName() {
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

}  // namespace

std::string UtcText(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                          when - std::chrono::system_clock::from_time_t(seconds))
                          .count();
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + length, sizeof text - length, ".%06ldZ", static_cast<long>(micros));
  return text;
}

CaptureInfo DescribeRun(const BoardSession &board, const ModeRecord &mode) {
  const TAMRIXR record = board.Resources();
  CaptureInfo info;
  info.slot = board.slot();
  info.driver_version = DriverVersionText(DriverVersion(board.slot()));
  info.revision = record.Reserved[0];
  info.firmware = Firmware(record);
  info.mode = mode;
  info.conversion_seconds = ConversionMicros(mode) / 1e6;
  info.scan_seconds = ScanMicros(mode) / 1e6;
  info.host = HostName();
  info.tool_version = TAMRIX_CLI_VERSION;
  return info;
}

}  // namespace tamrix_cli
