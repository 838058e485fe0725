// What a capture says about its run: the board, the mode and its real
// timing, the computer and the tool.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "board_session.h"
#include "sampling_plan.h"

namespace tamrix_cli {

// What the root's attributes say about the run.
struct CaptureInfo {
  std::uint32_t slot = 0;
  std::string driver_version;  // "1.2 build 16"
  std::uint32_t revision = 0;
  std::string firmware;  // "2.10"
  ModeRecord mode{};
  double conversion_seconds = 0;
  double scan_seconds = 0;
  std::string host;
  std::string tool_version;
};

// Asks the open board for its versions and resources.
CaptureInfo DescribeRun(const BoardSession &board, const ModeRecord &mode);

// ISO 8601 in UTC to the microsecond: "2026-12-09T08:06:23.041272Z".
std::string UtcText(std::chrono::system_clock::time_point when);

}  // namespace tamrix_cli
